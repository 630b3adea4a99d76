// Files that hold a password, readable by their owner only.
#include "client/appfiles/private_file.h"

#include "client/common/home.h"
#include "platform/fs.h"

namespace kv {

bool create_private_file(const std::string& name, unsigned mode) {
  if (app_home().access(name, 0) == 0) return app_home().chmod(name, mode).ok();
  int fd = app_home().creat(name, mode);
  if (fd < 0) return false;
  app_home().close(fd);
  return true;
}

unsigned file_mode_or(const std::string& name, unsigned fallback) {
  fs::Status st = fs::status(app_home().fullpath(name));
  return st.exists ? (st.mode & 07777u) : fallback;
}

}  // namespace kv
