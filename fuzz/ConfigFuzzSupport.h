// What the two configuration fuzz targets check after a load: the table
// renders as INI text, saves, and the saved file loads back to the same
// table and saves to the same bytes.
//
// Uses the process's scratch folder; one thread only.
#pragma once

#include "client/QvConfig.h"

namespace fuzz {

// Keeps the duplicate-section boxes of the INI reader off the terminal.
void SilenceMessageBoxes();

// Checks a store that has just loaded something.
void CheckSaveRoundTrip(const CQvConfig& config);

}  // namespace fuzz
