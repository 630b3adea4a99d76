// Tests of the pattern rules of the receive store.
#include "client/appfiles/patterns.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

TEST(MidPattern, WalksThePatternAndLimitsTheLength) {
  EXPECT_FALSE(mid_pattern_matches("", "ANY"));
  EXPECT_TRUE(mid_pattern_matches("*", ""));
  EXPECT_TRUE(mid_pattern_matches("EDI*", "EDIFACT01"));
  EXPECT_FALSE(mid_pattern_matches("EDI*", "edifact01"));  // case-sensitive
  EXPECT_TRUE(mid_pattern_matches_ignore_case("EDI*", "edifact01"));
  EXPECT_TRUE(mid_pattern_matches("EDI???ABC", "EDIXYZABC"));
  EXPECT_FALSE(mid_pattern_matches("EDI???ABC", "EDIXYZABCD"));  // longer than the pattern
  EXPECT_TRUE(mid_pattern_matches("EDI???ABC", "EDIXYZABC"));
  EXPECT_FALSE(mid_pattern_matches("EDI???", "EDI"));  // "?" needs a character
  EXPECT_TRUE(mid_pattern_matches("???TXT*", "ABCTXT"));
  EXPECT_FALSE(mid_pattern_matches("???TXT*", "ABCTX"));
  EXPECT_FALSE(mid_pattern_matches("ABC", "AB"));  // "C" has nothing to equal
}

TEST(FieldPattern, UpperCaseWidthAndEmptyField) {
  EXPECT_TRUE(field_pattern_matches("jansen", "JANSEN", 40));
  EXPECT_TRUE(field_pattern_matches("JAN*", "Jansen", 40));
  EXPECT_FALSE(field_pattern_matches("JAN", "JANSEN", 40));  // the value ends before the field
  EXPECT_TRUE(field_pattern_matches("JANSENX", "JANSEN", 40));  // value beyond the field: ignored
  EXPECT_TRUE(field_pattern_matches("J?NSEN", "JANSEN", 40));
  EXPECT_FALSE(field_pattern_matches("PIETERS", "JANSEN", 40));
  EXPECT_TRUE(field_pattern_matches(std::string(41, 'Q'), "JANSEN", 40));  // too long: a match
  EXPECT_TRUE(field_pattern_matches("?*", "", 40));
  EXPECT_FALSE(field_pattern_matches("A*", "", 40));
}

}  // namespace
}  // namespace kv
