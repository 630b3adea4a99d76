// The TMP directory: where work files with the extension "tmp" are made.
#pragma once

namespace kv {

// Reads TMP and stores the checked directory, with one trailing separator, in the run state;
// nothing when TMP is not set. Error 31 when it is not a directory, 32 when no file can be
// created in it.
void check_tmp_directory();

}  // namespace kv
