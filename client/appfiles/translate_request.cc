// Request translation: the application's request in the command file becomes, in place, the
// command file that the engine reads.
#include <algorithm>
#include <filesystem>
#include <new>

#include "client/appfiles/edifact_scan.h"
#include "client/appfiles/entry_points.h"
#include "client/appfiles/private_file.h"
#include "client/appfiles/request_text.h"
#include "client/appfiles/scriptin_layout.h"
#include "client/appfiles/send_request.h"
#include "client/appfiles/translation.h"
#include "client/appfiles/user_file_pin.h"
#include "client/common/abort.h"
#include "client/common/append_file.h"
#include "client/common/error_file.h"
#include "client/common/file_rewrite.h"
#include "client/common/home.h"
#include "client/common/line_reader.h"
#include "client/common/line_writer.h"
#include "client/common/pin_scramble.h"
#include "client/common/run_state.h"
#include "client/common/status_callbacks.h"
#include "client/common/text.h"
#include "platform/fs.h"

namespace kv {

namespace {

// Length of a file before the translation appended to it (-1: it did not exist), so that a
// failed translation can cut it back.
struct FileMark {
  std::string name;
  long long length = -1;
};

FileMark mark(const std::string& name) {
  FileMark m{name, -1};
  long long size = 0;
  if (!name.empty() && app_home().stat(name, &size) == 0) m.length = size;
  return m;
}

void cut_back(const FileMark& m) {
  if (!m.name.empty()) app_home().cut_back(m.name, m.length);
}

// The files a translation appends to, marked before it starts.
struct AppendedFiles {
  FileMark snd = mark("qrtlnk.snd");
  FileMark sav = mark("qrtlnk.sav");
  FileMark list = mark(run_state().interchange_list);

  void cut_back_all(Translation& tr) const {
    tr.snd.close();
    tr.sav.close();
    tr.interchange_list.close();
    cut_back(snd);
    cut_back(sav);
    cut_back(list);
    for (const std::string& work : tr.work_files) fs::remove_file(fs::join(app_home().dir(), work));
    tr.work_files.clear();
  }
};

OpenFile open_for_appending(const std::string& name) {
  OpenFile f(open_for_appending_lines(app_home().fullpath(name)));
  if (!f) throw TranslationFailed{AppError::kTooLittleDiskSpace, name};
  return f;
}

// The normal run reserves the interchange list before the translation; should it not have, one
// is reserved here, so that interchanges that are not sent always find their way back.
void ensure_interchange_list() {
  if (!run_state().interchange_list.empty()) return;
  std::string name = app_home().unique_work_name("tmp", run_state().tmp_dir);
  OpenFile created(app_home().open(name, "wb"));
  if (created) run_state().interchange_list = name;
}

// The send queue and its block copies are created by the first send request, so that a run
// that sends nothing leaves neither file behind.
void open_send_files(Translation& tr) {
  if (!tr.snd) tr.snd = open_for_appending("qrtlnk.snd");
  if (!tr.sav) tr.sav = open_for_appending("qrtlnk.sav");
}

// Send blocks are numbered by their place in QRTLNK.SAV, which holds only this run's blocks: a
// translation that appends to the file goes on from the blocks already there.
int blocks_in_send_copies() {
  OpenFile f(app_home().open("qrtlnk.sav", "rb"));
  int blocks = 0;
  std::string line;
  while (f && read_whole_line(f.get(), line)) {
    if (is_command_line(line)) ++blocks;
  }
  return blocks;
}

void open_appended_files(Translation& tr) {
  tr.send_blocks = blocks_in_send_copies();
  if (!run_state().interchange_list.empty()) {
    tr.interchange_list = open_for_appending(run_state().interchange_list);
  }
}

// Closes a stream and reports whether everything written reached the file.
bool close_checked(OpenFile& f, const std::string& path) {
  if (!f) return true;
  bool ok = std::ferror(f.get()) == 0 && fs::flush_stream(f.get(), path).ok();
  return f.close() == 0 && ok;
}

// What a killed or powerless run's recovery relies on goes to disk in one batch once everything is
// written: the interchange work files and their list (from which the application's EDIFACT files
// are rebuilt after the session) and the records of the sends.
void flush_appended_files(Translation& tr) {
  std::vector<std::string> paths;
  // The work files are the program's own, their names exact: nothing is looked up.
  for (const std::string& work : tr.work_files) paths.push_back(app_home().own_file_path(work));
  if (!run_state().interchange_list.empty()) {
    paths.push_back(app_home().fullpath(run_state().interchange_list));
  }
  for (const char* name : {"qrtlnk.snd", "qrtlnk.sav"}) {
    if (app_home().access(name, 0) == 0) paths.push_back(app_home().fullpath(name));
  }
  if (!fs::sync_files(paths).ok())
    throw TranslationFailed{AppError::kTooLittleDiskSpace, "qrtlnk.snd"};
}

void close_appended_files(Translation& tr) {
  if (!close_checked(tr.snd, "qrtlnk.snd")) throw TranslationFailed{AppError::kTooLittleDiskSpace, "qrtlnk.snd"};
  if (!close_checked(tr.sav, "qrtlnk.sav")) throw TranslationFailed{AppError::kTooLittleDiskSpace, "qrtlnk.sav"};
  if (!close_checked(tr.interchange_list, run_state().interchange_list)) {
    throw TranslationFailed{AppError::kTooLittleDiskSpace, run_state().interchange_list};
  }
}

// The PIN= line of the user file as it goes into the command file: a scrambled value is
// unscrambled, a plain one is copied.
bool is_plain_pin_line(const std::string& line) {
  return line.size() < 5 || static_cast<unsigned char>(line[4]) < 128;
}

// A plain password that the scrambling of qrtlnk.gns could not keep would work once and lock the
// user out afterwards: it is refused before any log-in (and before anything is scrambled).
void refuse_unkeepable_pin(const std::string& value) {
  if (!scrambling_keeps(value)) throw TranslationFailed{AppError::kPinNotKeepable, ""};
}

// Writes the CONNECT block from qrtlnk.gns. A plain PIN= value is then scrambled in the user
// file, which is replaced in one step (every other byte stays as it was). When the user file
// cannot be written (a protected file), it is only read: the command file still gets its
// CONNECT block.
void write_connect_block(Translation& tr) {
  OpenFile gns(app_home().open("qrtlnk.gns", "rb"));
  if (!gns) return;
  tr.write("*000CONNECT");
  std::string line;
  bool plain_pin = false;
  while (read_whole_line(gns.get(), line)) {
    if (line.empty()) continue;
    if (!line_begins(line, "PIN=")) {
      tr.write(line);
      continue;
    }
    std::string value = attribute_value(line);
    if (!is_plain_pin_line(line)) {
      unscramble_pin(value);
      tr.write("PIN=" + value);
      continue;
    }
    refuse_unkeepable_pin(value);
    tr.write(line);
    plain_pin = plain_pin || !value.empty();
  }
  gns.close();
  // The rewrite also takes the rights of others away: the scrambling is no enciphering.
  if (plain_pin && app_home().access("qrtlnk.gns", 2) == 0) scramble_user_file_pins();
}

// Step 5 of the block loop: the PIN= and report-pattern changes of an ordinary line.
std::string adjust_line(Translation& tr, const std::string& line) {
  if (line_begins(line, "PIN=")) {
    std::string value = attribute_value(line);
    if (is_plain_pin_line(line)) {
      // Also a new password of WACHTWOORD, which qrtlnk.gns receives scrambled.
      refuse_unkeepable_pin(value);
      value = to_upper(value);
    } else {
      unscramble_pin(value);
    }
    return "PIN=" + value;
  }
  if (tr.rapport_state && line_begins(line, "MID=EDI")) {
    tr.rapport_state = false;
    return apply_report_pattern(line, tr.app_id);
  }
  return line;
}

void check_first_line_length(const std::string& line) {
  if (line.size() >= kRequestLineLimit) throw TranslationFailed{AppError::kRequestHasNoRecords, ""};
}

}  // namespace

// --- RequestReader -------------------------------------------------------------------------

bool RequestReader::next(std::string& line) {
  if (!pending_.empty()) {
    line = std::move(pending_.front());
    pending_.pop_front();
    return true;
  }
  return read_whole_line(in_, line);
}

std::vector<std::string> RequestReader::read_block() {
  std::vector<std::string> block;
  std::string line;
  while (next(line)) {
    if (is_command_line(line)) {
      pending_.push_front(std::move(line));
      break;
    }
    block.push_back(std::move(line));
  }
  return block;
}

void RequestReader::put_back(const std::vector<std::string>& lines) {
  pending_.insert(pending_.begin(), lines.begin(), lines.end());
}

// --- Translation ---------------------------------------------------------------------------

void Translation::write(const std::string& line) {
  if (!write_line(out, line, command_file))
    throw TranslationFailed{AppError::kTooLittleDiskSpace, command_file};
}

void Translation::write_text(const std::string& text) {
  if (out == nullptr || fs::write_stream(out, text, command_file) != text.size())
    throw TranslationFailed{AppError::kTooLittleDiskSpace, command_file};
}

std::string Translation::application_code() const { return app_id == "   " ? "STD" : app_id; }

std::string Translation::record_application() const { return app_id == "   " ? "" : app_id; }

// --- block loop ----------------------------------------------------------------------------

void translate_send_request(Translation& tr, const std::string& command,
                            const std::vector<std::string>& block) {
  std::string saved_app_id = tr.app_id;
  open_send_files(tr);
  write_line(tr.sav.get(), command, "qrtlnk.sav");
  for (const std::string& line : block) write_line(tr.sav.get(), line, "qrtlnk.sav");
  int block_number = ++tr.send_blocks;

  const SendRequest request(block);
  bool handled = false;
  EdifactSendCheck check = is_edifact_zend(block);
  if (check.qualifies) {
    for (const std::string& line : block) {
      if (attribute_keyword(line) != "APP=") continue;
      if (attribute_value(line).size() == 3) tr.app_id = attribute_value(line);
      break;
    }
    handled = scan_edifact_block(tr, command, request, check, block_number);
  }
  if (!handled) translate_plain_send(tr, command, request);
  tr.app_id = saved_app_id;
}

void vertaal_blokken(Translation& tr, RequestReader& reader, std::string line) {
  for (bool have = true; have; have = reader.next(line)) {
    busy_indicator();
    if (is_command_line(line)) tr.rapport_state = false;
    if (is_command(line, "ZEND")) {
      std::vector<std::string> block = reader.read_block();
      translate_send_request(tr, line, block);
      continue;
    }
    if (is_command(line, "RAPPORT") && tr.directory_mode == 1) tr.rapport_state = true;
    if (is_command(line, "ONTVANG")) {
      std::vector<std::string> block = reader.read_block();
      // After a rewrite the next command line is translated like any other.
      if (rewrite_edi_receive(tr, line, block)) continue;
      reader.put_back(block);
    }
    tr.write(adjust_line(tr, line));
  }
}

// --- entry points --------------------------------------------------------------------------

void vertaal_opdrachten(const std::string& command_file) {
  ensure_interchange_list();
  // The request is translated into a new command file that replaces it in one step; the
  // set-aside copy is made as before (error 30 inside).
  FileRewrite rewrite;
  if (!rewrite.begin(command_file, {.create_when_missing = true,
                                    .set_aside = true,
                                    .new_file_mode = kPrivateFileMode,
                                    .keep_mode = false})) {
    fail_run(AppError::kTemporaryFileNotCreated);
  }
  Translation tr;
  tr.command_file = command_file;
  tr.app_id = run_state().app_id;
  AppendedFiles marks;
  try {
    try {
      tr.out = rewrite.out();
      open_appended_files(tr);

      std::string first;
      std::FILE* in = rewrite.in();
      bool have = in != nullptr && read_whole_line(in, first);
      if (have) check_first_line_length(first);
      if (!have || !is_command(first, "CONNECT")) write_connect_block(tr);
      if (have) {
        RequestReader reader(in);
        vertaal_blokken(tr, reader, first);
      }
      close_appended_files(tr);
      flush_appended_files(tr);
      if (!rewrite.commit()) throw TranslationFailed{AppError::kTooLittleDiskSpace, command_file};
    } catch (const std::bad_alloc&) {
      throw TranslationFailed{AppError::kNoMemory, "aanvragen geheugen record (QRTLNK8)"};
    }
  } catch (const TranslationFailed& failure) {
    rewrite.abandon();
    marks.cut_back_all(tr);
    fail_run(failure.code, failure.parameter);
  }
}

// --- scriptin.dir ----------------------------------------------------------------------------

namespace {

constexpr std::size_t kScriptinLineLimit = 65;

bool wildcard_matches(const std::string& pattern, const std::string& name) {
  // Iterative "*" / "?" matching without regard to case; linear in practice.
  std::size_t p = 0, n = 0, star = std::string::npos, resume = 0;
  auto same = [](char a, char b) { return to_upper(std::string(1, a)) == to_upper(std::string(1, b)); };
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || same(pattern[p], name[n]))) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      resume = n;
    } else if (star != std::string::npos) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

// Files of this run that a careless pattern must never pick up (and then remove).
bool is_run_file(const std::string& path, const std::string& command_file) {
  std::string base = to_upper(base_name(path));
  if (path == app_home().fullpath(command_file)) return true;
  if (path == app_home().fullpath(run_state().status_file)) return true;
  if (!run_state().interchange_list.empty() &&
      path == app_home().fullpath(run_state().interchange_list)) {
    return true;
  }
  return base.rfind("QRTLNK.", 0) == 0 || base == "SCRIPTIN.DIR" || base == "QRT_LNK.OLD" ||
         base.rfind("QLX_", 0) == 0 || base == "$QRT400.PRM" || is_error_reserve(base) ||
         is_rewrite_temporary(base);
}

// The request files that one scriptin.dir line names, in byte order of their names.
std::vector<std::string> request_files(const std::string& entry, const std::string& command_file) {
  std::string pattern = fs::to_slashes(ScriptinRecord(entry).str(scriptin::kPathPattern));
  std::size_t slash = pattern.rfind('/');
  std::vector<std::string> files;
  if (slash == std::string::npos || (slash == 0 && pattern.size() == 1)) return files;
  std::string dir = app_home().fullpath(slash == 0 ? "/" : pattern.substr(0, slash));
  std::string name_pattern = pattern.substr(slash + 1);
  for (const std::string& name : fs::list_directory(dir)) {
    if (name == "." || name == ".." || !wildcard_matches(name_pattern, name)) continue;
    std::string path = fs::join(dir, name);
    if (fs::is_directory(path) || is_run_file(path, command_file)) continue;
    files.push_back(path);
  }
  return files;
}

std::string entry_app_id(const std::string& entry) {
  if (!entry.empty() && entry[0] == '|') return "   ";
  std::string id = entry.substr(0, 3);
  id.resize(3, ' ');
  return id;
}

// Translates one request file; false when it could not be opened (it is then left alone).
bool translate_request_file(Translation& tr, const std::string& path) {
  OpenFile in(app_home().open(path, "rb"));
  if (!in) return false;
  std::string first;
  if (!read_whole_line(in.get(), first)) return true;
  check_first_line_length(first);
  if (!is_command_line(first)) tr.write("*001");
  RequestReader reader(in.get());
  vertaal_blokken(tr, reader, first);
  return true;
}

}  // namespace

void vertaal_scriptin(const std::string& command_file) {
  OpenFile dir(app_home().open("scriptin.dir", "rb"));
  if (!dir) return;
  ensure_interchange_list();
  Translation tr;
  tr.command_file = command_file;
  tr.directory_mode = 1;
  AppendedFiles marks;
  FileMark command_mark = mark(command_file);
  std::vector<std::string> translated;  // removed only once everything is safely written
  OpenFile out;
  try {
    try {
      create_private_file(command_file);
      out = app_home().open(command_file, "ab");
      if (!out) throw TranslationFailed{AppError::kTooLittleDiskSpace, command_file};
      tr.out = out.get();
      open_appended_files(tr);
      std::string entry;
      int rc = read_line(entry, dir.get(), kScriptinLineLimit);
      if (rc == -2) throw TranslationFailed{AppError::kRequestHasNoRecords, ""};
      for (; rc == 0; rc = read_line(entry, dir.get(), kScriptinLineLimit)) {
        busy_indicator();
        trim_trailing(entry);
        for (const std::string& path : request_files(entry, command_file)) {
          // A file that two entries name is translated once (it is removed only at the end).
          if (std::find(translated.begin(), translated.end(), path) != translated.end()) continue;
          tr.app_id = entry_app_id(entry);
          tr.rapport_state = false;
          if (translate_request_file(tr, path)) translated.push_back(path);
        }
      }
      // A later line of 65 characters or more is not a usable entry: the rest of the file is
      // not read (read_line would hand out its tail as a line of its own).
      close_appended_files(tr);
      flush_appended_files(tr);
      if (!close_checked(out, command_file)) throw TranslationFailed{AppError::kTooLittleDiskSpace, command_file};
      if (!fs::sync_files({app_home().fullpath(command_file)}).ok()) {
        throw TranslationFailed{AppError::kTooLittleDiskSpace, command_file};
      }
    } catch (const std::bad_alloc&) {
      throw TranslationFailed{AppError::kNoMemory, "aanvragen geheugen record (QRTLNK8)"};
    }
  } catch (const TranslationFailed& failure) {
    out.close();
    dir.close();
    marks.cut_back_all(tr);
    cut_back(command_mark);
    fail_run(failure.code, failure.parameter);
  }
  dir.close();
  for (const std::string& path : translated) app_home().remove_work_file(path);
}

}  // namespace kv
