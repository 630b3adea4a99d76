// The per-message driver: lists the mailbox into a work file, then fetches (ONTVANG, RAPPORT) or
// deletes (VERWIJDER) every listed message, one status line per message.
#include "client/engine/journal_texts.h"
#include "client/engine/per_message.h"

#include "client/common/home.h"
#include "client/common/journal.h"
#include "client/common/listing_layout.h"
#include "client/common/run_intent.h"
#include "client/common/status_layout.h"
#include "client/common/text.h"
#include "client/engine/command_context.h"
#include "client/engine/engine_context.h"
#include "client/engine/message_commands.h"
#include "client/engine/session_state.h"
#include "client/engine/status_file.h"
#include "client/msgapi/api.h"
#include "platform/fs.h"

namespace kv::engine {

namespace {

// The listing lines are written by the engine itself; this only bounds a damaged work file.
constexpr std::size_t kListingLineBuffer = 64 * 1024;

// The work file of one listing; removed when the driver is done, also when it unwinds.
class WorkFile {
 public:
  explicit WorkFile(std::string path) : path_(std::move(path)) {}
  ~WorkFile() {
    stream_.close();
    if (!path_.empty()) fs::remove_file(path_);
  }
  WorkFile(const WorkFile&) = delete;
  WorkFile& operator=(const WorkFile&) = delete;
  const std::string& path() const { return path_; }
  std::FILE* open_for_reading() {
    stream_ = OpenFile(fs::open_stream(path_, "r"));
    return stream_.get();
  }

 private:
  std::string path_;
  OpenFile stream_;
};

// Creates an empty work file "TMXXXXXX" in the engine directory; empty path when that fails.
std::string create_work_file(EngineContext& ctx) {
  std::string path = ctx.home.mktemp("TMXXXXXX");
  // Recorded before it exists, so that no kill can leave it behind.
  if (path.empty() || !record_intent(intent::kTemporary, path)) return "";
  return OpenFile(fs::open_stream(path, "w")) ? path : "";
}

// List identifier of a listing line: its field 1 up to the first blank.
std::string list_id_of(const std::string& listing_line) {
  std::string id = ListingRecord(listing_line).str(listing::kListId);
  return id.substr(0, id.find(' '));
}

// Whether a list identifier of the listing may steer a fetch or a delete: one word that fits the
// record's field. The service chose it, but the line it stands on holds other parties' texts.
bool is_usable_list_id(const std::string& list_id) {
  if (list_id.empty() || list_id.size() >= sizeof(MessageSummary::listId)) return false;
  for (char c : list_id) {
    const unsigned char code = static_cast<unsigned char>(c);
    if (code <= 32 || code == 127) return false;
  }
  return true;
}

int handle_listed_message(EngineContext& ctx, int kind, std::string& record,
                          const std::string& listing_line) {
  std::string list_id = list_id_of(listing_line);
  if (!is_usable_list_id(list_id)) {
    journal_write(3, filled(journal_text::kInvalidListIdSkipped, {list_id}));
    return 0;
  }
  if (kind != kRapport) record = start_status_line(field(record, status::kTag));
  if (kind == kOntvang || kind == kVerwijder) {
    set_field(record, status::message::kListId, list_id);
    set_field(record, status::message::kMessageId,
              ListingRecord(listing_line).str(listing::kMessageId));
  }
  if (kind == kVerwijder) {
    int result = delete_message(ctx, list_id);
    set_result_code(record, ctx.session.result_text);
    write_status_line(ctx, record);
    return result;
  }
  return receive_message(ctx, record, list_id);
}

}  // namespace

int for_each_listed_message(EngineContext& ctx, std::string& record) {
  const int kind = ctx.control.command_kind;
  std::string path = create_work_file(ctx);
  if (path.empty()) {
    set_result_code(record, kCodeWorkFile);
    write_status_line(ctx, record);
    return 0;
  }
  WorkFile work(path);
  int listed = list_mailbox(ctx, record, work.path());
  if (listed < 0) return listed;
  if (listed == 0) {
    if (kind == kRapport) set_field(record, status::rapport::kReportFile, "");
    write_status_line(ctx, record);
    return 0;
  }
  std::FILE* listing = work.open_for_reading();
  if (listing == nullptr) {
    set_field(record, status::message::kListId, "");
    write_status_line(ctx, record);
    return 0;
  }
  std::string line;
  while (read_line(line, listing, kListingLineBuffer, LineFlavour::application) == 0) {
    trim_trailing(line);
    int result = handle_listed_message(ctx, kind, record, line);
    // A message that could not be fetched or deleted has its own status line; the others are
    // still handled. Escape, a fatal verdict or any other failure ends the command.
    if (result != 0 && result != 1 && result != -1) return result;
  }
  // RAPPORT's line for the whole command hands the report file over; it is left out only when
  // every item failed, each with a line of its own.
  const CommandContext& context = ctx.command;
  if (kind == kRapport && (context.report_items_fetched > 0 || context.report_items_failed == 0)) {
    set_result_code(record, kCodeSuccess);
    write_status_line(ctx, record);
  }
  return 0;
}

}  // namespace kv::engine
