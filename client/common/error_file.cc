// The error file qrtlnk.err: one line per error, its number and its catalogue text.
#include "client/common/error_file.h"

#include <cstdio>

#include "client/common/app_error.h"
#include "client/common/app_error_explanation.h"
#include "client/common/failure_report.h"
#include "client/common/home.h"
#include "platform/fs.h"

namespace kv {
namespace {

constexpr std::size_t kTextWidth = 103;

const char kUnknownText[] = "*** KOVENDI FOUT; Onbekende foutkode";
const char kErrorFileName[] = "qrtlnk.err";

// The catalogue text with the parameter in place of "%s"; the parameter is taken literally.
std::string filled_text(const std::string& text, const std::string& parameter) {
  std::string::size_type slot = text.find("%s");
  if (slot == std::string::npos) return text;
  std::string filled;
  filled.reserve(text.size() + parameter.size());
  filled.append(text, 0, slot);
  filled.append(parameter);
  filled.append(text, slot + 2, std::string::npos);
  return filled;
}

// Left-aligned, padded with blanks or cut to exactly `width` characters ("%-103.103s").
std::string fixed_width(const std::string& text, std::size_t width) {
  std::string result = text.substr(0, width);
  result.append(width - result.size(), ' ');
  return result;
}

}  // namespace

std::string format_error_line(int code, const std::string& parameter) {
  std::string number;
  std::string text;
  char digits[32];
  const char* catalogue_text = app_error_text(code);
  if (catalogue_text != nullptr) {
    // Every known number has its own format "00NN "; error 9 has none between number and text.
    std::snprintf(digits, sizeof digits,
                  code == error_number(AppError::kRequestHasNoRecords) ? "%04d" : "%04d ", code);
    text = filled_text(catalogue_text, parameter);
  } else {
    std::snprintf(digits, sizeof digits, "0%03d ", code);
    text = kUnknownText;
  }
  number = digits;
  number.append(fixed_width(text, kTextWidth));
  number.push_back('\n');
  return number;
}

void schrijf_QRTLNK_error_bestand(AppError error, const std::string& parameter) {
  // The reason in words for whoever looks: the journal and a terminal.
  report_reason(app_error_reason(error_number(error), parameter));
  std::string line = format_error_line(error_number(error), parameter);
  std::string path = app_home().fullpath(kErrorFileName);
  std::FILE* file = fs::open_stream(path, "a");
  // An error file that cannot be opened (read-only home directory) loses the line; the run's
  // clean-up goes on regardless.
  if (file == nullptr) return;
  fs::write_stream(file, line, path);
  std::fclose(file);
}

}  // namespace kv
