// Tests of the engine status file.
#include "client/engine/status_file.h"

#include <algorithm>

#include "client/engine/testing/engine_test_env.h"
#include "platform/fs.h"

namespace kv::engine {
namespace {

using testing::EngineTest;
using testing::kTestStamp;

class StatusFileTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    ctx_.session.engine_dir = dir_.path();
    ctx_.session.status_file_path = dir_.file("qrtlnk.sts");
    journal_settings().enabled = true;
  }
};

TEST_F(StatusFileTest, LineKeepsOnlyFilledFieldsAndReplacesBars) {
  std::string record = start_status_line("*003ONTVANG");
  EXPECT_EQ(std::count(record.begin(), record.end(), '|'), 43);
  set_result_code(record, "0000");
  write_status_line(ctx_, record);
  EXPECT_FALSE(ctx_.session.any_failure);

  record = start_status_line("*004LIJST");
  set_result_code(record, "0000");
  set_field(record, status::rapport::kReportFile, "a|b");
  write_status_line(ctx_, record);

  // An empty record keeps one bar.
  write_status_line(ctx_, empty_status_record());
  EXPECT_EQ(dir_.lines("qrtlnk.sts"),
            (std::vector<std::string>{std::string("*003ONTVANG|") + kTestStamp + "|0000",
                                      std::string("*004LIJST|") + kTestStamp + "|0000||a!b",
                                      "|"}));
  // The empty record had no "0000": the session counts a failure.
  EXPECT_TRUE(ctx_.session.any_failure);
}

TEST_F(StatusFileTest, AnyFailureFlagFollowsFieldThree) {
  std::string record = start_status_line("*001ZEND");
  set_result_code(record, "0000");
  write_status_line(ctx_, record);
  EXPECT_FALSE(ctx_.session.any_failure);
  set_result_code(record, "2504");
  write_status_line(ctx_, record);
  EXPECT_TRUE(ctx_.session.any_failure);
  // Once set it stays, also after later successes.
  set_result_code(record, "0000");
  write_status_line(ctx_, record);
  EXPECT_TRUE(ctx_.session.any_failure);
  EXPECT_EQ(dir_.lines("qrtlnk.sts").size(), 3u);
}

TEST_F(StatusFileTest, UnopenableStatusFileLosesTheLineAndLeavesTheFlag) {
  ctx_.session.status_file_path = dir_.file("missing-dir/qrtlnk.sts");
  std::string record = start_status_line("*001ZEND");
  set_result_code(record, "2504");
  write_status_line(ctx_, record);
  EXPECT_FALSE(ctx_.session.any_failure);
  EXPECT_TRUE(journal_has("**|", "Fout bij openen QRT400 statusbestand"));
}

TEST_F(StatusFileTest, LongRecordIsCutAtTheRecordSize) {
  std::string record = start_status_line("*001ZEND");
  set_result_code(record, "0000");
  set_field(record, status::kLastField, std::string(2000, 'x'));
  std::string line = status_line_text(record);
  EXPECT_EQ(line.size(), status::kLineLimit);
  // A record holding only field 1 ends right behind it.
  std::string only_id = empty_status_record();
  set_field(only_id, status::kTag, "*000CONNECT");
  EXPECT_EQ(status_line_text(only_id), "*000CONNECT");
}

TEST_F(StatusFileTest, LinesGoToAnOpenFileToo) {
  std::FILE* file = fs::open_stream(dir_.file("other.sts"), "w");
  ASSERT_NE(file, nullptr);
  std::string record = start_status_line("*002ONTVANG");
  set_result_code(record, "1512");
  write_status_line(ctx_, file, record);
  std::fclose(file);
  EXPECT_EQ(dir_.read("other.sts"), std::string("*002ONTVANG|") + kTestStamp + "|1512\n");
  EXPECT_TRUE(ctx_.session.any_failure);
}

}  // namespace
}  // namespace kv::engine
