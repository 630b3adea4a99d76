// Reading the display keys of "$qrt400.prm". Lines are KEY=value; "#" starts a comment line; the
// key is the text before the first "=" (at most 14 characters, compared in upper case, blanks
// count); the value is everything after it, trailing blanks removed.
#include "client/startup/display_settings.h"

#include <string>

#include "client/common/home.h"
#include "client/common/open_files.h"
#include "client/common/text.h"

namespace kv {
namespace {

constexpr std::size_t kLineLimit = 100;      // a line holds at most 99 characters
constexpr std::size_t kMaximumKeyEnd = 15;   // the "=" stands within the first 15 characters
constexpr std::size_t kMaximumIndicatorText = 40;
constexpr int kReadable = 4;

void apply_line(const std::string& line, DisplaySettings& settings) {
  if (line.empty() || line[0] == '#') return;
  std::string::size_type equals = line.find('=');
  if (equals == std::string::npos || equals >= kMaximumKeyEnd) return;
  std::string key = to_upper(line.substr(0, equals));
  std::string value = line.substr(equals + 1);
  if (key == "NO_IND") {
    long long number = leading_number(value);
    settings.no_ind = (number == 0 || number == 1) ? static_cast<int>(number) : 0;
  } else if (key == "IND_TXT") {
    if (value.size() <= kMaximumIndicatorText) settings.ind_txt = value;
  } else if (key == "TXT_REGELS") {
    settings.txt_regels = leading_number(value);
  }
  // X_IND, Y_IND, L_IND, F_COL and B_COL are the engine's; they have no effect here.
}

// Drops the unread rest of a line that was too long.
void skip_rest_of_line(std::FILE* stream) {
  int c;
  do {
    c = std::getc(stream);
  } while (c != EOF && c != '\n');
}

}  // namespace

DisplaySettings read_display_settings(std::FILE* stream) {
  DisplaySettings settings;
  std::string line;
  int rc = read_line(line, stream, kLineLimit);
  if (rc == -2) return settings;  // a first line that is too long: the defaults stand
  while (rc != -1) {
    if (rc == -2) {
      // A later line that is too long is left out as a whole, so its tail is never taken for
      // a line of its own.
      skip_rest_of_line(stream);
    } else {
      trim_trailing(line);
      apply_line(line, settings);
    }
    rc = read_line(line, stream, kLineLimit);
  }
  return settings;
}

void lees_displayinstellingen() {
  DisplaySettings& settings = run_state().display;
  settings = DisplaySettings{};
  if (app_home().access(kEngineParameterFile, kReadable) != 0) return;
  OpenFile file(app_home().open(kEngineParameterFile, "r"));
  if (!file) return;
  settings = read_display_settings(file.get());
}

}  // namespace kv
