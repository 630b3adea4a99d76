// EDIFACT send requests: one work file and one send command per interchange.
#include "client/appfiles/edifact_scan.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <unordered_set>
#include <vector>

#include "client/appfiles/interchange_list.h"
#include "client/appfiles/interchange_splitter.h"
#include "client/appfiles/message_id.h"
#include "client/appfiles/request_text.h"
#include "client/appfiles/send_request.h"
#include "client/appfiles/snd_record.h"
#include "client/appfiles/translation.h"
#include "client/common/day_number.h"
#include "client/common/home.h"
#include "client/common/line_writer.h"
#include "client/common/open_files.h"
#include "client/common/run_intent.h"
#include "client/common/run_state.h"
#include "client/common/status_callbacks.h"
#include "client/common/text.h"
#include "platform/fs.h"

namespace kv {

namespace {

constexpr std::size_t kSegmentSearchLimit = 999;
constexpr std::size_t kReadBlock = 65536;

bool begins(const std::string& text, const char* tag) { return text.rfind(tag, 0) == 0; }

// --- segment values --------------------------------------------------------------------------

// Start of data element `n` (counted by unreleased "+" from the start of the segment), or npos
// when an unreleased "'" or the search limit comes first.
std::size_t element_start(const std::string& segment, int n) {
  int plus = 0;
  std::size_t limit = std::min(segment.size(), kSegmentSearchLimit);
  for (std::size_t i = 0; i < limit; ++i) {
    char c = segment[i];
    if (c == '?') {
      ++i;  // the next character is literal
      continue;
    }
    if (c == '\'') return std::string::npos;
    if (c == '+' && ++plus == n) return i + 1;
  }
  return std::string::npos;
}

// Text from `start` up to the first unreleased character of `stops` (or the end of the segment
// text, a line end included), raw: release characters stay in the value.
std::string value_until(const std::string& segment, std::size_t start, const char* stops) {
  if (start == std::string::npos) return "";
  std::size_t i = start;
  for (; i < segment.size(); ++i) {
    char c = segment[i];
    if (c == '\r' || c == '\n') break;
    if (c == '?') {
      if (i + 1 < segment.size() && segment[i + 1] != '\r' && segment[i + 1] != '\n') ++i;
      continue;
    }
    if (std::strchr(stops, c) != nullptr) break;
  }
  return segment.substr(start, i - start);
}

std::string cut(std::string text, std::size_t limit) {
  if (text.size() > limit) text.resize(limit);
  return text;
}

// --- the scan --------------------------------------------------------------------------------

// The next work-file name "KVsssnnn.edi" of the run. The names are the program's own, so they are
// exact; they are taken in series of a thousand, "KVsss000" to "KVsss999", each series recorded in
// the run's intent record before its first file is made: a run killed before its interchange list
// names them leaves no work file that its recovery cannot find. Empty when the series cannot be
// recorded.
std::string next_work_file_name(std::string& series, int& next) {
  constexpr int kSeriesLength = 1000;
  if (series.empty() || next >= kSeriesLength) {
    series = random_work_name("edi").substr(0, 5);
    next = 0;
    if (!record_intent(intent::kWorkSeries, fs::join(app_home().dir(), series))) return "";
  }
  return format("%s%03d.edi", series.c_str(), next++);
}

// The work file of one part: created new under a free name, written straight to its
// descriptor (the splitter hands the bytes on in blocks), closed when the part is complete.
class WorkFile {
 public:
  WorkFile() = default;
  WorkFile(const WorkFile&) = delete;
  WorkFile& operator=(const WorkFile&) = delete;
  WorkFile(WorkFile&& other) noexcept { *this = std::move(other); }
  WorkFile& operator=(WorkFile&& other) noexcept {
    close();
    name = std::move(other.name);
    path_ = std::move(other.path_);
    fd_ = other.fd_;
    failed_ = other.failed_;
    other.fd_ = -1;
    return *this;
  }
  ~WorkFile() { close(); }

  // Creates the next free work file of the run's series (next_work_file_name): a name already in
  // use is passed over by the creation itself, so no name is looked up first. False when none
  // could be created.
  bool create(std::string& series, int& next) {
    for (int attempt = 0; attempt < 1000000; ++attempt) {
      name = next_work_file_name(series, next);
      if (name.empty()) return false;
      path_ = fs::join(app_home().dir(), name);
      fd_ = fs::create_new_descriptor(path_, 0666);
      if (fd_ >= 0) return true;
      if (fs::last_failure().error != fs::kNameTaken) return false;
    }
    return false;
  }
  void write(const char* data, std::size_t length) {
    if (fd_ >= 0 && !fs::write_descriptor(fd_, data, length, path_)) failed_ = true;
  }
  // Closes; false when something did not reach the file.
  bool close() {
    if (fd_ < 0) return !failed_;
    const bool closed = fs::close_descriptor(fd_) == 0;
    fd_ = -1;
    return closed && !failed_;
  }

  std::string name;

 private:
  std::string path_;
  int fd_ = -1;
  bool failed_ = false;
};

class InterchangeScan : public InterchangeParts {
 public:
  InterchangeScan(Translation& tr, const std::string& command,
                  const std::vector<std::string>& block, bool block_has_subject,
                  const std::string& file, const SndRecord& base_record, int block_number)
      : tr_(tr),
        command_(command),
        block_(block),
        block_has_subject_(block_has_subject),
        file_(file),
        base_record_(base_record),
        block_number_(block_number) {}

  int run();

  void begin_part(bool interchange) override;
  void bytes(const char* data, std::size_t length) override { current_.write(data, length); }
  void header_segment(const std::string& unb) override { unb_ = parse_unb(unb); }
  void segment_after_header(const std::string& segment) override {
    if (begins(segment, "UNH+")) unh_ = parse_unh(segment);
  }
  void end_part(bool send) override;

 private:
  void write_send_command();
  std::vector<std::string> carried_lines(bool answer_written) const;
  WorkFile new_work_file();
  [[noreturn]] void fail();
  void abandon();

  Translation& tr_;
  const std::string& command_;
  const std::vector<std::string>& block_;
  bool block_has_subject_;
  const std::string& file_;
  const SndRecord& base_record_;
  int block_number_;

  WorkFile current_;
  UnbValues unb_;
  UnhValues unh_;
  int sent_ = 0;
  std::vector<std::string> list_lines_;  // written when the file is done, in file order
  std::vector<std::string> made_;         // work files made for this file
  std::string series_;                    // the series of work-file names in use
  int next_in_series_ = 0;
};

WorkFile InterchangeScan::new_work_file() {
  WorkFile w;
  if (!w.create(series_, next_in_series_)) {
    abandon();
    throw TranslationFailed{AppError::kEdifactWorkFileNotCreated, w.name};
  }
  made_.push_back(w.name);
  tr_.work_files.push_back(w.name);
  return w;
}

// Removes what this file has made so far (nothing of it has reached the list).
void InterchangeScan::abandon() {
  current_.close();
  for (const std::string& name : made_) fs::remove_file(fs::join(app_home().dir(), name));
  // The translation forgets them too: nothing of them is left to flush or to merge back.
  const std::unordered_set<std::string> gone(made_.begin(), made_.end());
  std::vector<std::string>& all = tr_.work_files;
  all.erase(std::remove_if(all.begin(), all.end(),
                           [&gone](const std::string& name) { return gone.count(name) != 0; }),
            all.end());
  made_.clear();
}

void InterchangeScan::fail() {
  abandon();
  throw TranslationFailed{AppError::kEdifactDiskFull, file_};
}

// Every part of the file gets a work file: an interchange to be sent, or a part kept back (text
// outside the interchanges, an interchange without UNZ) that goes back to the application's file
// after the session through the interchange list.
void InterchangeScan::begin_part(bool interchange) {
  if (interchange) busy_indicator();
  current_ = new_work_file();
  unb_ = UnbValues{};
  unh_ = UnhValues{};
}

std::vector<std::string> InterchangeScan::carried_lines(bool answer_written) const {
  // The request's own attributes that make sense for every interchange; the ones the scan
  // writes itself (or that address a recipient, which an EDIFACT request cannot have) are left.
  static const char* const kNeverCarried[] = {"FIL", "SUB", "DEL", "IRP", "MID", "APP",
                                              "PRI", "BCO", "CCO"};
  std::vector<std::string> lines;
  for (const std::string& line : block_) {
    bool excluded = false;
    for (const char* keyword : kNeverCarried) excluded = excluded || line_begins(line, keyword);
    if (line_begins(line, "ANS") && answer_written) excluded = true;
    if (!excluded) lines.push_back(line);
  }
  return lines;
}

void InterchangeScan::write_send_command() {
  SndRecord record = base_record_;
  std::string subject;
  if (block_has_subject_) {
    subject = record.str(snd::kSubject);
  } else {
    subject = unb_.control_reference + "," + unh_.message_reference;
    record.set(snd::kSubject, subject);
  }
  std::string id = interchange_message_id(unh_, tr_.application_code());
  vul_message_id(id);

  // The command goes to the command file in one write; the streams are flushed once the whole
  // file is split (run()), so that an interchange costs no more than its own work file.
  std::string command = command_ + "\n";
  const auto add = [&command](const std::string& line) { command += line + "\n"; };
  add("ALI=" + unb_.recipient);
  add("FIL=" + current_.name);
  add("SUB=" + subject);
  add("MID=" + id);
  std::string in_reply_to = record.str(snd::kInReplyTo);
  if (in_reply_to.empty()) in_reply_to = unb_.recipient_reference;
  if (!in_reply_to.empty()) add("IRP=" + in_reply_to);
  bool answer_written = false;
  std::string priority = record.str(snd::kPriority);
  if (!priority.empty()) {
    add("PRI=" + priority);
  } else if (equals_ignore_case(unb_.priority, "A")) {
    add("PRI=3");
    add("ANS");
    answer_written = true;
  }
  add("DEL");
  for (const std::string& line : carried_lines(answer_written)) add(line);
  tr_.write_text(command);
  record.set(snd::kFirstFile, current_.name);
  record.set(snd::kAlias, unb_.recipient);
  record.set(snd::kMessageId, id);
  record.set(snd::kDelete, "1");
  if (!write_line(tr_.snd.get(), record.line(), "qrtlnk.snd")) fail();
}

void InterchangeScan::end_part(bool send) {
  if (!current_.close()) fail();
  if (!send) {
    list_lines_.push_back(interchange_list_line(file_, current_.name, ""));
    return;
  }
  write_send_command();
  list_lines_.push_back(interchange_list_line(file_, current_.name, std::to_string(block_number_)));
  ++sent_;
}

int InterchangeScan::run() {
  OpenFile in(app_home().open(file_, "rb"));
  if (!in) throw TranslationFailed{AppError::kFileOrDirectoryMissing, file_};
  InterchangeSplitter splitter(*this);
  std::vector<char> buffer(kReadBlock);
  bool interchange_file = true;
  for (;;) {
    std::size_t got = std::fread(buffer.data(), 1, buffer.size(), in.get());
    if (got == 0) break;
    if (!splitter.feed(buffer.data(), got)) {
      interchange_file = false;
      break;
    }
  }
  if (interchange_file) interchange_file = splitter.finish();
  in.close();
  if (!interchange_file || sent_ == 0) {
    abandon();
    return -1;  // not an interchange file, or not one complete interchange in it
  }
  // What did not reach the command file or the send queue fails the whole file.
  if (!fs::flush_stream(tr_.out, tr_.command_file).ok() ||
      !fs::flush_stream(tr_.snd.get(), "qrtlnk.snd").ok()) {
    fail();
  }
  if (tr_.interchange_list) {
    std::string lines;
    for (const std::string& line : list_lines_) lines += line + "\n";
    const std::string& list = run_state().interchange_list;
    if (fs::write_stream(tr_.interchange_list.get(), lines, list) != lines.size() ||
        !fs::flush_stream(tr_.interchange_list.get(), list).ok()) {
      fail();
    }
  }
  return 1;
}

// Counts the interchanges that a scan would send, writing nothing.
class InterchangeCount : public InterchangeParts {
 public:
  void begin_part(bool) override {}
  void bytes(const char*, std::size_t) override {}
  void header_segment(const std::string&) override {}
  void segment_after_header(const std::string&) override {}
  void end_part(bool send) override { sent += send ? 1 : 0; }
  int sent = 0;
};

}  // namespace

// --- public ------------------------------------------------------------------------------------

bool passes_text_test(const std::string& file) {
  OpenFile f(app_home().open(file, "rb"));
  if (!f) return false;
  // A UTF-8 byte-order mark in front marks the text as text; the test applies after it.
  unsigned char bytes[103];
  std::size_t got = std::fread(bytes, 1, sizeof bytes, f.get());
  std::size_t start = got >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF ? 3 : 0;
  got = std::min(got, start + 100);
  for (std::size_t i = start; i < got; ++i) {
    unsigned char c = bytes[i];
    if (c != '\r' && c != '\n' && (c < 32 || c > 165)) return false;
  }
  return true;
}

EdifactSendCheck is_edifact_zend(const std::vector<std::string>& block) {
  static const char* const kAddressing[] = {"COU", "ADM", "PMD", "ORG", "OUA", "OUB", "OUC",
                                            "OUD", "SUR", "GIV", "INI", "GQU", "DTA", "DVA",
                                            "DTB", "DVB", "DTC", "DVC", "DTD", "DVD", "ALI",
                                            "DIF", "DIS"};
  EdifactSendCheck check;
  bool readable_file = false;
  bool edi_identifier = false;
  for (const std::string& line : block) {
    for (const char* keyword : kAddressing) {
      if (line_begins(line, keyword)) return EdifactSendCheck{};
    }
    std::string keyword = attribute_keyword(line);
    if (keyword == "FIL=") {
      std::string name = attribute_value(line);
      if (app_home().access(name, 4) == 0) {
        if (!passes_text_test(name)) return EdifactSendCheck{};
        readable_file = true;
      }
    } else if (keyword == "MID=") {
      if (!line_begins(attribute_value(line), "EDI")) return EdifactSendCheck{};
      edi_identifier = true;
    } else if (keyword == "SUB=") {
      check.has_subject = true;
    }
  }
  check.qualifies = readable_file && edi_identifier;
  return check;
}

UnbValues parse_unb(const std::string& segment) {
  UnbValues v;
  std::string recipient = value_until(segment, element_start(segment, 3), "+'");
  trim_trailing(recipient);
  v.recipient = cut(recipient, 50);
  v.control_reference = cut(value_until(segment, element_start(segment, 5), "+'"), 14);
  std::size_t reference = element_start(segment, 6);
  std::string first = value_until(segment, reference, "+':");
  std::size_t after = reference == std::string::npos ? reference : reference + first.size();
  if (after != std::string::npos && segment.compare(after, 3, ":AA") == 0) {
    v.recipient_reference = cut(first, 14);
  }
  std::size_t priority = element_start(segment, 8);
  if (priority != std::string::npos && priority < segment.size()) {
    char c = segment[priority];
    if (c != '+' && c != '\'' && c != ':' && c != '\r' && c != '\n') v.priority = std::string(1, c);
  }
  return v;
}

UnhValues parse_unh(const std::string& segment) {
  UnhValues v;
  v.message_reference = cut(value_until(segment, element_start(segment, 1), "+'"), 14);
  std::size_t type = element_start(segment, 2);
  std::string type_value = value_until(segment, type, ":'+");
  v.message_type = cut(type_value, 6);
  if (type == std::string::npos) return v;
  // Fifth component: after three more ":" following the first component.
  std::size_t at = type + type_value.size();
  for (int colon = 0; colon < 4; ++colon) {
    if (at >= segment.size() || segment[at] != ':') return v;
    std::string component = value_until(segment, at + 1, ":'+");
    if (colon == 3) {
      if (component.size() == 3) v.association_code = component;
      return v;
    }
    at += 1 + component.size();
  }
  return v;
}

std::string interchange_message_id(const UnhValues& unh, const std::string& application_code) {
  std::string code = application_code.substr(0, 3);
  if (!unh.association_code.empty()) return "EDI" + unh.association_code + code;
  const std::string& type = unh.message_type;
  for (const char* bank : {"INCASS", "BETAAL", "FINRAP", "OPDBRF"}) {
    if (equals_ignore_case(type, bank)) return "EDIBNK" + code;
  }
  if (equals_ignore_case(type, "INSPPI")) return "EDIPPI" + code;
  if (starts_with_ignore_case(type, "RDW")) return "EDIRDW" + code;
  return "EDIINS" + code;
}

bool is_interchange_file(const std::string& file) {
  OpenFile in(app_home().open(file, "rb"));
  if (!in) return false;
  InterchangeCount count;
  InterchangeSplitter splitter(count);
  std::vector<char> buffer(kReadBlock);
  for (;;) {
    std::size_t got = std::fread(buffer.data(), 1, buffer.size(), in.get());
    if (got == 0) break;
    if (!splitter.feed(buffer.data(), got)) return false;
  }
  return splitter.finish() && count.sent > 0;
}

int scan_interchanges(Translation& tr, const std::string& command,
                      const std::vector<std::string>& block, bool block_has_subject,
                      const std::string& edifact_file, const SndRecord& base_record,
                      int block_number) {
  InterchangeScan scan(tr, command, block, block_has_subject, edifact_file, base_record,
                       block_number);
  return scan.run();
}

bool scan_edifact_block(Translation& tr, const std::string& command, const SendRequest& request,
                        const EdifactSendCheck& check, int block_number) {
  const std::vector<std::string>& files = request.files();
  // With several files, every one must be an interchange file before anything is written, so
  // that a refusal of a later file cannot send the earlier interchanges twice.
  if (files.size() > 1) {
    for (const std::string& file : files) {
      if (app_home().access(file, 0) != 0)
        throw TranslationFailed{AppError::kFileOrDirectoryMissing, file};
      if (!is_interchange_file(file)) return false;
    }
  }
  // The fields that every interchange of the block shares.
  const SndRecord record = request.shared_record(tr.record_application(), current_time_stamp());
  for (const std::string& file : files) {
    if (scan_interchanges(tr, command, request.lines(), check.has_subject, file, record,
                          block_number) < 0) {
      return false;
    }
  }
  return true;
}

}  // namespace kv
