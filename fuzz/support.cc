// Support for the fuzz targets.
#include "fuzz/support.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "client/common/abort.h"
#include "client/common/home.h"
#include "client/common/journal.h"
#include "client/common/open_files.h"
#include "client/common/run_state.h"
#include "platform/testing/temp_dir.h"

namespace kvfuzz {

void invariant_broken(const char* what, const char* file, int line) {
  std::fprintf(stderr, "invariant broken at %s:%d: %s\n", file, line, what);
  std::abort();
}

std::vector<std::string> split_input(const std::string& input, const std::string& separator) {
  const std::string::size_type at = input.find(separator);
  if (at == std::string::npos) return {input, ""};
  return {input.substr(0, at), input.substr(at + separator.size())};
}

const std::string& fresh_home() {
  static kv::testing::TempDir dir;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path(), ec)) {
    std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(entry.path(), ec);
  }
  kv::close_all_open_files();
  kv::reset_run_state();
  kv::RunState& state = kv::run_state();
  state.home_dir = dir.path();
  state.start_dir = dir.path();
  state.program_dir = dir.path();
  kv::app_home().set(dir.path());
  kv::engine_home().set(dir.path());
  kv::set_abort_cleanup(nullptr);
  kv::journal_settings() = kv::JournalSettings{};
  kv::journal_settings().enabled = false;
  return dir.path();
}

void write_home_file(const std::string& name, const std::string& content) {
  std::ofstream(kv::app_home().dir() + "/" + name, std::ios::binary) << content;
}

std::string read_home_file(const std::string& name) {
  std::ifstream in(kv::app_home().dir() + "/" + name, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

bool home_file_exists(const std::string& name) {
  return std::filesystem::exists(kv::app_home().dir() + "/" + name);
}

std::vector<std::string> lines_of(const std::string& text, bool with_empty) {
  std::vector<std::string> lines;
  std::string line;
  auto keep = [&lines, with_empty](std::string& l) {
    if (!l.empty() && l.back() == '\r') l.pop_back();
    if (!l.empty() || with_empty) lines.push_back(l);
    l.clear();
  };
  for (char c : text) {
    if (c == '\n') {
      keep(line);
    } else {
      line += c;
    }
  }
  if (!line.empty()) keep(line);
  return lines;
}

bool is_subsequence(const std::vector<std::string>& part, const std::vector<std::string>& whole) {
  std::size_t at = 0;
  for (const std::string& line : part) {
    while (at < whole.size() && whole[at] != line) ++at;
    if (at == whole.size()) return false;
    ++at;
  }
  return true;
}

}  // namespace kvfuzz
