// The client's own files.
#include "client/appfiles/own_files.h"

#include <cctype>
#include <vector>

#include "client/appfiles/rcv_record.h"
#include "client/appfiles/request_text.h"
#include "client/common/abort.h"
#include "client/common/error_file.h"
#include "client/common/file_rewrite.h"
#include "client/common/home.h"
#include "client/common/line_reader.h"
#include "client/common/open_files.h"
#include "client/common/run_state.h"
#include "client/common/text.h"
#include "platform/fs.h"

namespace kv {

namespace {

// The files of the client under their fixed names in the home directory.
constexpr const char* kFixedOwnFiles[] = {
    kReceiveStore, "qrtlnk.snd", "qrtlnk.sav",   "qrtlnk.bsy",         "qrtlnk.sts",
    "qrtlnk.err",  "qrtlnk.gns", "qrtlnk.scr",   "qrt_lnk.old",        "$qrt400.prm",
    "qrt400.log",  "debug.log",  "scriptin.dir", "kovendi-client.log", "kovedial.txt"};

// `candidate` is a path through real_path().
bool leads_to(const std::string& candidate, const std::string& own_name) {
  const std::string own = app_home().fullpath(own_name);
  return fs::same_file(candidate, own) || equals_ignore_case(candidate, fs::real_path(own));
}

bool all_digits(const std::string& text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

// "KVnnnnnn.ext" (work files), "QLX_ddmm.nnn" (set-aside copies), and the temporaries of a
// rewrite and of the error reserve.
bool is_work_or_copy_name(const std::string& name) {
  const std::string upper = to_upper(name);
  if (upper.size() > 9 && upper.compare(0, 2, "KV") == 0 && all_digits(upper.substr(2, 6)) &&
      upper[8] == '.') {
    return true;
  }
  if (upper.size() == 12 && upper.compare(0, 4, "QLX_") == 0 && all_digits(upper.substr(4, 4)) &&
      upper[8] == '.' && all_digits(upper.substr(9, 3))) {
    return true;
  }
  return is_rewrite_temporary(upper) || is_error_reserve(upper);
}

bool in_directory(const std::string& candidate, const std::string& dir) {
  return !dir.empty() && equals_ignore_case(fs::dir_name(candidate), fs::real_path(dir));
}

// A work or copy file in the home directory or the TMP directory, whether it exists or not.
bool is_work_or_copy_file(const std::string& candidate) {
  if (!is_work_or_copy_name(fs::last_component(candidate))) return false;
  const std::string& tmp = run_state().tmp_dir;
  return in_directory(candidate, app_home().dir()) ||
         in_directory(candidate, tmp.empty() ? "" : app_home().fullpath(tmp));
}

// The value of the first line "key=value" (key in any case) of a file of the home directory.
std::string setting(const std::string& file, const std::string& key) {
  OpenFile f(app_home().open(file, "rb"));
  if (!f) return "";
  std::string line;
  while (read_whole_line(f.get(), line)) {
    trim_trailing(line);
    if (starts_with_ignore_case(line, key + "=")) return line.substr(key.size() + 1);
  }
  return "";
}

// The message store that the user file names (SRV=file:DIRECTORY); empty when it names none.
std::string message_store_dir() {
  const std::string server = setting("qrtlnk.gns", "SRV");
  if (!starts_with_ignore_case(server, "file:") || server.size() == 5) return "";
  return fs::real_path(app_home().fullpath(server.substr(5)));
}

bool inside(const std::string& candidate, const std::string& dir) {
  if (dir.empty()) return false;
  return equals_ignore_case(candidate, dir) ||
         (candidate.size() > dir.size() && candidate[dir.size()] == '/' &&
          equals_ignore_case(candidate.substr(0, dir.size()), dir));
}

bool is_stored_part_file(const std::string& candidate) {
  const std::string wanted = base_name(candidate);
  OpenFile store(app_home().open(kReceiveStore, "rb"));
  if (!store) return false;
  LineReader reader(store.get());
  TextLine line;
  while (reader.next(line)) {
    const RcvRecord record(line.text);
    const std::string first = record.str(rcv::kFirstFile);
    if (first.empty()) continue;
    const int count = rcv_file_count(record);
    for (int k = 1; k <= count; ++k) {
      const std::string part = k == 1 ? first : part_file_name(first, k);
      // Only a name that can match is resolved: the store may hold many records.
      if (equals_ignore_case(base_name(part), wanted) && leads_to(candidate, part)) return true;
    }
  }
  return false;
}

// The names of the client's files for this run; the file of `use` itself is left out.
std::vector<std::string> own_names(OwnFileUse use) {
  const RunState& run = run_state();
  std::vector<std::string> names;
  for (const char* name : kFixedOwnFiles) {
    if (use == OwnFileUse::kStatusFile && equals_ignore_case(name, "qrtlnk.sts")) continue;
    if (use == OwnFileUse::kCommandFile && equals_ignore_case(name, "qrtlnk.scr")) continue;
    names.push_back(name);
  }
  if (use != OwnFileUse::kStatusFile) names.push_back(run.status_file);
  // In update mode the command file is the application's own file of /U=.
  if (use != OwnFileUse::kCommandFile && !run.update_mode) names.push_back(run.command_file);
  const std::string journal = setting("$qrt400.prm", "LOGFILE");
  if (!journal.empty()) names.push_back(journal);
  return names;
}

}  // namespace

bool is_own_file(const std::string& name, OwnFileUse use) {
  const std::string candidate = fs::real_path(app_home().fullpath(name));
  for (const std::string& own_name : own_names(use)) {
    if (!own_name.empty() && leads_to(candidate, own_name)) return true;
  }
  return is_work_or_copy_file(candidate) || inside(candidate, message_store_dir()) ||
         is_stored_part_file(candidate);
}

void refuse_own_file(const std::string& name, AppError error, OwnFileUse use) {
  if (is_own_file(name, use)) fail_run(error);
}

void refuse_own_files_as_run_files(const std::string& command_file,
                                   const std::string& status_file) {
  if (is_own_file(status_file, OwnFileUse::kStatusFile)) {
    fail_run(AppError::kUnknownParameter, "/S=" + to_upper(status_file));
  }
  if (is_own_file(command_file, OwnFileUse::kCommandFile)) {
    fail_run(AppError::kUnknownParameter, "/O=" + to_upper(command_file));
  }
}

}  // namespace kv
