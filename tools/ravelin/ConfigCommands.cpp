// ravelin config: show, get, set and convert client configurations (INI text
// or the packed form) through CQvConfig.
#include <iostream>
#include <memory>
#include <string>

#include "client/QvConfig.h"
#include "platform/win32/MessageBox.h"
#include "tools/ravelin/Commands.h"
#include "tools/ravelin/ConfigOps.h"
#include "tools/ravelin/ToolError.h"
#include "tools/ravelin/ToolFiles.h"

namespace ravelin_tool {

namespace {

// The store shows failures in message boxes; the tool turns the first one
// into its error line instead of letting the platform box print it.
class LoadedConfig {
 public:
  explicit LoadedConfig(const std::string& path) {
    std::u16string shown;
    {
      win32::ScopedMessageBoxHandler capture(
          [&shown](void*, const std::u16string& text, const std::u16string&, unsigned buttons) {
            if (shown.empty()) {
              shown = text;
            }
            return win32::DefaultMessageBoxResult(buttons);
          });
      RequireFile(path);
      if (mConfig.OpenFile(Widen(path).c_str()) != 1) {
        std::wstring wide(shown.begin(), shown.end());
        throw ToolError(path + ": cannot read" + (shown.empty() ? "" : ": " + Narrow(wide)));
      }
    }
    // OpenFile accepts a file it read even when the packed form in it is
    // rejected; an empty table after loading means nothing usable was there.
    std::wstring text;
    if (mConfig.ReadDataToString(text) != 1 || text.empty()) {
      throw ToolError(path + ": not a valid configuration (no sections could be loaded)");
    }
    mText = std::move(text);
  }

  CQvConfig& Get() { return mConfig; }
  const std::wstring& GetIniText() const { return mText; }

 private:
  CQvConfig mConfig;
  std::wstring mText;
};

std::string Lookup(CQvConfig& config, const std::string& section, const std::string& key,
                   bool* found) {
  wchar_t* value = nullptr;
  const unsigned long length = config.GetKeyVar(Widen(section).c_str(), Widen(key).c_str(), &value);
  std::unique_ptr<wchar_t[]> owned(value);  // the store allocates with new[]
  *found = length != CQvConfig::kNotFound;
  return *found ? Narrow(std::wstring(owned.get(), length)) : std::string();
}

}  // namespace

std::string RenderConfiguration(const std::string& path) {
  LoadedConfig loaded(path);
  return Narrow(loaded.GetIniText());
}

void ConvertConfiguration(const std::string& in, const std::string& out) {
  LoadedConfig loaded(in);
  if (EndsWithNoCase(out, "qve")) {
    if (loaded.Get().Save(CQvConfig::CONFIGTYPE_QVE, Widen(out).c_str()) != 1) {
      throw ToolError(out + ": cannot save the configuration");
    }
  } else {
    WriteFileAtomically(out, Narrow(loaded.GetIniText()));
  }
}

void AddConfigCommands(CLI::App& app) {
  CLI::App* config =
      app.add_subcommand("config", "Client configurations (INI text or packed form)");
  config->require_subcommand(1);

  auto show = config->add_subcommand("show", "Print a configuration as INI text");
  auto showFile = std::make_shared<std::string>();
  show->add_option("FILE", *showFile, "Configuration file (.qve: packed form)")->required();
  show->callback([showFile] { std::cout << RenderConfiguration(*showFile); });

  auto get = config->add_subcommand("get", "Print the value of one key");
  auto getArgs = std::make_shared<std::array<std::string, 3>>();
  get->add_option("FILE", (*getArgs)[0], "Configuration file")->required();
  get->add_option("SECTION", (*getArgs)[1], "Section name (case-sensitive)")->required();
  get->add_option("KEY", (*getArgs)[2], "Key name (case-sensitive)")->required();
  get->callback([getArgs] {
    LoadedConfig loaded((*getArgs)[0]);
    bool found = false;
    const std::string value = Lookup(loaded.Get(), (*getArgs)[1], (*getArgs)[2], &found);
    if (!found) {
      throw ToolError("no key '" + (*getArgs)[2] + "' in section '" + (*getArgs)[1] + "' of " +
                      (*getArgs)[0]);
    }
    std::cout << value << '\n';
  });

  auto set =
      config->add_subcommand("set", "Change the value of an existing key and save the packed form");
  auto setArgs = std::make_shared<std::array<std::string, 5>>();
  set->add_option("FILE", (*setArgs)[0], "Configuration file")->required();
  set->add_option("SECTION", (*setArgs)[1], "Section name")->required();
  set->add_option("KEY", (*setArgs)[2], "Key name (must exist)")->required();
  set->add_option("VALUE", (*setArgs)[3], "New value")->required();
  set->add_option("--out", (*setArgs)[4],
                  "Packed file to write (default: FILE itself when it is a .qve file)");
  set->callback([setArgs] {
    const auto& [file, section, key, value, outArg] = *setArgs;
    std::string out = outArg.empty() ? file : outArg;
    if (!EndsWithNoCase(out, "qve")) {
      throw ToolError(out + ": the store saves the packed form; give --out NAME.qve");
    }
    LoadedConfig loaded(file);
    std::wstring wide = Widen(value);
    if (loaded.Get().SetKeyVar(Widen(section).c_str(), Widen(key).c_str(), wide.data()) != 1) {
      throw ToolError("no key '" + key + "' in section '" + section + "' of " + file +
                      " (only existing keys can be set)");
    }
    if (loaded.Get().Save(CQvConfig::CONFIGTYPE_QVE, Widen(out).c_str()) != 1) {
      throw ToolError(out + ": cannot save the configuration");
    }
    std::cout << "saved " << out << '\n';
  });

  auto convert = config->add_subcommand(
      "convert", "Convert between INI text and the packed form (chosen by OUT's name)");
  auto convertArgs = std::make_shared<std::array<std::string, 2>>();
  convert->add_option("IN", (*convertArgs)[0], "Configuration to read")->required();
  convert->add_option("OUT", (*convertArgs)[1], "File to write (.qve: packed form, else INI text)")
      ->required();
  convert->callback([convertArgs] {
    ConvertConfiguration((*convertArgs)[0], (*convertArgs)[1]);
    std::cout << "wrote " << (*convertArgs)[1] << '\n';
  });
}

}  // namespace ravelin_tool
