// The home directory check of the start-up.
#include "client/startup/home_check.h"

#include <string>

#include "client/common/abort.h"
#include "client/common/error_file.h"
#include "client/common/home.h"
#include "platform/fs.h"

namespace kv {
namespace {

// The files of the client that every mode reads or replaces.
constexpr const char* kClientFiles[] = {"qrtlnk.snd", "qrtlnk.rcv", "qrtlnk.sav", "qrtlnk.gns",
                                        "qrtlnk.sts", "qrtlnk.bsy", "qrt_lnk.old"};

[[noreturn]] void refuse(const std::string& what, const std::string& path) {
  report_to_operator(path + " " + what + " " + fs::current_user_name() + " (owner " +
                     fs::owner_name(path) + ")");
  fail_run_without_cleanup(AppError::kNoWritePermission);
}

}  // namespace

void refuse_unusable_home() {
  const std::string& dir = app_home().dir();
  if (!fs::is_writable(dir)) refuse("is a home directory that cannot be written by", dir);
  for (const char* name : kClientFiles) {
    const std::string path = app_home().fullpath(name);
    if (!fs::exists(path) || fs::is_readable(path) || fs::owned_by_current_user(path)) continue;
    refuse("cannot be read by", path);
  }
}

}  // namespace kv
