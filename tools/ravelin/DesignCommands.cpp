// ravelin design: print the structure of a block text file, or check it and
// report the first error with its line and column.
#include <iostream>
#include <memory>
#include <string>

#include "platform/basalt/io/Block.h"
#include "tools/ravelin/Commands.h"
#include "tools/ravelin/DesignOutline.h"
#include "tools/ravelin/SampleDesign.h"
#include "tools/ravelin/ToolError.h"
#include "tools/ravelin/ToolFiles.h"

namespace ravelin_tool {

void AddDesignCommands(CLI::App& app) {
  CLI::App* design = app.add_subcommand("design", "Design files in block text");
  design->require_subcommand(1);

  auto show = design->add_subcommand("show", "Print the block structure of a design file");
  auto showFile = std::make_shared<std::string>();
  show->add_option("FILE", *showFile, "Block text file")->required();
  show->callback([showFile] { std::cout << OutlineBlock(ReadDesignFile(*showFile)); });

  auto check =
      design->add_subcommand("check", "Check that a design file is well-formed block text");
  auto checkFile = std::make_shared<std::string>();
  check->add_option("FILE", *checkFile, "Block text file")->required();
  check->callback([checkFile] {
    const io::CBlock block = ReadDesignFile(*checkFile);
    std::cout << *checkFile << ": ok (" << CountItems(block) << " items)\n";
  });

  auto sample = design->add_subcommand(
      "sample", "Save a sample design's setups and data links as block text, then reload it");
  auto sampleFile = std::make_shared<std::string>();
  sample->add_option("FILE", *sampleFile, "Block text file to write")->required();
  sample->callback([sampleFile] {
    const DesignSummary saved = SaveSampleDesign(*sampleFile);
    const DesignSummary reloaded = ReloadDesign(*sampleFile);
    if (reloaded.mText != saved.mText) {
      throw ToolError(*sampleFile + ": the reloaded design differs from the saved one");
    }
    std::cout << "saved " << saved.mSetups << " setups and " << saved.mLinks << " data links to "
              << *sampleFile << "; reloaded: " << reloaded.mSetups << " setups, " << reloaded.mLinks
              << " data links, identical text\n";
  });
}

}  // namespace ravelin_tool
