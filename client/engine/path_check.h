// Checks of file and directory names against the file system before the engine uses them: the
// status file, and the FIL, DIF, SEL and DIR attributes. Names resolve against the engine home
// directory; "/" and "\" both separate, a drive prefix ("X:") is recognised (and available only
// where the system has drives).
// A refusal leaves its four-digit code in ctx.session.result_text:
//   3034 directory: no full path, or its parent does not exist
//   3035 file: no full path, or the directory that is to hold it does not exist
//   3036 nothing can be written there (directory not writable, test file not creatable)
//   3037 the file to be read does not exist
//   3038 the file cannot be found by a directory search, or it is named "." or ".."
//   3039 the file exists but cannot be read
//   3040 the file, or the directory that is to receive it, is write-protected
//   3041 the name is only a drive, or it ends in a separator
// A name on a drive that cannot be selected ("X:...", any drive on POSIX systems) is refused as a
// name for which no full path can be formed (3034 for a directory, 3035 for a file), except that a
// bare drive given as a file name, or a file name ending in a separator, is 3041 as everywhere.
#pragma once

#include <string>

namespace kv::engine {

struct EngineContext;

enum class PathAccess { read, write };
enum class PathKind { file, directory };

// 0 when the name may be used as asked; -1 with the code in ctx.session.result_text.
int check_path(EngineContext& ctx, const std::string& name, PathAccess access, PathKind kind);

// Creates and removes a unique file "TMXXXXXX" in `directory` (a name as given, resolved against
// the engine home directory); 0, or -1 with "3036" in ctx.session.result_text.
int write_test(EngineContext& ctx, const std::string& directory);

}  // namespace kv::engine
