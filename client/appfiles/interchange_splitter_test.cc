// Tests of finding the EDIFACT interchanges of a file by segments, whatever its line layout.
#include "client/appfiles/interchange_splitter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace kv {
namespace {

struct Part {
  bool interchange = false;
  bool send = false;
  std::string bytes;
  std::string header;
  std::string after_header;
  bool operator==(const Part&) const = default;
};

class Recorder : public InterchangeParts {
 public:
  void begin_part(bool interchange) override {
    parts.emplace_back();
    parts.back().interchange = interchange;
  }
  void bytes(const char* data, std::size_t length) override {
    largest_block = std::max(largest_block, length);
    if (keep_bytes) parts.back().bytes.append(data, length);
  }
  void header_segment(const std::string& unb) override { parts.back().header = unb; }
  void segment_after_header(const std::string& s) override { parts.back().after_header = s; }
  void end_part(bool send) override { parts.back().send = send; }

  std::vector<Part> parts;
  std::size_t largest_block = 0;
  bool keep_bytes = true;
};

// The parts of `content` fed in pieces of `piece` bytes; empty when it is no interchange file.
std::vector<Part> split(const std::string& content, std::size_t piece) {
  Recorder r;
  InterchangeSplitter splitter(r);
  for (std::size_t at = 0; at < content.size(); at += piece) {
    if (!splitter.feed(content.data() + at, std::min(piece, content.size() - at))) return {};
  }
  if (!splitter.finish()) return {};
  return r.parts;
}

std::vector<std::string> sample_files() {
  std::string here = __FILE__;
  std::vector<std::string> out;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(
           here.substr(0, here.rfind('/')) + "/testdata/edifact")) {
    if (entry.is_regular_file() && entry.path().extension() != ".md") {
      out.push_back(entry.path().string());
    }
  }
  std::sort(out.begin(), out.end());
  return out;
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Where the file is cut into pieces must not matter: not at a UNA, a release character, a
// CR LF, nor inside a tag.
TEST(InterchangeSplitterTest, PiecesOfAnySizeGiveTheSamePartsAndTheFileByteForByte) {
  std::vector<std::string> files = sample_files();
  ASSERT_GE(files.size(), 40u);
  for (const std::string& file : files) {
    SCOPED_TRACE(file);
    std::string content = read_file(file);
    std::vector<Part> whole = split(content, content.size());
    if (whole.empty()) continue;  // not an interchange file: nothing handed out
    std::string joined;
    for (const Part& p : whole) joined += p.bytes;
    EXPECT_EQ(joined, content);
    for (std::size_t piece : {1, 2, 3, 7, 64}) EXPECT_TRUE(split(content, piece) == whole) << piece;
  }
}

TEST(InterchangeSplitterTest, TenMegabyteSegmentOnOneLineInBoundedBlocks) {
  std::string big = "UNA:+.? 'UNB+UNOA:1+S+PARTNER+D+C1'UNH+M1+INVOIC'FTX+AAI+++";
  big += std::string(10 << 20, 'x');
  big += "?''UNT+3+M1'UNZ+1+C1'";
  Recorder r;
  r.keep_bytes = false;
  InterchangeSplitter splitter(r);
  const std::size_t piece = 1 << 20;
  for (std::size_t at = 0; at < big.size(); at += piece) {
    ASSERT_TRUE(splitter.feed(big.data() + at, std::min(piece, big.size() - at)));
  }
  ASSERT_TRUE(splitter.finish());
  ASSERT_EQ(r.parts.size(), 1u);
  EXPECT_TRUE(r.parts[0].send);
  EXPECT_EQ(r.parts[0].header, "UNB+UNOA:1+S+PARTNER+D+C1'");
  EXPECT_EQ(r.parts[0].after_header, "UNH+M1+INVOIC'");
  EXPECT_LE(r.largest_block, std::size_t{128} << 10) << "bytes are handed on, not gathered";
}

}  // namespace
}  // namespace kv
