// Reading the engine configuration "$qrt400.prm": KEY=value lines that set the defaults of the
// commands, the journal, and the progress indicator.
#include "client/engine/engine_config.h"

#include "client/common/home.h"
#include "client/common/journal.h"
#include "client/common/text.h"
#include "client/engine/engine_context.h"
#include "client/engine/journal_texts.h"
#include "client/engine/session_state.h"

namespace kv::engine {

namespace {

constexpr const char* kConfigFileName = "$qrt400.prm";
constexpr const char* kDefaultJournal = "qrt400.log";
// Line buffer of the configuration reader: a line that fills it is too long.
constexpr std::size_t kConfigLineBuffer = 100;
// The "=" must stand within the first 15 characters.
constexpr std::size_t kMaxKeyLength = 14;

int in_range_or(long long value, long long low, long long high, int fallback) {
  return value >= low && value <= high ? static_cast<int>(value) : fallback;
}

int clamped(long long value, long long low, long long high) {
  return static_cast<int>(value < low ? low : (value > high ? high : value));
}

void set_text(std::string& target, const std::string& value, std::size_t limit) {
  if (value.size() <= limit) target = value;
}

void apply_logging(const std::string& value) {
  if (value.size() > 3) return;
  std::string v = to_upper(value);
  if (v == "N" || v == "NEE" || v == "NO") journal_settings().enabled = false;
  if (v == "M" || v == "MAX") journal_settings().maximal = true;
}

void apply_logfile(const std::string& value) {
  if (value.size() > 64) return;
  journal_settings().file_name = value;
  journal_remove_previous(value);
}

// Applies one KEY=value line; lines that are not of that form, or name no key, change nothing.
void apply_line(EngineSettings& s, const std::string& line) {
  std::size_t equals = line.find('=');
  if (equals == std::string::npos || equals > kMaxKeyLength) return;
  std::string key = to_upper(line.substr(0, equals));
  std::string value = line.substr(equals + 1);
  long long n = leading_number(value);
  if (key == "COU") set_text(s.country, value, 3);
  else if (key == "PMD") set_text(s.prmd, value, 16);
  else if (key == "ADM") set_text(s.admd, value, 16);
  else if (key == "ORG") set_text(s.organisation, value, 64);
  else if (key == "OUA") set_text(s.unit_a, value, 32);
  else if (key == "OUB") set_text(s.unit_b, value, 32);
  else if (key == "OUC") set_text(s.unit_c, value, 32);
  else if (key == "OUD") set_text(s.unit_d, value, 32);
  else if (key == "SEN") s.sensitivity = in_range_or(n, 1, 4, 1);
  else if (key == "PRI") s.priority = in_range_or(n, 1, 3, 2);
  else if (key == "NOT") s.notification = in_range_or(n, 1, 3, 3);
  else if (key == "RAP") s.report = in_range_or(n, 1, 3, 3);
  else if (key == "LOGGING") apply_logging(value);
  else if (key == "LOGFILE") apply_logfile(value);
  else if (key == "WAI") s.wait_seconds = in_range_or(n, 1, 900, 300);
  else if (key == "X_IND") s.x_ind = in_range_or(n, 1, 80, 1);
  else if (key == "Y_IND") s.y_ind = in_range_or(n, 1, 25, 24);
  else if (key == "L_IND") s.l_ind = in_range_or(n, 1, 80, 80);
  else if (key == "NO_IND") s.no_ind = in_range_or(n, 0, 1, 0);
  else if (key == "F_COL") s.f_col = in_range_or(n, 0, 15, 7);
  else if (key == "B_COL") s.b_col = in_range_or(n, 0, 15, 7);
  else if (key == "PI0") s.poll_first = clamped(n, 5, 100);
  else if (key == "PI1") s.poll_later = clamped(n, 5, 800);
}

// A line of 100 characters or more: the journal gets the product line and the error, the
// session does not start.
int config_failure(EngineContext& ctx, OpenFile& file) {
  file.close();
  journal_open(journal_settings().file_name);
  journal_write(1, journal_text::kBlank);
  journal_write(1, kProductLine);
  journal_write(1, journal_text::kBlank);
  journal_write(3, journal_text::kSettingsLineTooLong);
  close_engine_files(ctx);
  return 0;
}

}  // namespace

int read_engine_config(EngineContext& ctx) {
  EngineSettings& s = ctx.settings;
  s = EngineSettings{};
  JournalSettings& journal = journal_settings();
  journal.file_name = kDefaultJournal;
  journal.enabled = true;
  journal.maximal = false;
  journal_remove_previous(journal.file_name);

  if (ctx.home.access(kConfigFileName, 4) != 0) return 1;
  OpenFile file = ctx.home.open(kConfigFileName, "r");
  if (!file) {
    journal_remove_previous(journal.file_name);
    return 1;
  }
  std::string line;
  for (;;) {
    if (read_line(line, file.get(), kConfigLineBuffer, LineFlavour::engine) == -2) {
      return config_failure(ctx, file);
    }
    // A last line without a line feed counts like every other line.
    if (!line.empty()) {
      trim_trailing(line);
      apply_line(s, line);
    }
    if (std::feof(file.get())) break;
  }
  if (s.x_ind + s.l_ind > 81) s.l_ind = 81 - s.x_ind;
  file.close();
  if (journal.enabled) journal_remove_previous(journal.file_name);
  return 1;
}

}  // namespace kv::engine
