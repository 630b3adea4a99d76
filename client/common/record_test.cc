// Typed records against a split-and-join model of the same edits, the edge cases of a short line,
// and the widths of the file layouts.
#include "client/common/record.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "client/common/rcv_layout.h"
#include "client/common/snd_layout.h"
#include "client/common/status_layout.h"

namespace kv {
namespace {

struct FourFields {
  enum Field : int { kOne = 1, kTwo, kThree, kFour, kFive };
  static constexpr int kEmptyBars = 4;
  static constexpr std::size_t width(Field field) { return field == kThree ? 3 : kNoLimit; }
};
using Four = Record<FourFields>;

std::vector<std::string> split(const std::string& text) {
  std::vector<std::string> pieces(1);
  for (char c : text) {
    if (c == '|') {
      pieces.emplace_back();
    } else {
      pieces.back() += c;
    }
  }
  return pieces;
}

TEST(Record, ReadsAndWritesTheFieldsOfTheLineItHolds) {
  const Four read(std::string("a|b"));
  EXPECT_EQ(read.get(Four::Field::kOne), "a");
  EXPECT_EQ(read.get(FourFields::kTwo), "b");  // the last field has no closing bar
  EXPECT_EQ(read.get(FourFields::kThree), "");
  EXPECT_EQ(Four(std::string("|x||")).get(FourFields::kTwo), "x");
  EXPECT_EQ(Four(std::string("")).get(FourFields::kOne), "");

  Four record(std::string("1||3|"));
  record.set(FourFields::kTwo, "x|y");  // a bar in a value becomes "!"
  EXPECT_EQ(record.text(), "1|x!y|3|");
  record.set(FourFields::kFour, "x");  // not closed by a bar: the record keeps its layout
  record.set(FourFields::kFive, "x");
  EXPECT_EQ(record.text(), "1|x!y|3|");
  record.set(FourFields::kThree, "123456");  // cut to the field's width
  record.set(FourFields::kOne, "");
  EXPECT_EQ(record.text(), "|x!y|123|");
  EXPECT_EQ(record.line(), "|x!y|123");

  record.pad();  // back to the bars of a new record
  EXPECT_EQ(record.text(), "|x!y|123||");
  record.set(FourFields::kFour, "4");
  EXPECT_EQ(record.get(FourFields::kFour), "4");
  EXPECT_EQ(Four().text(), "||||");
  EXPECT_EQ(Four().line(), "|");  // a record of bars only keeps one
  EXPECT_EQ(Four(std::string("")).line(), "");
}

// Any series of edits leaves the record equal to the same edits made on its split pieces.
TEST(Record, EditsChangeOnlyTheirOwnField) {
  std::mt19937 random(25);
  const std::vector<std::string> values = {"",     "a",   "bb",
                                           "cccc", "d|d", "eeeeeeeeeeeeeeeeeeeeeeeee"};
  for (int round = 0; round < 200; ++round) {
    Four record(std::string(random() % 2 == 0 ? "x|y|z|w|" : "x||"));
    std::vector<std::string> model = split(record.text());
    for (int step = 0; step < 12; ++step) {
      const auto field = static_cast<FourFields::Field>(1 + random() % 5);
      const std::string& value = values[random() % values.size()];
      record.set(field, value);
      const std::size_t n = static_cast<std::size_t>(field);
      if (n < model.size()) {
        std::string expected = value.substr(0, FourFields::width(field));
        for (char& c : expected) c = c == '|' ? '!' : c;
        model[n - 1] = expected;
      }
      std::string joined;
      for (std::size_t i = 0; i < model.size(); ++i) joined += (i > 0 ? "|" : "") + model[i];
      ASSERT_EQ(record.text(), joined);
      for (int f = 1; f <= 5; ++f) {
        const auto each = static_cast<FourFields::Field>(f);
        ASSERT_EQ(record.get(each),
                  static_cast<std::size_t>(f) <= model.size() ? model[f - 1] : "");
      }
    }
  }
}

TEST(Record, FileLayoutsCutToTheirWidthsAndMapTheirFields) {
  SndRecord snd;
  EXPECT_EQ(snd.text(), std::string(snd::kFieldCount + 1, '|'));
  for (int n = 1; n <= snd::kFieldCount; ++n) {
    snd.set(static_cast<snd::Field>(n), std::string(300, 'v'));
  }
  std::size_t widths = 0;
  for (int n = 1; n <= snd::kFieldCount; ++n) {
    const auto field = static_cast<snd::Field>(n);
    EXPECT_EQ(snd.get(field).size(), snd::width(field)) << n;
    widths += snd::width(field);
  }
  EXPECT_EQ(snd.get(snd::kSubject).size(), 256u);
  EXPECT_LE(snd.line().size(), snd::kLineLimit);
  EXPECT_EQ(snd.line().size(), widths + snd::kFieldCount - 1);

  // A received message's status line gives the receive store its fields.
  StatusRecord line;
  line.set(status::message::kMessageId, "MID");
  line.set(status::message::kSurname, "JANSEN");
  line.set(status::message::kLastOriginator, "LAST");
  EXPECT_EQ(line.get(rcv::status_field(rcv::kMessageId)), "MID");
  EXPECT_EQ(line.get(rcv::status_field(rcv::kSurname)), "JANSEN");
  EXPECT_EQ(line.get(rcv::status_field(rcv::kLastField)), "LAST");
  EXPECT_EQ(nth_field(status::message::kOriginator, rcv::kLastField - rcv::kCountry),
            status::message::kLastOriginator);
}

}  // namespace
}  // namespace kv
