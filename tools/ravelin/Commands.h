// The ravelin tool's command groups. Each Add*Commands function registers a
// group of subcommands on the application; the callbacks run the work through
// the three libraries and throw ToolError on failure.
#pragma once

#include <CLI/CLI.hpp>

namespace ravelin_tool {

void AddConfigCommands(CLI::App& app);
void AddVenueCommands(CLI::App& app);
void AddDesignCommands(CLI::App& app);
void AddDemoCommand(CLI::App& app);

// Parts of the venue group, registered by AddVenueCommands.
void AddSongCommands(CLI::App* venue);

}  // namespace ravelin_tool
