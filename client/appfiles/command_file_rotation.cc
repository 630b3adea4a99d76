// At the end of a normal run the application's request file is kept as qrt_lnk.old.
#include <string>

#include "client/appfiles/entry_points.h"
#include "client/appfiles/private_file.h"
#include "client/common/append_file.h"
#include "client/common/home.h"

namespace kv {

void rotate_command_file(const std::string& command_file) {
  const std::string kept = "qrt_lnk.old";
  app_home().remove_work_file(kept);
  // The kept copy carries the (scrambled) password as the command file does.
  create_private_file(kept);
  // The request file goes only when its copy is complete.
  if (append_file(app_home().fullpath(command_file), app_home().fullpath(kept)) == kAppendOk) {
    app_home().remove_work_file(command_file);
  }
}

}  // namespace kv
