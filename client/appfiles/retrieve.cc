// Retrieve mode (/R, /RT): stored messages that the run's selection accepts are handed to the
// application's output file (/FIL=), byte for byte or as text; their part files are removed and
// their records leave QRTLNK.RCV.
#include <string>

#include "client/appfiles/entry_points.h"
#include "client/appfiles/exclusive_open.h"
#include "client/appfiles/line_reader.h"
#include "client/appfiles/patterns.h"
#include "client/appfiles/rcv_record.h"
#include "client/appfiles/selection_file.h"
#include "client/appfiles/text_retrieve.h"
#include "client/common/abort.h"
#include "client/common/append_file.h"
#include "client/common/file_rewrite.h"
#include "client/common/home.h"
#include "client/common/record_fields.h"
#include "client/common/run_intent.h"
#include "client/common/run_state.h"
#include "client/common/status_callbacks.h"
#include "client/common/text.h"
#include "platform/fs.h"

namespace kv {
namespace {

constexpr int kRetrieveBytes = 1;
constexpr int kRetrieveText = 2;
// /RT hands over text messages: without a message-identifier selection of its own it takes the
// identifiers with "TXT" in places 4 to 6, also when a selection file refines the choice.
constexpr const char* kTextSelection = "???TXT*";

class Selection {
 public:
  Selection(int kind, const std::string& mid_selection, const SelectionFile* file)
      : kind_(kind), mid_(mid_selection), file_(file) {
    if (kind_ == kRetrieveText && mid_.empty()) mid_ = kTextSelection;
  }
  bool accepts(const std::string& record) const {
    const std::string id = get_veld(record, kRcvMessageId);
    if (file_ == nullptr) return mid_pattern_matches_ignore_case(mid_, id);
    if (kind_ == kRetrieveText && !mid_pattern_matches_ignore_case(mid_, id)) return false;
    return file_->accepts(record);
  }

 private:
  int kind_;
  std::string mid_;
  const SelectionFile* file_;
};

// Hands the parts of a selected message to the output file; the parts handed over join `handed`
// and are removed once the store no longer lists them. false when a part could not be handed
// over: that part and the later ones stay in place.
bool hand_over(const std::string& record, int kind, const std::string& output,
               TextAppender& text, std::vector<std::string>& handed) {
  const std::string first = get_veld(record, kRcvFirstFile);
  bool header_written = false;
  for (int k = 1; k <= rcv_file_count(record); ++k) {
    const std::string part = k == 1 ? first : part_file_name(first, k);
    if (part.empty() || app_home().access(part, 0) != 0) continue;
    const std::string part_path = app_home().fullpath(part);
    bool done = kind == kRetrieveText
                    ? text.append_part(part_path, output, record, !header_written)
                    : append_file(part_path, output) == kAppendOk;
    if (!done) return false;
    header_written = true;
    handed.push_back(part);
  }
  return true;
}

// The output file's length before this retrieve adds to it (-1: it is new), so that a run killed
// before its store is rewritten can be taken back by the next start.
void record_output(const std::string& output, bool existed) {
  long long length = -1;
  if (existed && fs::exists(output)) length = static_cast<long long>(fs::status(output).size);
  record_intent(intent::kOutput, output + "|" + std::to_string(length));
}

// The selection file, checked completely before anything changes.
void load_selection_file(SelectionFile& file, int kind, const std::string& output,
                         bool output_created) {
  int state = file.load(run_state().sel_file, kind == kRetrieveText);
  if (state == 1) return;
  if (output_created) fs::remove_file(output);
  if (state < 0) fail_run(48, run_state().sel_file);
  app_home().set_read_only(kReceiveStore);
  fail_run(49);
}

}  // namespace

void retrieve(int kind) {
  const RunState& run = run_state();
  if (app_home().access(kReceiveStore, 0) != 0) return;
  const std::string output = run.fil_name.empty() ? "" : app_home().fullpath(run.fil_name);
  if (output.empty()) fail_run(10, "verzamelen vanuit QRTLNK.RCV");
  const bool output_existed = fs::exists(output);
  {
    std::FILE* probe = fs::open_stream(output, "ab");
    if (probe == nullptr) return;
    std::fclose(probe);
  }
  SelectionFile selection_file;
  const bool has_selection_file = !run.sel_file.empty();
  if (has_selection_file) load_selection_file(selection_file, kind, output, !output_existed);
  if (!run.add_flag) app_home().remove_work_file(output);
  record_output(output, output_existed && run.add_flag);

  app_home().set_read_write(kReceiveStore);
  FileRewrite store;
  std::vector<std::string> handed;
  if (store.begin(kReceiveStore, {.set_aside = true})) {
    Selection selection(kind, run.mid_selection, has_selection_file ? &selection_file : nullptr);
    TextAppender text(run.display.txt_regels);
    LineReader reader(store.in());
    TextLine line;
    while (reader.next(line)) {
      busy_indicator();
      trim_trailing(line.text);
      if (line.text.empty()) continue;
      // A message that could not be handed over completely keeps its record, so that a later
      // retrieve finds the parts that are still in place.
      if (!selection.accepts(line.text) || !hand_over(line.text, kind, output, text, handed)) {
        store.write_line(line.text);
      }
    }
    // The handed-over content is on disk, and the next start knows which parts go, before the
    // store stops listing them.
    if (fs::exists(output)) fs::sync_file(output);
    record_intents(intent::kHandedOver, handed);
    store.commit_or_fail("schrijven QRTLNK.RCV");
    for (const std::string& part : handed) app_home().remove_work_file(part);
  }
  app_home().set_read_only(kReceiveStore);
  remove_when_empty(output);
}

}  // namespace kv
