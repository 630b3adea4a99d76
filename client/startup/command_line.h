// The command line of kovendi: the files of the run and the invocation mode.
//
//   kovendi /FT [/A=app] [/S=status] [/O=request] [/V]        normal communication run
//   kovendi /FT /U=file                                     update QRTLNK.RCV from a file
//   kovendi /FT /C [/MID=id] [/APP=code] [/FIL=file] [/DAT=digits]   update QRTLNK.SND
//   kovendi /FT /R|/RT [/MID=id] [/FIL=file] [/SEL=file] [/ADD]     retrieve from QRTLNK.RCV
#pragma once

#include <string>
#include <vector>

#include "client/common/run_state.h"

namespace kv {

// Checks the parameters (the program name not included) and stores what they set in the run
// state. Returns RunMode::kAccepted; on any error it writes the numbered error and abandons the
// run.
RunMode lees_parameters(const std::vector<std::string>& parameters);

// "?" alone, or "/FT" followed by "/H": the program ends at once without touching any file.
bool is_special_invocation(const std::vector<std::string>& parameters);

}  // namespace kv
