// ravelin: the command-line face of the three Ravelin libraries, for venue
// operators (venue ...), client packagers (config ...) and host developers
// (design ...).
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "tools/ravelin/Arguments.h"
#include "tools/ravelin/Commands.h"

int main(int argc, char** argv) {
  CLI::App app{"ravelin: venue databases, client configurations and design files"};
  app.set_version_flag("--version", std::string("ravelin ") + RAVELIN_VERSION);
  app.require_subcommand(1);
  ravelin_tool::AddConfigCommands(app);
  ravelin_tool::AddVenueCommands(app);
  ravelin_tool::AddDesignCommands(app);
  ravelin_tool::AddDemoCommand(app);
  std::vector<std::string> arguments = ravelin_tool::Utf8Arguments(argc, argv);
  std::vector<char*> pointers;
  for (std::string& argument : arguments) {
    pointers.push_back(argument.data());
  }
  try {
    app.parse(static_cast<int>(pointers.size()), pointers.data());
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    std::fprintf(stderr, "ravelin: %s (try --help)\n", e.what());
    return 2;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "ravelin: error: %s\n", e.what());
    return 1;
  }
  return 0;
}
