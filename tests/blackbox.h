// Support for black-box tests: a fresh temporary directory per test, running a program of the
// build tree in it, and reading the files it leaves.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "client/common/rcv_layout.h"
#include "client/common/report_layout.h"
#include "client/common/snd_layout.h"
#include "platform/testing/temp_dir.h"

// The files that the tests read, by field name (kv::kRcv... for QRTLNK.RCV).
namespace status = kv::status;
namespace snd = kv::snd;
namespace report = kv::report;

namespace kvtest {

// Directory of the built programs (KOVENDI_BIN_DIR, set by CTest).
std::string bin_dir();
std::string program(const std::string& name);  // bin_dir() + "/" + name

using kv::testing::list_dir;
using kv::testing::read_file;
using kv::testing::read_lines;
using kv::testing::running_as_root;
using kv::testing::TempDir;

struct RunResult {
  int exit_code = -1;     // -1 when killed or not started
  double seconds = 0;     // how long it ran
  int signal = 0;         // signal that ended it, 0 when it exited
  std::string out;        // standard output
  std::string err;        // standard error
};

struct RunOptions {
  std::map<std::string, std::string> env;  // set in addition to a clean base environment
  std::vector<std::string> unset_env;      // removed from the base environment
  int timeout_seconds = 120;               // killed after this time
  std::string stdin_text;
  int send_signal = 0;                     // sent once, signal_after_ms after the start
  int signal_after_ms = 0;
};

// Runs `program` with `args` in `dir`. The base environment is the test's own without DISPLAY
// and TMP (so runs are headless and without a TMP directory unless a test sets one), with
// XDG_RUNTIME_DIR set to a directory of this test process (so the single-instance lock of one
// test never refuses the run of another).
RunResult run(const std::string& program, const std::vector<std::string>& args,
              const std::string& dir, const RunOptions& options = {});

// A program started in the background; wait() collects it (killed after the timeout).
class Background {
 public:
  Background(const std::string& program, const std::vector<std::string>& args,
             const std::string& dir, const RunOptions& options = {});
  ~Background();
  Background(const Background&) = delete;
  Background& operator=(const Background&) = delete;
  bool running();
  void signal(int signal_number);
  RunResult wait();
  int pid() const { return pid_; }

 private:
  int pid_ = -1;
  bool collected_ = false;
  RunResult result_;
  int timeout_seconds_ = 120;
};

// Runs a shell command line and returns what it printed on standard output.
std::string shell_output(const std::string& command);

void write_file(const std::string& path, const std::string& content);
bool file_exists(const std::string& path);

}  // namespace kvtest
