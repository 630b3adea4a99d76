// The answers of kovedial to "--help" and "--version".
#include "dialer/program_info.h"

namespace kv::dialer {

bool answer_program_info(const std::vector<std::string>& args, std::ostream& out) {
  if (args.size() != 1) return false;
  if (args[0] == "--help") {
    out << "Usage: kovedial DIAL ENTRY    dial the dial-up entry ENTRY\n"
           "       kovedial HANGUP        hang up the active dial-up connection\n"
           "       kovedial --help | --version\n"
           "\n"
           "kovendi starts kovedial when qrtlnk.gns names a dial-up entry (ISP=). The outcome is\n"
           "one line in kovedial.txt in the current directory: AAAA success, aaaa already\n"
           "connected, 4nnn a dial-up error. The exit status is always 0. See kovedial(1).\n";
  } else if (args[0] == "--version") {
    out << "kovedial " << KOVENDI_VERSION << "\n";
  } else {
    return false;
  }
  out.flush();
  return true;
}

}  // namespace kv::dialer
