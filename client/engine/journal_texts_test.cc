// The journal lines with a value show the value byte for byte, wherever it comes from.
#include "client/engine/journal_texts.h"

#include <gtest/gtest.h>

namespace kv::engine {

TEST(JournalTextsTest, ValuesGoInWholeAndInOrder) {
  using journal_text::filled;
  // A list identifier from the service may hold any byte, "%s" included: it is not expanded again.
  const std::string hostile("a%s\0b", 5);
  EXPECT_EQ(filled(journal_text::kInvalidListIdSkipped, {hostile}),
            "ongeldig listId in lijst, overgeslagen: >" + hostile + "<");
  EXPECT_EQ(filled(journal_text::kFetchStart, {"API_getMsg", "L1"}), "start API_getMsg met listId >L1<");
  EXPECT_EQ(filled(journal_text::kListAnnouncementsFrom, {"7", ""}),
            "API_listAnnouncementNext (pb: 7) met listId ><");
  // A missing value leaves its place as it is; a spare value is ignored.
  EXPECT_EQ(filled(journal_text::kFetchStart, {"op"}), "start op met listId >%s<");
  EXPECT_EQ(filled(journal_text::kKillSender, {"x", "y"}), "Afzender: x");
}

}  // namespace kv::engine
