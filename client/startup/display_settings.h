// Display settings: the display keys of the engine parameter file "$qrt400.prm" in the home
// directory (NO_IND, IND_TXT, TXT_REGELS), read at every start whatever the run mode.
#pragma once

#include <cstdio>

#include "client/common/run_state.h"

namespace kv {

constexpr const char* kEngineParameterFile = "$qrt400.prm";

// Sets the defaults in the run state, then reads the file; a missing or unreadable file, or a
// first line that is too long, leaves the defaults.
void lees_displayinstellingen();

// The same on an open stream (tests).
DisplaySettings read_display_settings(std::FILE* stream);

}  // namespace kv
