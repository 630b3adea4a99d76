// The EDIFACT splitter. Invariants: the parts are consecutive, non-overlapping pieces of the file
// in file order (so every interchange's bytes reach exactly one part, in order); a part that is
// sent holds one interchange, from its UNB to the end of its UNZ; and how the file is fed (one
// byte at a time, in odd pieces, all at once) changes nothing.
#include <algorithm>

#include "client/appfiles/interchange_splitter.h"
#include "fuzz/support.h"

namespace {

struct Part {
  bool interchange = false;
  bool send = false;
  bool ended = false;
  std::string bytes;
  std::string header;
  bool operator==(const Part&) const = default;
};

class Recorder : public kv::InterchangeParts {
 public:
  void begin_part(bool interchange) override {
    FUZZ_CHECK(parts.empty() || parts.back().ended);
    parts.emplace_back();
    parts.back().interchange = interchange;
  }
  void bytes(const char* data, std::size_t length) override {
    FUZZ_CHECK(!parts.empty() && !parts.back().ended);
    parts.back().bytes.append(data, length);
  }
  void header_segment(const std::string& unb) override {
    FUZZ_CHECK(!parts.empty() && parts.back().interchange);
    parts.back().header = unb;
  }
  void segment_after_header(const std::string&) override { FUZZ_CHECK(!parts.empty()); }
  void end_part(bool send) override {
    FUZZ_CHECK(!parts.empty() && !parts.back().ended);
    parts.back().ended = true;
    parts.back().send = send;
  }
  std::vector<Part> parts;
};

struct Split {
  bool accepted = false;
  std::vector<Part> parts;
  bool operator==(const Split&) const = default;
};

Split split(const std::string& file, std::size_t piece) {
  Recorder recorder;
  kv::InterchangeSplitter splitter(recorder);
  Split result;
  for (std::size_t at = 0; at < file.size(); at += piece) {
    if (!splitter.feed(file.data() + at, std::min(piece, file.size() - at))) return result;
  }
  result.accepted = splitter.finish();
  result.parts = std::move(recorder.parts);
  return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string file = kvfuzz::text_of(data, size);
  const Split whole = split(file, file.size() + 1);
  if (!whole.accepted) return 0;
  std::size_t from = 0;
  for (const Part& part : whole.parts) {
    FUZZ_CHECK(part.ended);
    // Each part is the next piece of the file (text between interchanges may be left out).
    const std::string::size_type at = file.find(part.bytes, from);
    FUZZ_CHECK(at != std::string::npos);
    from = at + part.bytes.size();
    if (!part.send) continue;
    FUZZ_CHECK(part.interchange);
    FUZZ_CHECK(part.header.compare(0, 3, "UNB") == 0);
    // One interchange: its UNB comes before its UNZ (line ends may break a segment anywhere).
    std::string compact;
    for (char c : part.bytes) {
      if (c != '\r' && c != '\n') compact += c;
    }
    const std::string::size_type unb = compact.find("UNB");
    const std::string::size_type unz = compact.rfind("UNZ");
    FUZZ_CHECK(unb != std::string::npos && unz != std::string::npos && unb < unz);
    FUZZ_CHECK(part.bytes.find_first_not_of(" \t\r\n") != std::string::npos);
  }
  const std::size_t odd_piece = size > 0 ? 1 + data[0] % 13 : 1;
  FUZZ_CHECK(split(file, 1) == whole);
  FUZZ_CHECK(split(file, odd_piece) == whole);
  return 0;
}
