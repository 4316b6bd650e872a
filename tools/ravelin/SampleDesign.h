// SampleDesign: a small product built on ravelin_setups, as a host would
// derive it, so the tool can save and reload a design's setups and data links
// without a host: two setup types, global data, and a set of data-link
// configurations stored beside the setups.
//
// SaveSampleDesign builds a sample design and writes it as block text;
// ReloadDesign reads such a file into fresh objects and writes them again, so
// the caller can compare the texts. Not thread-safe; each call owns its
// objects.
#pragma once

#include <string>

namespace ravelin_tool {

struct DesignSummary {
  int mSetups = 0;
  int mLinks = 0;
  std::string mText;  // the design as block text, as written
};

// Writes the sample design to `path` (replacing the file atomically).
DesignSummary SaveSampleDesign(const std::string& path);

// Reads the design at `path` and writes it back to text in memory; throws
// ToolError when the file is not a readable design.
DesignSummary ReloadDesign(const std::string& path);

}  // namespace ravelin_tool
