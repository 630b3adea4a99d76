// Reading the engine command file: the CONNECT block and the command loop. The reader reads one
// line ahead and keeps it when it belongs to the next step, so every step sees its lines in order.
#include "client/engine/command_file.h"

#include <cctype>
#include <cstdint>

#include "client/common/home.h"
#include "client/common/journal.h"
#include "client/common/status_callbacks.h"
#include "client/common/status_layout.h"
#include "client/common/text.h"
#include "client/engine/dispatch.h"
#include "client/engine/engine_context.h"
#include "client/engine/failure_reason.h"
#include "client/engine/journal_texts.h"
#include "client/engine/result_codes.h"
#include "client/engine/session_result.h"
#include "client/engine/session_state.h"
#include "client/engine/status_file.h"

namespace kv::engine {

namespace {

// Line buffer of the reader: a line that fills it is too long.
constexpr std::size_t kLineBuffer = kMaxCommandFileLine + 1;
constexpr std::size_t kCommandIdWidth = 14;
// The longest root certificate name of the CONNECT block (the record's field holds one more).
constexpr std::size_t kMaxRootCertificate = sizeof(OpenSession::rootCertificate) - 1;

// The CONNECT keywords with their codes.
struct ConnectKeyword {
  const char* name;
  const char* too_short;
  const char* twice;
};
constexpr ConnectKeyword kConnectKeywords[] = {
    {"POS", "1013", "1033"}, {"PIN", "1014", "1034"}, {"PAT", "1020", "1040"},
    {"DTT", "1021", "1041"}, {"SRV", "1025", "1045"}, {"PNB", "1026", "1046"},
    {"ISP", "5002", "5003"}, {"CRT", "1027", "1047"}, {"TLS", "1028", "1048"},
};
constexpr int kConnectKeywordCount = sizeof kConnectKeywords / sizeof kConnectKeywords[0];

int find_connect_keyword(const std::string& keyword) {
  for (int i = 0; i < kConnectKeywordCount; ++i) {
    if (keyword == kConnectKeywords[i].name) return i;
  }
  return -1;
}

// Values of the CONNECT block collected before they go into the open parameters.
struct ConnectValues {
  bool seen[kConnectKeywordCount] = {};
  std::string user, password, server, dialup_entry, tls_mode, root_certificate;
  std::int16_t answer_timeout = 30;
  std::int16_t transfer_timeout = 8;
  std::uint16_t port = 0;
};

bool seen(const ConnectValues& v, const char* name) { return v.seen[find_connect_keyword(name)]; }

// Applies the value rule of keyword `index`; "" when accepted, else the refusal code.
std::string apply_connect_value(ConnectValues& v, int index, const std::string& value) {
  const std::string name = kConnectKeywords[index].name;
  auto limited = [&](std::string& target, std::size_t limit, const char* code) -> std::string {
    if (value.size() > limit) return code;
    target = value;
    return "";
  };
  if (name == "POS") return limited(v.user, 8, "1005");
  if (name == "PIN") return limited(v.password, 15, "1006");
  if (name == "SRV") return limited(v.server, 64, "1053");
  if (name == "ISP") return limited(v.dialup_entry, 32, "1104");
  if (name == "CRT") return limited(v.root_certificate, kMaxRootCertificate, "1054");
  if (name == "TLS") {
    const std::string mode = to_upper(value);
    if (mode != "AUTO" && mode != "ON") return "1057";
    v.tls_mode = mode;
    return "";
  }
  // Numbers are taken as the leading decimal number, cut to 16 bits as the record holds them.
  long long number = leading_number(value);
  if (name == "PAT") v.answer_timeout = static_cast<std::int16_t>(number);
  if (name == "DTT") v.transfer_timeout = static_cast<std::int16_t>(number);
  if (name == "PNB") v.port = static_cast<std::uint16_t>(number);
  return "";
}

template <std::size_t N>
void copy_text(char (&field)[N], const std::string& text) {
  std::size_t n = text.size() < N - 1 ? text.size() : N - 1;
  text.copy(field, n);
  field[n] = '\0';
}

// Open parameters before the block is read: type 1, the callbacks, the default time-outs.
void default_open_parameters(OpenSession& open) {
  open = OpenSession{};
  open.type = 1;
  open.displayComInfo = status_callbacks().display_com_info;
  open.checkEscape = status_callbacks().check_escape;
  open.p4AnswerTimeout = 30;
  open.dataTransferTimeout = 8;
}

void complete_open_parameters(OpenSession& open, const ConnectValues& v) {
  open.type = CONNECTION_TCPIP;
  copy_text(open.user, v.user);
  copy_text(open.password, v.password);
  copy_text(open.server, v.server);
  copy_text(open.tlsMode, v.tls_mode);
  copy_text(open.rootCertificate, v.root_certificate);
  open.portNb = v.port;
  open.p4AnswerTimeout = v.answer_timeout;
  open.dataTransferTimeout = v.transfer_timeout;
  open.displayComInfo = status_callbacks().display_com_info;
  open.checkEscape = status_callbacks().check_escape;
}

// The first missing required keyword's code, or "" when all are there.
std::string missing_connect_code(const ConnectValues& v) {
  if (!seen(v, "POS")) return "1055";
  if (!seen(v, "PIN")) return "1056";
  if (!seen(v, "SRV") && !seen(v, "PNB")) return "1050";
  if (!seen(v, "SRV")) return "1058";
  if (!seen(v, "PNB")) return "1059";
  return "";
}

bool is_command_line(const std::string& line) { return !line.empty() && line[0] == '*'; }

bool sequence_number_is_numeric(const std::string& line) {
  for (std::size_t i = 1; i <= 3; ++i) {
    if (i >= line.size() || !std::isdigit(static_cast<unsigned char>(line[i]))) return false;
  }
  return true;
}

std::string trimmed(std::string line) {
  trim_trailing(line);
  return line;
}

}  // namespace

void journal_line_too_long() {
  journal_write(3, journal_text::kCommandLineTooLong);
}

CommandFileReader::~CommandFileReader() { close(); }

void CommandFileReader::close() {
  file_.close();
  have_pushed_ = false;
  pushed_line_.clear();
}

CommandFileReader::Raw CommandFileReader::read_raw(std::string& line, bool& last) {
  line.clear();
  last = true;
  if (!file_) return Raw::end_of_file;
  if (read_line(line, file_.get(), kLineBuffer, LineFlavour::engine) == -2) return Raw::too_long;
  last = std::feof(file_.get()) != 0;
  if (line.empty() && last) return Raw::end_of_file;
  return Raw::line;
}

CommandFileReader::Raw CommandFileReader::next_line(std::string& line, bool& last) {
  if (have_pushed_) {
    have_pushed_ = false;
    line = pushed_line_;
    last = pushed_last_;
    return Raw::line;
  }
  return read_raw(line, last);
}

void CommandFileReader::push_back(const std::string& line, bool last) {
  have_pushed_ = true;
  pushed_line_ = line;
  pushed_last_ = last;
}

int CommandFileReader::read_connect_block(EngineContext& ctx, std::string& record) {
  close();
  EngineSession& s = ctx.session;
  s.dialup_entry.clear();
  if (s.open_parameters) default_open_parameters(*s.open_parameters);
  file_ = ctx.home.open(s.command_file_name, "r");
  if (!file_) abandon_session(journal_text::kCommandFileMissing);

  std::string line;
  bool last = false;
  if (read_raw(line, last) == Raw::too_long) {
    journal_line_too_long();
    set_field(record, status::kTag, line.substr(0, kCommandIdWidth));
    set_field(record, status::kStamp, time_stamp());
    set_result_code(record, kCodeLineTooLong);
    return kEndSession;
  }
  trim_trailing(line);
  std::string id = to_upper(line.substr(0, kCommandIdWidth));
  journal_write(1, filled(journal_text::kCommand, {id}));
  set_field(record, status::kTag, id);
  set_field(record, status::kStamp, time_stamp());
  if (id != "*000CONNECT") {
    note_failure_detail("the first line is \"" + line.substr(0, kCommandIdWidth) + "\"");
    set_result_code(record, kCodeNoConnectLine);
    journal_write(3, journal_text::kConnectMissing);
    return kEndSession;
  }
  Raw raw = read_raw(line, last);
  if (raw == Raw::too_long) {
    journal_line_too_long();
    set_result_code(record, kCodeLineTooLong);
    return kEndSession;
  }
  journal_write(1, journal_text::kCheckingAttributes);
  return read_connect_attributes(ctx, record, line, last || raw == Raw::end_of_file);
}

int CommandFileReader::read_connect_attributes(EngineContext& ctx, std::string& record,
                                               std::string line, bool last) {
  ConnectValues values;
  int block_line = 0;
  // A line at the end of the file without a line feed is not taken (neither attribute nor
  // command); the loop stops in front of it.
  while (!last && !is_command_line(line)) {
    std::string text = trimmed(line);
    ++block_line;
    std::string keyword = to_upper(text.substr(0, 3));
    if (keyword != "REM") {
      int index = find_connect_keyword(keyword);
      std::string code;
      if (index < 0) {
        code = kCodeUnknownConnectKeyword;
      } else if (text.size() < 5) {
        code = kConnectKeywords[index].too_short;
      } else if (values.seen[index]) {
        code = kConnectKeywords[index].twice;
      } else {
        values.seen[index] = true;
        code = apply_connect_value(values, index, text.substr(4));
      }
      if (!code.empty()) {
        note_failure_detail("the line \"" + shown_line(text) + "\", line " +
                            std::to_string(block_line) + " of the CONNECT block (from qrtlnk.gns)");
        set_result_code(record, code);
        return kRefused;
      }
    }
    if (read_raw(line, last) == Raw::too_long) {
      journal_line_too_long();
      set_result_code(record, kCodeLineTooLong);
      return kEndSession;
    }
  }
  if (!line.empty()) push_back(line, last);

  std::string missing = missing_connect_code(values);
  if (!missing.empty()) {
    set_result_code(record, missing);
    return kRefused;
  }
  ctx.session.dialup_entry = values.dialup_entry;
  if (ctx.session.open_parameters) complete_open_parameters(*ctx.session.open_parameters, values);
  return 0;
}

AttributeRead CommandFileReader::read_attribute_line(std::string& line) {
  bool last = false;
  Raw raw = next_line(line, last);
  if (raw == Raw::too_long) {
    journal_line_too_long();
    return AttributeRead::too_long;
  }
  if (raw == Raw::end_of_file) return AttributeRead::end;
  if (is_command_line(line)) {
    push_back(line, last);
    return AttributeRead::end;
  }
  trim_trailing(line);
  return AttributeRead::line;
}

int CommandFileReader::skip_to_next_command() {
  std::string line;
  bool last = false;
  for (;;) {
    Raw raw = next_line(line, last);
    if (raw == Raw::too_long) {
      journal_line_too_long();
      return kEndSession;
    }
    if (raw == Raw::end_of_file) return 0;
    if (is_command_line(line)) {
      push_back(line, last);
      return 0;
    }
  }
}

SessionResult CommandFileReader::run_command_loop(EngineContext& ctx) {
  std::string& record = ctx.session.status_record;
  bool command_in_hand = false;
  SessionResult result = kGoOn;
  for (;;) {
    std::string line;
    bool last = false;
    if (next_line(line, last) == Raw::too_long) {
      journal_line_too_long();
      if (command_in_hand) {
        // The last command's record goes out once more, now carrying the format error.
        set_result_code(record, kCodeLineTooLong);
        write_status_line(ctx, record);
      }
      return kEndSession;
    }
    // The end of the file; a command line there without a line feed is not taken.
    if (last) return result;
    // An attribute line without a command above it belongs to no command: it is passed over.
    if (!is_command_line(line)) continue;
    command_in_hand = true;
    result = run_command_line(ctx, to_upper(line), record);
    if (ends_session(result)) return result;
  }
}

SessionResult CommandFileReader::run_command_line(EngineContext& ctx, const std::string& line,
                                                  std::string& record) {
  std::string id = line.substr(0, kCommandIdWidth);
  record = start_status_line(id);
  std::string name = line.size() >= 5 ? line.substr(4) : std::string();
  journal_write(1, filled(journal_text::kCommand, {id}));
  if (!sequence_number_is_numeric(line)) {
    note_failure_detail("the command line \"" + trimmed(line) + "\"");
    set_result_code(record, kCodeSequenceNotNumeric);
    write_status_line(ctx, record);
    journal_write(1, journal_text::kSequenceNotNumeric);
    return skip_refused_command(ctx, record);
  }
  if (const CommandEntry* entry = find_command(name)) return dispatch_command(ctx, *entry, record);
  note_failure_detail("the command line \"" + trimmed(line) + "\"");
  set_result_code(record, name == "CONNECT" ? kCodeSecondConnect : kCodeUnknownCommand);
  write_status_line(ctx, record);
  journal_write(1, journal_text::kSkipToNextCommand);
  return skip_refused_command(ctx, record);
}

SessionResult CommandFileReader::skip_refused_command(EngineContext& ctx, std::string& record) {
  if (skip_to_next_command() == 0) return kGoOn;
  // A line too long among the skipped lines ends the session; the refused command's line goes
  // out once more with the format error, as after any command.
  set_result_code(record, kCodeLineTooLong);
  write_status_line(ctx, record);
  return kEndSession;
}

}  // namespace kv::engine
