// Writing stored messages as text.
#include "client/appfiles/text_retrieve.h"

#include "client/appfiles/rcv_record.h"
#include "client/common/line_reader.h"
#include "client/common/line_writer.h"
#include "client/common/open_files.h"
#include "client/common/status_callbacks.h"
#include "client/common/text.h"
#include "platform/fs.h"

namespace kv {
namespace {

// A part line is taken in pieces of at most this many characters.
constexpr std::size_t kTextLinePiece = 299;
constexpr int kFixedHeaderLines = 6 + 3;

std::string piece(const std::string& text, std::size_t at, std::size_t length) {
  return at < text.size() ? text.substr(at, length) : std::string();
}

// "yyyymmddhhmi" as "dd-mm-yyyy  hh:mi".
std::string readable_stamp(const std::string& stamp) {
  return piece(stamp, 6, 2) + "-" + piece(stamp, 4, 2) + "-" + piece(stamp, 0, 4) + "  " +
         piece(stamp, 8, 2) + ":" + piece(stamp, 10, 2);
}

}  // namespace

std::string text_header_block(const RcvRecord& record) {
  std::string block =
      "***************************** Berichtgegevens *********************************\n";
  block += "Opgehaald      : " + readable_stamp(record.str(rcv::kStamp)) + "\n";
  block += "Afkomstig van  : Organisatie " + record.str(rcv::kOrganisation) + "\n";
  block += "                 SUR-name    " + record.str(rcv::kSurname) + "\n\n";
  block += "Berichtkenmerk : " + record.str(rcv::kMessageId) + "\n";
  const std::string subject = record.str(rcv::kSubject);
  if (!subject.empty()) block += "Onderwerp      : " + subject + "\n";
  const std::string in_reply_to = record.str(rcv::kInReplyTo);
  if (!in_reply_to.empty()) block += "In antwoord op : " + in_reply_to + "\n";
  block += std::string(79, '*') + "\n\n\n";
  return block;
}

long long text_header_lines(const RcvRecord& record) {
  return kFixedHeaderLines + (record.empty(rcv::kSubject) ? 0 : 1) +
         (record.empty(rcv::kInReplyTo) ? 0 : 1);
}

bool TextAppender::write_text_line(std::FILE* out, const std::string& line) {
  if (page_length_ > 0 && counter_ > page_length_) {
    if (fs::write_stream(out, "\f", output_path_) != 1) return false;
    counter_ = 0;
  }
  ++counter_;
  return write_line(out, line, output_path_);
}

bool TextAppender::append_part(const std::string& part, std::FILE* out, const RcvRecord& record,
                               bool with_header) {
  // A part that cannot be read is not handed over (it stays in place).
  OpenFile in(fs::open_stream(part, "rb"));
  if (!in || out == nullptr) return false;
  if (with_header) {
    std::string block = (counter_ > 0 ? "\f" : "") + text_header_block(record);
    if (fs::write_stream(out, block, output_path_) != block.size()) return false;
    counter_ = text_header_lines(record);
  }
  LineReader reader(in.get());
  TextLine line;
  while (reader.next(line)) {
    busy_indicator();
    for (std::size_t at = 0; at < line.text.size(); at += kTextLinePiece) {
      std::string text = line.text.substr(at, kTextLinePiece);
      trim_trailing(text);
      if (text.empty()) continue;
      if (!write_text_line(out, text)) return false;
    }
  }
  return std::ferror(in.get()) == 0 && std::ferror(out) == 0;
}

}  // namespace kv
