// The path check of the engine: refuses an unusable file or directory name with a precise code
// before any exchange with the mail service. Test files it creates are removed at once.
#include "client/engine/path_check.h"
#include "client/engine/engine_context.h"
#include "client/engine/result_codes.h"

#include "client/common/home.h"
#include "client/engine/failure_reason.h"
#include "client/engine/session_state.h"
#include "platform/fs.h"

namespace kv::engine {

namespace {

int refuse(EngineContext& ctx, const char* code) {
  ctx.session.result_text = code;
  return -1;
}

bool is_separator(char c) { return c == '/' || c == '\\'; }

bool has_separator(const std::string& name) {
  return name.find_first_of("/\\") != std::string::npos;
}

// "X:" or "X:\" (or "X:/").
bool is_bare_drive(const std::string& name) {
  if (fs::drive_letter(name) == 0) return false;
  return name.size() == 2 || (name.size() == 3 && is_separator(name[2]));
}

// Creates and removes one file at `path`; false when it cannot be created.
bool can_create(const std::string& path) {
  if (!OpenFile(fs::open_stream(path, "w"))) return false;
  fs::remove_file(path);
  return true;
}

int check_directory(EngineContext& ctx, const std::string& full, PathAccess access) {
  if (fs::dir_name(full) == full) return write_test(ctx, full);  // the root
  // The parent directory must exist.
  if (!fs::is_directory(fs::dir_name(full))) return refuse(ctx, kCodeDirectoryNotFound);
  if (access == PathAccess::write) {
    if (!fs::is_directory(full) || !fs::is_writable(full)) return refuse(ctx, kCodeCannotWrite);
    return write_test(ctx, full);
  }
  return 0;
}

int check_file(EngineContext& ctx, const std::string& name, const std::string& full,
               PathAccess access) {
  fs::Status st = fs::status(full);
  std::string last = fs::last_component(name);
  if (st.exists) {
    // A directory is not a file that can be sent or written.
    if (last == "." || last == ".." || st.is_directory) return refuse(ctx, kCodeNotAFile);
    if (!fs::is_readable(full)) return refuse(ctx, kCodeFileNotReadable);
  } else if (access == PathAccess::read) {
    return refuse(ctx, kCodeFileNotFound);
  }
  if (access == PathAccess::read) return 0;

  if (has_separator(name)) {
    std::string dir = fs::dir_name(full);
    if (!fs::is_directory(dir)) return refuse(ctx, kCodeFileDirectoryNotFound);
    if (!fs::is_writable(dir)) return refuse(ctx, kCodeWriteProtected);
    if (st.exists && !fs::is_writable(full)) return refuse(ctx, kCodeWriteProtected);
    return write_test(ctx, dir);
  }
  if (!st.exists) return can_create(full) ? 0 : refuse(ctx, kCodeCannotWrite);
  if (!fs::is_writable(full)) return refuse(ctx, kCodeWriteProtected);
  return write_test(ctx, ctx.session.engine_dir);
}

}  // namespace

int write_test(EngineContext& ctx, const std::string& directory) {
  std::string dir = ctx.home.fullpath(directory);
  std::string name = fs::make_unique_name(fs::join(dir, "TMXXXXXX"));
  if (name.empty() || !can_create(name)) return refuse(ctx, kCodeCannotWrite);
  return 0;
}

namespace {

int check_named_path(EngineContext& ctx, const std::string& name, PathAccess access,
                     PathKind kind) {
  // A file name that is only a drive, or that ends in a separator, names no file.
  if (kind == PathKind::file &&
      (is_bare_drive(name) || (!name.empty() && is_separator(name.back())))) {
    return refuse(ctx, kCodeNamesNoFile);
  }
  const char* no_full_path =
      kind == PathKind::directory ? kCodeDirectoryNotFound : kCodeFileDirectoryNotFound;
  // A name on a drive that cannot be selected has no full path (on POSIX systems none can).
  const char drive = fs::drive_letter(name);
  if ((drive != 0 && !fs::drive_exists(drive)) || name.empty()) return refuse(ctx, no_full_path);
  std::string full = ctx.home.fullpath(name);
  if (full.empty()) return refuse(ctx, no_full_path);
  if (kind == PathKind::directory) return check_directory(ctx, full, access);
  return check_file(ctx, name, full, access);
}

}  // namespace

int check_path(EngineContext& ctx, const std::string& name, PathAccess access, PathKind kind) {
  if (check_named_path(ctx, name, access, kind) == 0) return 0;
  const std::string full = name.empty() ? std::string() : ctx.home.fullpath(name);
  note_failure_detail((kind == PathKind::directory ? "the directory \"" : "the file \"") + name +
                      "\"" + (full.empty() || full == name ? "" : " (" + full + ")"));
  return -1;
}

}  // namespace kv::engine
