// Parameters and options of the command line. Keywords are recognised in any case and non-file
// values (App-id, /MID=, /APP=, /DAT=) are stored in upper case; file names keep the case the
// application wrote, because the application looks for exactly that name afterwards.
#include "client/startup/command_line.h"

#include <cctype>

#include "client/common/abort.h"
#include "client/common/home.h"
#include "client/common/run_state.h"
#include "client/common/text.h"
#include "client/startup/file_checks.h"
#include "platform/fs.h"

namespace kv {
namespace {

constexpr std::size_t kMaximumParameter = 70;
constexpr std::size_t kMaximumOptionValue = 64;
constexpr std::size_t kMaximumAppCode = 3;
constexpr std::size_t kStampDigits = 12;
constexpr int kReadable = 4;

// A parameter as the application wrote it, and the same in upper case for the keyword tests.
struct Parameter {
  std::string text;
  std::string upper;

  bool keyword_is(const char* keyword) const { return upper == keyword; }
  bool begins_with(const std::string& prefix) const {
    return upper.compare(0, prefix.size(), prefix) == 0;
  }
  std::string value_after(std::size_t length) const { return text.substr(length); }
  std::string upper_value_after(std::size_t length) const { return upper.substr(length); }
};

// The error file holds one line per error: line ends inside a parameter become blanks.
std::string for_error_line(std::string text) {
  for (char& c : text) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  return text;
}

Parameter take(const std::string& text) {
  if (text.size() > kMaximumParameter) fail_run(AppError::kParameterTooLong);
  return Parameter{text, to_upper(text)};
}

// A readable file; a directory is no file to read.
bool readable(const std::string& name) {
  return !name.empty() && app_home().access(name, kReadable) == 0 &&
         !fs::is_directory(app_home().fullpath(name));
}

// An option's value, refused (in this order) when longer than `longest` or empty.
std::string checked_value(const std::string& value, std::size_t longest, AppError too_long,
                          AppError empty) {
  if (value.size() > longest) fail_run(too_long);
  if (value.empty()) fail_run(empty);
  return value;
}

// The same, and refused last when the `usable` check says no.
template <typename Check>
std::string checked_value(const std::string& value, std::size_t longest, AppError too_long,
                          AppError empty, Check usable, AppError unusable) {
  checked_value(value, longest, too_long, empty);
  if (!usable(value)) fail_run(unusable);
  return value;
}

bool all_digits(const std::string& text) {
  for (char c : text) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

// True when `name` is the receive store itself, however it is written.
bool names_receive_store(const std::string& name) {
  if (equals_ignore_case(name, "qrtlnk.rcv")) return true;
  return equals_ignore_case(app_home().fullpath(name), app_home().fullpath("qrtlnk.rcv"));
}

void take_send_update_options(const std::vector<std::string>& parameters, std::size_t first) {
  RunState& state = run_state();
  for (std::size_t i = first; i < parameters.size(); ++i) {
    Parameter option = take(parameters[i]);
    if (option.begins_with("/MID=")) {
      state.mid_selection =
          checked_value(option.upper_value_after(5), kMaximumOptionValue,
                        AppError::kSendUpdateMessageIdTooLong, AppError::kSendUpdateMessageIdEmpty);
    } else if (option.begins_with("/APP=")) {
      state.app_code =
          checked_value(option.upper_value_after(5), kMaximumAppCode,
                        AppError::kSendUpdateAppCodeTooLong, AppError::kSendUpdateAppCodeEmpty);
    } else if (option.begins_with("/FIL=")) {
      state.fil_name = checked_value(
          option.value_after(5), kMaximumOptionValue, AppError::kSendUpdateFileNameTooLong,
          AppError::kSendUpdateFileNameEmpty, name_writable, AppError::kSendUpdateFileNameBad);
    } else if (option.begins_with("/DAT=")) {
      const std::string digits = checked_value(
          option.upper_value_after(5), kStampDigits, AppError::kSendUpdateDateTooLong,
          AppError::kSendUpdateDateEmpty, all_digits, AppError::kSendUpdateDateNotNumeric);
      state.dat = digits + std::string(kStampDigits - digits.size(), '9');
    } else {
      fail_run(AppError::kParameterNotAllowedWithSendUpdate, for_error_line(option.upper));
    }
  }
  state.send_update_mode = true;
}

void take_retrieve_options(const std::vector<std::string>& parameters, std::size_t first,
                           bool texts) {
  RunState& state = run_state();
  bool have_mid = false, have_fil = false, have_sel = false;
  for (std::size_t i = first; i < parameters.size(); ++i) {
    Parameter option = take(parameters[i]);
    if (option.begins_with("/ADD")) {
      if (state.add_flag) fail_run(AppError::kRetrieveAddTwice);
      state.add_flag = true;
    } else if (option.begins_with("/MID=")) {
      if (texts)
        fail_run(AppError::kParameterNotAllowedWithRetrieveText, for_error_line(option.upper));
      std::string id = option.upper_value_after(5);
      if (id.size() > kMaximumOptionValue) fail_run(AppError::kRetrieveMessageIdTooLong);
      if (have_mid) fail_run(AppError::kRetrieveMessageIdTwice);
      if (id.empty()) fail_run(AppError::kRetrieveMessageIdEmpty);
      state.mid_selection = id;
      have_mid = true;
    } else if (option.begins_with("/FIL=")) {
      state.fil_name = checked_value(
          option.value_after(5), kMaximumOptionValue, AppError::kRetrieveFileNameTooLong,
          AppError::kRetrieveFileNameEmpty, name_writable, AppError::kRetrieveFileNameBad);
      have_fil = true;
    } else if (option.begins_with("/SEL=")) {
      state.sel_file = checked_value(
          option.value_after(5), kMaximumOptionValue, AppError::kSelectionFileNameTooLong,
          AppError::kSelectionFileNameEmpty, readable, AppError::kSelectionFileNameBad);
      have_sel = true;
    } else {
      fail_run(AppError::kParameterNotAllowedWithRetrieve, for_error_line(option.upper));
    }
  }
  if (!have_mid && !have_sel && !texts) fail_run(AppError::kRetrieveMessageIdMissing);
  if (!have_fil) fail_run(AppError::kRetrieveFileNameMissing);
  state.retrieve_mode = texts ? RetrieveMode::kTexts : RetrieveMode::kBytes;
  if (texts && !have_sel) state.mid_selection = "???TXT*";
}

void take_update_file(const Parameter& parameter, std::size_t word_count) {
  RunState& state = run_state();
  if (word_count > 3) fail_run(AppError::kUpdateWithOtherParameters);
  std::string name = parameter.value_after(3);
  if (!readable(name)) fail_run(AppError::kUpdateFileMissing);
  if (names_receive_store(name)) fail_run(AppError::kUpdateFileIsOwnFile);
  state.command_file = name;
  state.update_mode = true;
}

}  // namespace

bool is_special_invocation(const std::vector<std::string>& parameters) {
  if (parameters.size() == 1) return parameters[0] == "?";
  if (parameters.size() == 2) {
    return equals_ignore_case(parameters[0], "/FT") && equals_ignore_case(parameters[1], "/H");
  }
  return false;
}

RunMode lees_parameters(const std::vector<std::string>& parameters) {
  RunState& state = run_state();
  state.app_id = "   ";
  state.update_mode = false;
  state.send_update_mode = false;
  state.retrieve_mode = RetrieveMode::kNone;
  state.sel_file.clear();

  if (parameters.empty()) fail_run(AppError::kTooFewParameters);
  if (!starts_with_ignore_case(parameters[0], "/F"))
    fail_run(AppError::kUnknownParameter, for_error_line(parameters[0]));

  const std::size_t word_count = parameters.size() + 1;  // the program name counts as a word
  for (std::size_t i = 0; i < parameters.size(); ++i) {
    Parameter parameter = take(parameters[i]);
    if (parameter.begins_with("/A=")) {
      if (parameter.text.size() != 6) fail_run(AppError::kWrongAppId);
      state.app_id = parameter.upper_value_after(3);
    } else if (parameter.begins_with("/S=")) {
      std::string name = parameter.value_after(3);
      if (name.empty()) fail_run(AppError::kUnknownParameter, for_error_line(parameter.upper));
      state.status_file = name;
    } else if (parameter.begins_with("/O=")) {
      std::string name = parameter.value_after(3);
      if (!readable(name)) fail_run(AppError::kRequestFileMissing);
      state.command_file = name;
    } else if (parameter.begins_with("/U=")) {
      take_update_file(parameter, word_count);
    } else if (parameter.keyword_is("/V")) {
      if (!readable("scriptin.dir")) fail_run(AppError::kScriptinDirMissing);
      state.directory_translation = true;
    } else if (parameter.keyword_is("/C")) {
      if (i != 1) fail_run(AppError::kSendUpdateNotThirdParameter);
      take_send_update_options(parameters, i + 1);
      break;
    } else if (parameter.keyword_is("/R") || parameter.keyword_is("/RT")) {
      if (i != 1) fail_run(AppError::kRetrieveNotThirdParameter);
      take_retrieve_options(parameters, i + 1, parameter.keyword_is("/RT"));
      break;
    } else if (parameter.keyword_is("/FT")) {
      // accepted, no effect
    } else {
      fail_run(AppError::kUnknownParameter, for_error_line(parameter.upper));
    }
  }
  return RunMode::kAccepted;
}

}  // namespace kv
