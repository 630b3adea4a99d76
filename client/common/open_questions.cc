// The open questions: what killed runs left uncertain at the message service.
#include "client/common/open_questions.h"

#include "client/common/file_rewrite.h"
#include "client/common/home.h"
#include "client/common/run_intent.h"
#include "client/common/text.h"
#include "platform/fs.h"

namespace kv {

namespace {

// The questions file holds scrambled passwords: only its owner reads it.
constexpr unsigned kQuestionsFileMode = 0600;

std::string line_of(const Question& q) {
  std::string line = q.kind + " ";
  for (const std::string& f : q.fields) line += question_field(f) + "|";
  return line + question_field(q.answer);
}

}  // namespace

bool Question::operator==(const Question& other) const {
  return kind == other.kind && fields == other.fields && answer == other.answer;
}

std::string mailbox_name(const std::string& user, const std::string& server) {
  std::string u = user;
  trim_trailing(u);
  return question_field(to_upper(u) + "@" + server);
}

std::string question_field(const std::string& value) {
  std::string out;
  for (char c : value) {
    if (c == '\r' || c == '\n') continue;
    out += c == '|' ? '!' : c;
  }
  return out;
}

std::vector<Question> read_questions(const std::string& path) {
  std::vector<Question> questions;
  std::string text;
  if (!fs::read_whole_file(path, text)) return questions;
  for (const IntentLine& line : parse_intent(text)) {
    if (line.key != question::kSend && line.key != question::kFetch &&
        line.key != question::kPassword) {
      continue;
    }
    Question q;
    q.kind = line.key;
    q.fields = intent_parts(line.value);
    q.answer = q.fields.back();
    q.fields.pop_back();
    questions.push_back(std::move(q));
  }
  return questions;
}

bool write_questions(const std::string& path, const std::vector<Question>& questions) {
  if (questions.empty()) {
    if (!fs::exists(path)) return true;
    return fs::remove_file(path).ok() && fs::sync_directory(fs::dir_name(path)).ok();
  }
  FileRewrite file;
  if (!file.begin(path, {.create_when_missing = true,
                         .new_file_mode = kQuestionsFileMode,
                         .keep_mode = false})) {
    return false;
  }
  for (const Question& q : questions) file.write_line(line_of(q));
  return file.commit();
}

}  // namespace kv
