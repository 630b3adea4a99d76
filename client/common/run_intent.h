// The run's intent record. While a run works, its busy file holds one line per step that a
// killed run would leave half done ("KEY value"): each line is on disk before the step it
// announces begins, so that the next start can finish or roll back what a killed run left.
#pragma once

#include <string>
#include <vector>

namespace kv {

// Keys of the intent record.
namespace intent {
constexpr const char* kMode = "MODE";          // N normal run, U /U=, C /C, R /R or /RT
constexpr const char* kAppId = "APP";          // App-id of the run
constexpr const char* kCommandFile = "CMD";    // command file of the normal run
constexpr const char* kStatusFile = "STS";     // status file of the normal run
constexpr const char* kCommandCopy = "CMDCOPY"; // copy of the translated command file
constexpr const char* kCommandMark = "CMDMARK"; // fingerprint of the translated command file
constexpr const char* kList = "LST";           // interchange list of the normal run
constexpr const char* kMerged = "MERGED";      // the interchange list is merged back
constexpr const char* kEngine = "ENGINE";      // the engine session has started
constexpr const char* kResults = "RESULTS";    // result processing has ended
constexpr const char* kOutput = "OUT";         // "name|length before" of a /C or /R output file
constexpr const char* kSetAside = "ASIDE";     // "copy|name": name set aside into copy
// "path|identity|temporary": path is rewritten through temporary; its identity (platform
// file_identity) changes when the new content takes its place.
constexpr const char* kRewrite = "REWRITE";
constexpr const char* kHandedOver = "GONE";    // a part file handed over: it goes once the
                                               // store no longer lists it
constexpr const char* kDropped = "DROP";       // ordinal of a record a retrieve takes out
constexpr const char* kCrossOut = "CROSS";     // "start|length" of a /U= line to cross out
// The engine's steps at the message service, each recorded before the service is called:
constexpr const char* kUser = "USER";          // the session's mailbox (open_questions.h)
// "tag|message id|since|status offset|first file": a send is about to be submitted; since is
// the time in seconds, the offset the status file's length before the send's lines.
constexpr const char* kSend = "SEND";
constexpr const char* kSent = "SENT";          // message id: the send's status lines are on disk
// "tag|list id|kind|receive dir|report file|status offset|time": an item is about to be fetched
// (kind "M" a message, "R" a notification or report; the status offset as for SEND).
constexpr const char* kFetch = "FETCH";
// "new password|status offset": the password (scrambled) before the change is asked for.
constexpr const char* kPassword = "PIN";
constexpr const char* kTemporary = "TEMP";     // a work file about to be made; it never outlives
                                               // its run
// "directory/KVsss": interchange work files "KVsss000.edi" to "KVsss999.edi" are about to be
// made; the ones a run killed before its session left are of no use.
constexpr const char* kWorkSeries = "SERIES";
constexpr const char* kEnd = "END";            // the run's work is done
}  // namespace intent

struct IntentLine {
  std::string key;
  std::string value;
};

// The descriptor of the busy file that takes the record (-1: none, nothing is recorded) and the
// file's path.
void set_intent_descriptor(int fd, const std::string& path = "");
// Appends "key value" and flushes it to disk before returning. False when the line could not be
// written or flushed: a step that a killed run could not recover without it must not begin.
// True when no record is kept.
bool record_intent(const std::string& key, const std::string& value = "");
// Appends one "key value" line per value, flushed to disk once.
bool record_intents(const std::string& key, const std::vector<std::string>& values);
// Appends the lines, flushed to disk once.
bool record_intents(const std::vector<IntentLine>& lines);
// The complete lines of a record (a line cut short by a kill is left out).
std::vector<IntentLine> parse_intent(const std::string& text);

// The bar-separated parts of a value.
std::vector<std::string> intent_parts(const std::string& value);
// Whether the first rewrite of `full_path` that the record announces has replaced the file (its
// identity changed); true when the record announces none (nothing to take back).
bool rewrite_done(const std::vector<IntentLine>& record, const std::string& full_path);

}  // namespace kv
