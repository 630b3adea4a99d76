// At the end of a normal run the application's request file is kept as qrt_lnk.old.
#include <string>

#include "client/appfiles/entry_points.h"
#include "client/appfiles/private_file.h"
#include "client/common/file_rewrite.h"
#include "client/common/home.h"
#include "client/common/open_files.h"
#include "platform/fs.h"

namespace kv {

namespace {

constexpr const char* kKeptRequest = "qrt_lnk.old";

}  // namespace

void rotate_command_file(const std::string& command_file) {
  OpenFile request(app_home().open(command_file, "rb"));
  if (!request) {
    app_home().remove_work_file(kKeptRequest);  // no request: no stale copy of an older one
    return;
  }
  // qrt_lnk.old carries the (scrambled) password as the command file does: private. It is
  // replaced in one step; the request file goes only when its copy is in place.
  FileRewrite kept;
  if (!kept.begin(kKeptRequest, {.create_when_missing = true,
                                  .new_file_mode = kPrivateFileMode,
                                  .keep_mode = false})) return;
  bool copied = kept.copy_from(request.get());
  request.close();
  if (!copied || !kept.commit()) return;
  // The request is gone for good: after a power cut the next run must not find it again.
  app_home().remove_work_file(command_file);
  fs::sync_directory(fs::dir_name(app_home().fullpath(command_file)));
}

}  // namespace kv
