// ravelin venue: the venue database through the store class Base.
#include <iostream>
#include <memory>
#include <string>

#include "platform/dao/BaseLink.h"
#include "tools/ravelin/Commands.h"
#include "tools/ravelin/ToolError.h"
#include "vod/Base.h"

namespace ravelin_tool {

void AddVenueCommands(CLI::App& app) {
  CLI::App* venue = app.add_subcommand("venue", "Venue databases: rooms, backups, songs, ranking");
  venue->require_subcommand(1);

  auto init = venue->add_subcommand("init", "Create a new, empty venue database");
  auto initArgs = std::make_shared<std::pair<std::string, std::string>>();
  init->add_option("DB", initArgs->first, "Database file to create")->required();
  init->add_option("--password", initArgs->second, "Password the database will require");
  init->callback([initArgs] {
    try {
      dao::CreateRavelinDatabase(initArgs->first, initArgs->second);
    } catch (const std::exception& e) {
      throw ToolError(initArgs->first + ": cannot create: " + e.what());
    }
    std::cout << "created " << initArgs->first << '\n';
  });
}

}  // namespace ravelin_tool
