// Open questions: what a killed run left uncertain at the message service, kept in qrtlnk.nav in
// the home directory until a session logged in to the same mailbox has asked the service. One
// question per line, "KIND value", the value's fields separated by "|", the answer last (empty
// while the question is open):
//   ZEND mailbox|message id|since|request stamp|work file|application file|answer
//        a send that may or may not have reached the service; asked with API_acceptedSince;
//        answer "0000" (accepted) or "2006" (not sent)
//   HAAL mailbox|list id|kind|receive directory|report file|answer
//        an item that a killed run fetched (the service marked it read) but did not record;
//        kind "M" a message, "R" a notification or report; answer "1" once fetched again
//   PIN  mailbox|new password|old password|answer
//        a password change that may or may not have reached the service (both scrambled as in
//        qrtlnk.gns); answer "N" when the new one logs in, "O" when the old one does
// The application layer writes the questions when it recovers a killed run, the engine answers
// them in its session, and the application layer then carries the answers into its files and
// drops the answered questions. Every change replaces the file in one step (FileRewrite).
#pragma once

#include <string>
#include <vector>

#include "client/common/status_codes.h"

namespace kv {

constexpr const char* kQuestionsFile = "qrtlnk.nav";

struct Question {
  std::string kind;                 // "ZEND", "HAAL" or "PIN"
  std::vector<std::string> fields;  // the fields before the answer
  std::string answer;

  bool open() const { return answer.empty(); }
  // Field `i` (from 0), empty when absent.
  std::string field(std::size_t i) const { return i < fields.size() ? fields[i] : ""; }
  bool operator==(const Question& other) const;
};

namespace question {
constexpr const char* kSend = "ZEND";
constexpr const char* kFetch = "HAAL";
constexpr const char* kPassword = "PIN";
// The fields of each kind, in the order of the line; every kind begins with the mailbox.
constexpr std::size_t kMailbox = 0;
enum SendField : std::size_t { kMessageId = 1, kSince, kRequestStamp, kWorkFile, kApplicationFile };
enum FetchField : std::size_t { kListId = 1, kItemKind, kReceiveDir, kReportFile };
enum PasswordField : std::size_t { kNewPassword = 1, kOldPassword };
// Answers.
constexpr const char* kAccepted = kCodeSuccess;
constexpr const char* kNotSent = kCodeNotSent;
constexpr const char* kFetchedAgain = "1";
constexpr const char* kNewWorks = "N";
constexpr const char* kOldWorks = "O";
constexpr const char* kMessage = "M";
constexpr const char* kNotification = "R";
}  // namespace question

// The mailbox a session logs in to, as the questions name it: user and server.
std::string mailbox_name(const std::string& user, const std::string& server);

// A field value as a question can hold it: "|" becomes "!", line ends go.
std::string question_field(const std::string& value);

// The questions of the file at `path` (none when it does not exist).
std::vector<Question> read_questions(const std::string& path);
// Replaces the file at `path` by `questions` in one step, flushed (the file goes when there is
// no question left). False when it could not be written.
bool write_questions(const std::string& path, const std::vector<Question>& questions);

}  // namespace kv
