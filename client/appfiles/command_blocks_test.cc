// Tests of the blocks of the engine command file as the result processing needs them.
#include "client/appfiles/command_blocks.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

// An EDI receive request is written as two commands with one tag: the first for the application's
// own kind into its FIL= file, the second for every other EDI message, without FIL=.
TEST(CommandBlocks, MessageOutsideTheFirstBlocksPatternBelongsToTheSecondBlock) {
  CommandBlocks blocks;
  for (const char* line : {"*000CONNECT", "POS=A", "*001ONTVANG", "MID=EDI???STD*", "FIL=in.edi",
                           "*001ONTVANG", "MID=EDI*", "*002ONTVANG", "MID=*"})
    blocks.add_line(line);
  int first = blocks.locate_message("*001ONTVANG", "EDIINSSTD0001A");
  ASSERT_GE(first, 0);
  EXPECT_TRUE(blocks.block(first).has_fil());
  EXPECT_EQ(blocks.locate_message("*001ONTVANG", "EDIINSSTD0001B"), first);
  int second = blocks.locate_message("*001ONTVANG", "EDIINVABC0001C");
  EXPECT_GT(second, first);
  EXPECT_FALSE(blocks.block(second).has_fil());
  EXPECT_EQ(blocks.block(second).mid_pattern, "EDI*");
  // No further block with the tag: the last one found stays.
  EXPECT_EQ(blocks.locate_message("*001ONTVANG", ""), second);
  int third = blocks.locate_message("*002ONTVANG", "X");
  EXPECT_GT(third, second);
}

}  // namespace
}  // namespace kv
