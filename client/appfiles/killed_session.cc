// Recovery of a killed run's session, and the answers of later sessions:
//  - A send recorded (SEND) but not settled (no SENT after it) may or may not have reached the
//    service: its records stay open and its interchange work file stays aside, its status lines
//    (if any were written) are taken out, and a question asks the next session.
//  - An item recorded as being fetched (FETCH) with no status line of its command after it was
//    marked read by the service without being recorded: the next session fetches it again. The
//    files the killed fetch was writing (named after the time of the fetch, not yet in any
//    status line) go.
//  - A password change recorded (PIN) without a status line after it: the next session tries
//    the new password, then the old.
//  - Answers: a send accepted keeps its interchange out of the application's file, one not
//    accepted puts it back; a new password that works goes into qrtlnk.gns.
// Every step can be repeated: questions are added once, the status file loses only the
// unsettled send's lines, an interchange goes back only when the file does not end with it.
#include "client/appfiles/killed_session.h"

#include <algorithm>
#include <cstdlib>
#include <set>

#include "client/appfiles/entry_points.h"
#include "client/appfiles/interchange_list.h"
#include "client/appfiles/rcv_record.h"
#include "client/appfiles/request_text.h"
#include "client/appfiles/user_file_pin.h"
#include "client/common/abort.h"
#include "client/common/file_rewrite.h"
#include "client/common/home.h"
#include "client/common/journal.h"
#include "client/common/line_reader.h"
#include "client/common/open_questions.h"
#include "client/common/pin_scramble.h"
#include "client/common/receive_word.h"
#include "client/common/run_state.h"
#include "client/common/snd_layout.h"
#include "client/common/status_layout.h"
#include "client/common/text.h"
#include "platform/fs.h"

namespace kv {

namespace {

// How long after a fetch began its files may have been named (the messaging layer takes the
// first free word from the time it writes them).
constexpr long long kFetchWindowSeconds = 120;

std::string questions_path() { return app_home().fullpath(kQuestionsFile); }

struct StatusText {
  struct Line {
    long long start;
    std::string text;
  };
  std::vector<Line> lines;
};

StatusText read_status(const std::string& name) {
  StatusText status;
  std::string text;
  if (name.empty() || !fs::read_whole_file(app_home().fullpath(name), text)) return status;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    trim_trailing(line);
    status.lines.push_back({static_cast<long long>(start), line});
    start = end + 1;
  }
  return status;
}

bool is_send_line(const std::string& line, const std::vector<std::string>& send) {
  const StatusRecord record(line);
  return equals_ignore_case(record.str(status::kTag), send[0]) &&
         record.get(status::zend::kMessageId) == send[1];
}

// The killed run's steps at the service, from its intent record.
struct KilledSession {
  std::string mailbox;
  std::string status_file;
  std::string interchange_list;
  std::vector<std::string> unsettled_send;             // the SEND parts, empty when none
  std::vector<std::vector<std::string>> fetches;       // the FETCH parts
  std::vector<std::string> password_change;            // the PIN parts, empty when none
};

KilledSession read_session(const std::vector<IntentLine>& record) {
  KilledSession s;
  for (const IntentLine& line : record) {
    if (line.key == intent::kUser) s.mailbox = line.value;
    if (line.key == intent::kStatusFile) s.status_file = line.value;
    if (line.key == intent::kList) s.interchange_list = line.value;
    if (line.key == intent::kSend) s.unsettled_send = intent_parts(line.value);
    if (line.key == intent::kSent) s.unsettled_send.clear();
    if (line.key == intent::kFetch) s.fetches.push_back(intent_parts(line.value));
    if (line.key == intent::kPassword) s.password_change = intent_parts(line.value);
  }
  if (s.unsettled_send.size() < 5) s.unsettled_send.clear();
  return s;
}

// Whether the status file holds, after the item's offset, a line of its command for it: its own
// line (a message, or an item that failed), or for a notification the command's line that hands
// the report file over.
bool item_recorded(const StatusText& status, const std::vector<std::string>& fetch) {
  const long long offset = std::atoll(fetch[5].c_str());
  const bool message = fetch[2] == question::kMessage;
  for (const StatusText::Line& line : status.lines) {
    const StatusRecord record(line.text);
    if (line.start < offset || !equals_ignore_case(record.str(status::kTag), fetch[0])) {
      continue;
    }
    if (record.get(status::message::kListId) == fetch[1]) return true;
    if (!message && !record.empty(status::rapport::kReportFile)) return true;
  }
  return false;
}

// The application file from which the interchange of `work_file` came (the killed run's list).
std::string application_file_of(const std::string& list, const std::string& work_file) {
  std::string text;
  if (list.empty() || work_file.empty() ||
      !fs::read_whole_file(app_home().fullpath(list), text)) {
    return "";
  }
  for (const IntentLine& line : parse_intent(text)) {
    const std::string whole = line.value.empty() ? line.key : line.key + " " + line.value;
    const InterchangeRecord entry(whole);
    if (equals_ignore_case(entry.str(interchange::kWorkFile), work_file)) {
      return entry.str(interchange::kApplicationFile);
    }
  }
  return "";
}

// The request stamp of the send's records: the last open record with its message identifier.
std::string request_stamp_of(const std::string& mid) {
  OpenFile snd(app_home().open("qrtlnk.snd", "rb"));
  std::string stamp;
  std::string line;
  while (snd && read_record_line(snd.get(), line)) {
    const SndRecord record(line);
    if (record.empty(snd::kResultStamp) && record.get(snd::kMessageId) == mid) {
      stamp = record.str(snd::kRequestStamp);
    }
  }
  return stamp;
}

void add_question(std::vector<Question>& questions, Question q) {
  for (std::string& f : q.fields) f = question_field(f);
  for (const Question& known : questions) {
    if (known.kind == q.kind && known.fields == q.fields) return;
  }
  questions.push_back(std::move(q));
}

// The status lines of the unsettled send go: the send's outcome is the service's answer.
void drop_send_lines(const KilledSession& s, const StatusText& status) {
  bool any = false;
  for (const StatusText::Line& line : status.lines) any = any || is_send_line(line.text, s.unsettled_send);
  if (!any) return;
  FileRewrite file;
  if (!file.begin(s.status_file)) return;
  for (const StatusText::Line& line : status.lines) {
    if (!line.text.empty() && !is_send_line(line.text, s.unsettled_send)) file.write_line(line.text);
  }
  file.commit();
}

// The files a killed fetch was writing: named after a time from the fetch on, in no status line.
void remove_unrecorded_files(const std::vector<std::string>& fetch, const StatusText& status) {
  const long long began = std::atoll(fetch[6].c_str());
  std::set<std::string> words;
  for (long long t = began; t <= began + kFetchWindowSeconds; ++t) words.insert(receive_word(t));
  for (const StatusText::Line& line : status.lines) {
    const StatusRecord record(line.text);
    words.erase(received_file_word(base_name(record.str(status::message::kFirstFile))));
  }
  const std::string dir = app_home().fullpath(fetch[3].empty() ? "." : fetch[3]);
  for (const std::string& name : fs::list_directory(dir)) {
    const std::string word = received_file_word(name);
    if (!word.empty() && words.count(word) != 0) fs::remove_file(fs::join(dir, name));
  }
}

// The journal of the engine, also when this run has no session.
void journal_local(const std::string& text) {
  JournalSettings& settings = journal_settings();
  const bool enabled = settings.enabled;
  settings.enabled = true;
  journal_write(1, text);
  settings.enabled = enabled;
}

// Whether QRTLNK.SND still holds an open record of the send (the send-queue update settles it).
bool records_open(const Question& q) {
  OpenFile snd(app_home().open("qrtlnk.snd", "rb"));
  const std::string stamp = q.field(question::kRequestStamp);
  std::string line;
  while (snd && read_record_line(snd.get(), line)) {
    const SndRecord record(line);
    if (record.empty(snd::kResultStamp) &&
        record.get(snd::kMessageId) == q.field(question::kMessageId) &&
        (stamp.empty() || record.get(snd::kRequestStamp) == stamp)) {
      return true;
    }
  }
  return false;
}

bool ends_with_content(const std::string& path, const std::string& content) {
  std::string text;
  if (content.empty() || !fs::read_whole_file(path, text)) return false;
  return text.size() >= content.size() &&
         text.compare(text.size() - content.size(), content.size(), content) == 0;
}

// An answered send's interchange: back into its application file when the service did not
// accept it (unless the file ends with it already: a repeated recovery), gone when it did.
bool settle_interchange(const Question& q) {
  const std::string work = q.field(question::kWorkFile);
  if (work.empty() || app_home().access(work, 0) != 0) return true;
  if (q.answer == question::kNotSent) {
    const std::string application = app_home().fullpath(q.field(question::kApplicationFile));
    std::string content;
    if (!fs::read_whole_file(app_home().fullpath(work), content)) return false;
    if (!ends_with_content(application, content)) {
      FileRewrite file;
      if (!file.begin(application, {.create_when_missing = true})) return false;
      if (file.in() != nullptr && !file.copy_from(file.in())) return false;
      file.write(content);
      if (!file.commit()) return false;
    }
  }
  return app_home().remove_work_file(work).ok() &&
         fs::sync_directory(fs::dir_name(app_home().fullpath(work))).ok();
}

}  // namespace

bool SendQuestions::concerns(const std::string& mid, const std::string& request_stamp,
                             std::string* answer) const {
  for (const std::string& stamp : {request_stamp, std::string()}) {
    auto found = answers.find({mid, stamp});
    if (found == answers.end()) continue;
    if (answer != nullptr) *answer = found->second;
    return true;
  }
  return false;
}

SendQuestions send_questions() {
  SendQuestions sends;
  for (const Question& q : read_questions(questions_path())) {
    if (q.kind != question::kSend) continue;
    sends.answers[{q.field(question::kMessageId), q.field(question::kRequestStamp)}] = q.answer;
    if (q.open() && !q.field(question::kWorkFile).empty()) {
      sends.open_work_files.insert(app_home().fullpath(q.field(question::kWorkFile)));
    }
  }
  return sends;
}

void note_killed_session(const std::vector<IntentLine>& record) {
  const KilledSession s = read_session(record);
  if (s.mailbox.empty()) return;  // the session never logged in
  const StatusText status = read_status(s.status_file);
  std::vector<Question> questions = read_questions(questions_path());
  const std::size_t before = questions.size();
  if (!s.unsettled_send.empty()) {
    const std::string& mid = s.unsettled_send[1];
    const std::string& work = s.unsettled_send[4];
    const std::string application = application_file_of(s.interchange_list, work);
    add_question(questions, {question::kSend,
                             {s.mailbox, mid, s.unsettled_send[2], request_stamp_of(mid),
                              application.empty() ? "" : work, application},
                             ""});
    journal_local(filled(kKilledSendAskedNextTime, {mid}));
  }
  for (const std::vector<std::string>& fetch : s.fetches) {
    if (fetch.size() < 7 || item_recorded(status, fetch)) continue;
    add_question(questions, {question::kFetch, {s.mailbox, fetch[1], fetch[2], fetch[3], fetch[4]}, ""});
    if (fetch[2] == question::kMessage) remove_unrecorded_files(fetch, status);
  }
  if (s.password_change.size() >= 2) {
    const long long offset = std::atoll(s.password_change[1].c_str());
    bool reported = false;
    for (const StatusText::Line& line : status.lines) {
      reported = reported || (line.start >= offset &&
                              is_command(StatusRecord(line.text).str(status::kTag), "WACHTWOORD"));
    }
    if (!reported) {
      add_question(questions, {question::kPassword, {s.mailbox, s.password_change[0]}, ""});
    }
  }
  // The questions are on disk before anything that relies on them changes.
  // Without them the killed run cannot be recovered: its record stays for the next start.
  if (questions.size() != before && !write_questions(questions_path(), questions)) {
    fail_run_without_cleanup(AppError::kTooLittleDiskSpace, kQuestionsFile);
  }
  if (!s.unsettled_send.empty()) drop_send_lines(s, status);
}

void settle_open_questions() {
  std::vector<Question> questions = read_questions(questions_path());
  std::vector<Question> open;
  for (const Question& q : questions) {
    // A send's question goes once its records are settled and its interchange is in place.
    if (q.open() || (q.kind == question::kSend && (records_open(q) || !settle_interchange(q)))) {
      open.push_back(q);
      continue;
    }
    if (q.kind == question::kPassword && q.answer == question::kNewWorks) {
      std::string password = q.field(question::kNewPassword);
      unscramble_pin(password);
      vervang_pin(password);
    }
  }
  if (open.size() != questions.size()) write_questions(questions_path(), open);
}

}  // namespace kv
