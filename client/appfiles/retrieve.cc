// Retrieve mode (/R, /RT): stored messages that the run's selection accepts are handed to the
// application's output file (/FIL=), byte for byte or as text; their part files are removed and
// their records leave QRTLNK.RCV. The output file and the store are each replaced in one step,
// the output file first; the part files go last. A kill leaves every message in the store with
// its parts, or in the output file.
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "client/appfiles/entry_points.h"
#include "client/appfiles/exclusive_open.h"
#include "client/appfiles/own_files.h"
#include "client/appfiles/patterns.h"
#include "client/appfiles/rcv_record.h"
#include "client/appfiles/selection_file.h"
#include "client/appfiles/text_retrieve.h"
#include "client/common/abort.h"
#include "client/common/append_file.h"
#include "client/common/file_rewrite.h"
#include "client/common/home.h"
#include "client/common/line_reader.h"
#include "client/common/run_intent.h"
#include "client/common/run_state.h"
#include "client/common/status_callbacks.h"
#include "client/common/text.h"
#include "client/common/write_failure.h"
#include "platform/file_lock.h"
#include "platform/fs.h"

namespace kv {
namespace {

// /RT hands over text messages: without a message-identifier selection of its own it takes the
// identifiers with "TXT" in places 4 to 6, also when a selection file refines the choice.
constexpr const char* kTextSelection = "???TXT*";
constexpr const char* kGatheringText = "verzamelen vanuit QRTLNK.RCV";
constexpr const char* kStoreWriteText = "schrijven QRTLNK.RCV";

class Selection {
 public:
  Selection(RetrieveMode kind, const std::string& mid_selection, const SelectionFile* file)
      : kind_(kind), mid_(mid_selection), file_(file) {
    if (kind_ == RetrieveMode::kTexts && mid_.empty()) mid_ = kTextSelection;
  }
  bool accepts(const RcvRecord& record) const {
    const std::string id = record.str(rcv::kMessageId);
    if (file_ == nullptr) return mid_pattern_matches_ignore_case(mid_, id);
    if (kind_ == RetrieveMode::kTexts && !mid_pattern_matches_ignore_case(mid_, id)) return false;
    return file_->accepts(record);
  }

 private:
  RetrieveMode kind_;
  std::string mid_;
  const SelectionFile* file_;
};

// A part handed over: its name as the store records it (for the intent record) and its path.
struct HandedPart {
  std::string name;
  std::string path;
};

// Hands the parts of a selected message to the new output file, noting each part that is there
// for removal. false when a part could not be handed over: that part and the later ones stay.
// Each part's name is looked up once; a part that is not there is passed over.
bool hand_over(const RcvRecord& record, RetrieveMode kind, FileRewrite& output, TextAppender& text,
               std::vector<HandedPart>& handed_parts) {
  const std::string first = record.str(rcv::kFirstFile);
  bool header_written = false;
  for (int k = 1; k <= rcv_file_count(record); ++k) {
    const std::string part = k == 1 ? first : part_file_name(first, k);
    if (part.empty()) continue;
    const std::string part_path = app_home().fullpath(part);
    bool done = false;
    if (kind == RetrieveMode::kTexts) {
      if (!fs::exists(part_path)) continue;
      done = text.append_part(part_path, output.out(), record, !header_written);
    } else {
      const FileRewrite::CopyResult copied = output.copy_file(part_path);
      if (copied == FileRewrite::CopyResult::kMissing) continue;
      done = copied == FileRewrite::CopyResult::kCopied;
    }
    if (!done) return false;
    header_written = true;
    handed_parts.push_back({part, part_path});
  }
  return true;
}

// Starts the new output file: what it held stays with /ADD (and in a growing VQ file, which is
// never emptied), otherwise it starts empty.
bool begin_output(FileRewrite& output, const std::string& path, bool add) {
  long long size = 0;
  const bool keep = add || (starts_with_ignore_case(base_name(path), "VQ") &&
                            app_home().stat(path, &size) == 0 && size > 0);
  if (!output.begin(path, {.create_when_missing = true})) return false;
  return !keep || output.in() == nullptr || output.copy_from(output.in());
}

// Replaces the output file and then the store, so that no message is ever both handed over and
// kept: both new contents are on disk before either takes its place (a full disk stops the
// retrieve before anything changed), and should the store still not take its new content, the
// output file is given back its old one. The run then ends with the error of the failed file.
void commit_in_one_direction(FileRewrite& output, FileRewrite& store,
                             const std::string& output_name) {
  if (!store.prepare()) {
    output.abandon();
    fail_run_after_write(store.failure(), kReceiveStore, AppError::kNoMemory, kStoreWriteText);
  }
  if (!output.prepare()) {
    store.abandon();
    fail_run_after_write(output.failure(), output_name, AppError::kNoMemory, kGatheringText);
  }
  const std::string& target = output.target();
  const bool existed = output.existed();
  // The old output file keeps a second name until the store is replaced (no data is copied).
  const std::string old_output =
      existed ? fs::make_unique_name(fs::join(fs::dir_name(target), "KVRWXXXXXX")) : "";
  const bool kept = !existed || (!old_output.empty() && fs::link_file(target, old_output).ok());
  if (existed && kept) record_intent(intent::kSetAside, old_output + "|" + target);
  if (!output.commit()) {
    if (existed && kept) fs::remove_file(old_output);
    store.abandon();
    fail_run_after_write(output.failure(), output_name, AppError::kNoMemory, kGatheringText);
  }
  if (!store.commit()) {
    const int failure = store.failure();
    if (kept) {
      if (existed) {
        fs::rename_file(old_output, target);
      } else {
        fs::remove_file(target);
      }
    }
    fail_run_after_write(failure, kReceiveStore, AppError::kNoMemory, kStoreWriteText);
  }
  if (existed && kept) fs::remove_file(old_output);
}

// The selection file, checked completely before anything changes.
void load_selection_file(SelectionFile& file, RetrieveMode kind, const std::string& output,
                         bool output_created) {
  int state = file.load(run_state().sel_file, kind == RetrieveMode::kTexts);
  if (state == 1) return;
  if (output_created) fs::remove_file(output);
  if (state < 0) fail_run(AppError::kRetrieveAddTwice, run_state().sel_file);
  app_home().set_read_only(kReceiveStore);
  fail_run(AppError::kSelectionFileNameEmpty);
}

}  // namespace

void retrieve(RetrieveMode kind) {
  const RunState& run = run_state();
  // The output file must never be one of the client's own files: nothing changes then.
  if (!run.fil_name.empty()) refuse_own_file(run.fil_name, AppError::kRetrieveFileNameBad);
  if (app_home().access(kReceiveStore, 0) != 0) return;
  const std::string output = run.fil_name.empty() ? "" : app_home().fullpath(run.fil_name);
  if (output.empty()) fail_run(AppError::kNoMemory, kGatheringText);
  const bool output_existed = fs::exists(output);
  if (!OpenFile(fs::open_stream(output, "ab"))) return;
  SelectionFile selection_file;
  const bool has_selection_file = !run.sel_file.empty();
  if (has_selection_file) load_selection_file(selection_file, kind, output, !output_existed);

  app_home().set_read_write(kReceiveStore);
  record_intent(intent::kOutput, output + "|-1");
  FileRewrite output_file;
  FileRewrite store;
  if (!begin_output(output_file, output, run.add_flag)) {
    const int failure = output_file.failure();
    output_file.abandon();
    if (!output_existed) fs::remove_file(output);
    fail_run_after_write(failure, run.fil_name, AppError::kNoMemory, kGatheringText);
  }
  if (store.begin(kReceiveStore, {.set_aside = true})) {
    Selection selection(kind, run.mid_selection, has_selection_file ? &selection_file : nullptr);
    TextAppender text(run.display.txt_regels, output);
    std::vector<HandedPart> handed_parts;
    std::vector<std::string> dropped;  // ordinals of the records that leave the store
    long long ordinal = 0;
    LineReader reader(store.in());
    TextLine line;
    while (reader.next_nonblank(line, busy_indicator)) {
      ++ordinal;
      // A message that could not be handed over completely keeps its record, so that a later
      // retrieve finds the parts that are still in place.
      const RcvRecord record(line.text);
      if (!selection.accepts(record) || !hand_over(record, kind, output_file, text, handed_parts)) {
        store.write_line(line.text);
      } else {
        dropped.push_back(std::to_string(ordinal));
      }
    }
    // Once the output file is in place the retrieve is finished by the next start, should this
    // run be killed before the store is: it must know which records leave and which parts go.
    std::vector<IntentLine> announced;
    for (const std::string& ordinal : dropped) announced.push_back({intent::kDropped, ordinal});
    for (const HandedPart& part : handed_parts)
      announced.push_back({intent::kHandedOver, part.name});
    record_intents(announced);  // one flush for both
    commit_in_one_direction(output_file, store, run.fil_name);
    for (const HandedPart& part : handed_parts) {
      busy_indicator();
      app_home().remove_work_path(part.path);
    }
  } else if (store.failure() != 0) {
    output_file.abandon();
    if (!output_existed) fs::remove_file(output);
    fail_run_after_write(store.failure(), kReceiveStore, AppError::kNoMemory, kStoreWriteText);
  } else if (!run.add_flag) {
    output_file.commit();  // without /ADD the output file is emptied all the same
  }
  app_home().set_read_only(kReceiveStore);
  remove_when_empty(output);
}

void finish_killed_retrieve(const std::vector<IntentLine>& record) {
  std::string output;
  std::set<long long> dropped;
  std::vector<std::string> handed_parts;
  for (const IntentLine& line : record) {
    if (line.key == intent::kOutput) output = intent_parts(line.value).front();
    if (line.key == intent::kDropped) dropped.insert(std::atoll(line.value.c_str()));
    if (line.key == intent::kHandedOver) handed_parts.push_back(line.value);
  }
  if (output.empty() || !rewrite_done(record, output)) return;  // nothing was handed over
  if (!rewrite_done(record, app_home().fullpath(kReceiveStore))) {
    // The output file holds the messages; their records leave the store as the run would have
    // taken them out.
    app_home().set_read_write(kReceiveStore);
    FileRewrite store;
    if (!store.begin(kReceiveStore)) return;
    long long ordinal = 0;
    LineReader reader(store.in());
    TextLine line;
    while (reader.next_nonblank(line)) {
      if (dropped.count(++ordinal) == 0) store.write_line(line.text);
    }
    const bool replaced = store.commit();
    app_home().set_read_only(kReceiveStore);
    if (!replaced) return;
  }
  for (const std::string& part : handed_parts) app_home().remove_work_file(part);
}

}  // namespace kv
