// The answers of kovendi to "--help" and "--version".
#include "client/startup/program_info.h"

#include "client/common/version.h"

namespace kv {
namespace {

constexpr const char* kUsage =
    "Usage: kovendi /FT [/A=app] [/S=status] [/O=request] [/V]           normal communication run\n"
    "       kovendi /FT /U=file                                          fold a file into qrtlnk.rcv\n"
    "       kovendi /FT /C [/MID=id] [/APP=code] [/FIL=file] [/DAT=digits]  clean up qrtlnk.snd\n"
    "       kovendi /FT /R [/MID=id] [/SEL=file] /FIL=file [/ADD]        hand received messages over\n"
    "       kovendi /FT /RT [/SEL=file] /FIL=file [/ADD]                 hand text messages over\n"
    "       kovendi --help | --version\n"
    "\n"
    "kovendi works in the current directory, the application's home directory. A normal run\n"
    "reads the request qrtlnk.scr (or /O=) and the user file qrtlnk.gns, exchanges messages with\n"
    "the message service and leaves the status file qrtlnk.sts (or /S=), the send queue\n"
    "qrtlnk.snd, the receive store qrtlnk.rcv and, after a failure, qrtlnk.err. The exit status\n"
    "is always 0. The journal qrt400.log gives the reason of every failure.\n"
    "\n"
    "Manual pages: kovendi(1), kovendi-request(5), qrtlnk.gns(5), kovendi-store(1), kovedial(1).\n";

}  // namespace

bool answer_program_info(const std::vector<std::string>& parameters, std::ostream& out) {
  if (parameters.size() != 1) return false;
  if (parameters[0] == "--help") {
    out << kUsage;
  } else if (parameters[0] == "--version") {
    out << "kovendi " << kVersion << "\n";
  } else {
    return false;
  }
  out.flush();
  return true;
}

}  // namespace kv
