// Tests of the selection file of the retrieve (/SEL=).
#include "client/appfiles/selection_file.h"

#include <gtest/gtest.h>

#include "client/appfiles/rcv_record.h"

namespace kv {
namespace {

RcvRecord record(const std::string& surname, const std::string& priority,
                 const std::string& subject = "") {
  RcvRecord r;
  r.set(rcv::kMessageId, "MID1");
  r.set(rcv::kSurname, surname);
  r.set(rcv::kPriority, priority);
  r.set(rcv::kSubject, subject);
  return r;
}

TEST(SelectionFile, OrBindsMoreCloselyThanAnd) {
  SelectionFile file;
  ASSERT_TRUE(file.parse({"SUR=JAN*", "or", "SUR=PIET*", "PRI=1"}, false));
  EXPECT_TRUE(file.accepts(record("Jansen", "1")));
  EXPECT_TRUE(file.accepts(record("PIETERS", "1")));
  EXPECT_FALSE(file.accepts(record("JANSEN", "2")));
  EXPECT_FALSE(file.accepts(record("KLAASEN", "1")));

  // "or" at the start or the end of a condition line, blank lines skipped, "!" negates.
  ASSERT_TRUE(file.parse({"sur=JAN* or", "", "SUR=PIET*", "  or SUB=X*", "PRI!2   "}, false));
  EXPECT_EQ(file.groups().size(), 2u);
  EXPECT_EQ(file.groups()[0].size(), 3u);
  EXPECT_TRUE(file.accepts(record("PIETERS", "1")));
  EXPECT_FALSE(file.accepts(record("PIETERS", "2")));

  // A value longer than its field is false with either operator.
  ASSERT_TRUE(file.parse({"PRI!12"}, false));
  EXPECT_FALSE(file.accepts(record("X", "1")));
  ASSERT_TRUE(file.parse({"SUB=*"}, false));
  EXPECT_TRUE(file.accepts(record("X", "1", "anything")));
}

TEST(SelectionFile, InvalidFiles) {
  SelectionFile file;
  EXPECT_FALSE(file.parse({}, false));                          // no condition at all
  EXPECT_FALSE(file.parse({"or", "SUR=A"}, false));             // begins with "or"
  EXPECT_FALSE(file.parse({"or SUR=A"}, false));
  EXPECT_FALSE(file.parse({"SUR=A", "or", "or", "SUR=B"}, false));  // "or" after "or"
  EXPECT_FALSE(file.parse({"SUR=A or", "or SUR=B"}, false));
  EXPECT_FALSE(file.parse({"SUR=A", "or"}, false));             // ends with "or"
  EXPECT_FALSE(file.parse({"SUR="}, false));                    // shorter than five
  EXPECT_FALSE(file.parse({"SUR:ABC"}, false));                 // operator
  EXPECT_FALSE(file.parse({"XYZ=ABC"}, false));                 // unknown key
  EXPECT_TRUE(file.parse({"MID=EDI*"}, false));
  EXPECT_FALSE(file.parse({"MID=EDI*"}, true));                 // MID with /RT
  EXPECT_TRUE(file.parse({"ORG=ACME"}, true));                  // "OR" of ORG is no "or"
}

}  // namespace
}  // namespace kv
