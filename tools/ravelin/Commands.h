// The ravelin tool's command groups. Each Add*Commands function registers a
// group of subcommands on the application; the callbacks run the work through
// the three libraries and throw ToolError on failure.
#pragma once

#include <CLI/CLI.hpp>

namespace ravelin_tool {

void AddConfigCommands(CLI::App& app);
void AddVenueCommands(CLI::App& app);
void AddDesignCommands(CLI::App& app);

}  // namespace ravelin_tool
