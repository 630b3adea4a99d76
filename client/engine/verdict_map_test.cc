#include "client/engine/verdict_map.h"

#include <gtest/gtest.h>

#include "client/engine/message_commands.h"
#include "client/engine/session_state.h"
#include "client/engine/testing/fake_api.h"

namespace kv::engine {
namespace {

TEST(VerdictMapTest, EveryVerdict) {
  struct Row { int verdict; const char* code; int result; };
  const Row rows[] = {
      {0, "1504", -3},  {1, "1513", -1},  {2, "1513", -1},  {3, "1506", -3},  {4, "1507", -3},
      {5, "1512", -1},  {6, "1508", -1},  {7, "1509", -1},  {8, "1510", -1},  {9, "1511", -1},
      {10, "1521", -1}, {11, "1522", -1}, {20, "1531", -1}, {26, "1537", -1}, {27, "1513", -1},
      {29, "1513", -1}, {-1, "1513", -1}, {-5, "1513", -1}, {1000, "1513", -1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.verdict);
    const VerdictMapping m = map_verdict_value(row.verdict);
    EXPECT_EQ(m.code, row.code);
    EXPECT_EQ(m.result, row.result);
  }
}

TEST(VerdictMapTest, MapVerdictAsksTheServiceAndLeavesTheCode) {
  testing::fake_api().reset();
  reset_session();
  testing::fake_api().expect_failure("API_delMsg", 4);
  EXPECT_EQ(API_delMsg(nullptr, "1"), -1);
  EXPECT_EQ(map_verdict(), -3);
  EXPECT_EQ(session().result_text, "1507");
  testing::fake_api().expect_failure("API_delMsg", 9);
  API_delMsg(nullptr, "1");
  EXPECT_EQ(map_verdict(), -1);
  EXPECT_EQ(session().result_text, "1511");
}

}  // namespace
}  // namespace kv::engine
