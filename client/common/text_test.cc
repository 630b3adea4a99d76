// Tests of line reading and the small text helpers shared by both halves.
#include "client/common/text.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>

namespace kv {
namespace {

// A stream over `content` (closed by the caller).
std::FILE* stream_of(const std::string& content) {
  std::FILE* f = std::tmpfile();
  std::fwrite(content.data(), 1, content.size(), f);
  std::rewind(f);
  return f;
}

TEST(ReadLine, LengthLimit) {
  std::string line;
  std::FILE* f = stream_of(std::string(99, 'a') + "\n" + std::string(99, 'b') + "\r\n" +
                           std::string(100, 'c') + "\n");
  EXPECT_EQ(read_line(line, f, 100), 0);
  EXPECT_EQ(line, std::string(99, 'a'));
  EXPECT_EQ(read_line(line, f, 100), 0);  // CR LF does not count against the limit
  EXPECT_EQ(line, std::string(99, 'b'));
  EXPECT_EQ(read_line(line, f, 100), -2);
  std::fclose(f);
}

TEST(ReadLine, SkipsBlankLinesKeepsLeadingBlanksAndEnds) {
  std::string line;
  std::FILE* f = stream_of("\n   \r\n\r\n  first\r\n\tx\n\nlast");
  EXPECT_EQ(read_line(line, f, 100), 0);
  EXPECT_EQ(line, "  first");
  EXPECT_EQ(read_line(line, f, 100), 0);
  EXPECT_EQ(line, "\tx");  // a tab is not a blank
  EXPECT_EQ(read_line(line, f, 100), 0);
  EXPECT_EQ(line, "last");  // no line feed at the end
  EXPECT_EQ(read_line(line, f, 100), -1);
  EXPECT_EQ(line, "");
  std::fclose(f);

  f = stream_of("only\n   \n");
  EXPECT_EQ(read_line(line, f, 100, LineFlavour::engine), 0);
  EXPECT_EQ(line, "only");
  EXPECT_EQ(read_line(line, f, 100, LineFlavour::engine), 0);  // engine: 0 and empty at the end
  EXPECT_EQ(line, "");
  EXPECT_TRUE(std::feof(f));
  std::fclose(f);

  f = stream_of("a\rb\r");  // a lone carriage return stays; one before the end goes
  EXPECT_EQ(read_line(line, f, 100), 0);
  EXPECT_EQ(line, "a\rb");
  std::fclose(f);
}

TEST(Text, TrimTrailing) {
  // Blanks, carriage returns and line feeds go from the end; a tab and leading blanks stay.
  const std::pair<std::string, std::string> cases[] = {
      {"abc \r\n", "abc"}, {"abc\t", "abc\t"}, {" \r\n ", ""}, {"", ""}, {" lead", " lead"}};
  for (const auto& [before, after] : cases) {
    std::string text = before;
    trim_trailing(text);
    EXPECT_EQ(text, after) << '"' << before << '"';
  }
}

TEST(Text, DateToStamp) {
  EXPECT_EQ(date_to_stamp("05-03-02 14:30"), "200203051430");
  EXPECT_EQ(date_to_stamp("31-12-95 23:59"), "199512312359");
  EXPECT_EQ(date_to_stamp("01/01/90 00:00"), "209001010000");
  EXPECT_EQ(date_to_stamp("01/01/91 00:00"), "199101010000");
  EXPECT_EQ(date_to_stamp("").size(), 12u);  // short input never reads past its end
}

TEST(Text, CaseAndNumbers) {
  EXPECT_EQ(to_upper("qrtlnk.scr /o=x"), "QRTLNK.SCR /O=X");
  EXPECT_TRUE(equals_ignore_case("Kovedial.txt", "KOVEDIAL.TXT"));
  EXPECT_FALSE(equals_ignore_case("abc", "abcd"));
  EXPECT_TRUE(starts_with_ignore_case("vqsite.log", "VQ"));
  EXPECT_FALSE(starts_with_ignore_case("V", "VQ"));
  EXPECT_EQ(leading_number("  42abc"), 42);
  EXPECT_EQ(leading_number("-7"), -7);
  EXPECT_EQ(leading_number("x1"), 0);
  EXPECT_EQ(leading_number(""), 0);
  EXPECT_GT(leading_number("99999999999999999999999"), 0);  // saturates, no overflow
  EXPECT_EQ(format("%04d%02d|%s", 2003, 2, "x"), "200302|x");
  EXPECT_EQ(format("%s", std::string(5000, 'y').c_str()).size(), 5000u);
}

// Catalogue texts take their values whole: a list identifier from the service may hold any byte.
TEST(Text, FilledPutsValuesInWholeAndInOrder) {
  const std::string hostile("a%s\0b", 5);
  EXPECT_EQ(filled("skipped: >%s<", {hostile}), "skipped: >" + hostile + "<");
  EXPECT_EQ(filled("start %s with >%s<", {"get", ""}), "start get with ><");
  // A missing value leaves its place as it is; a spare value is ignored.
  EXPECT_EQ(filled("start %s with >%s<", {"get"}), "start get with >%s<");
  EXPECT_EQ(filled("sender: %s", {"x", "y"}), "sender: x");
}

}  // namespace
}  // namespace kv
