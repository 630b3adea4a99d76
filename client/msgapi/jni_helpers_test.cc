// JNI helpers that work without a machine: accessor names, Latin-1 conversion, and the fall-back
// of the client's log to debug.log.
#include "client/msgapi/jni_helpers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "client/msgapi/testing/engine_home_fixture.h"

namespace {

using kv::testing::EngineHomeTest;
using namespace kv::msgapi;

TEST(PropertyNames, FirstLetterUpperCased) {
  EXPECT_EQ(getter_name("subject"), "getSubject");
  EXPECT_EQ(getter_name("ORName"), "getORName");
  EXPECT_EQ(getter_name("eit"), "getEit");
  EXPECT_EQ(setter_name("notifReq"), "setNotifReq");
  EXPECT_EQ(setter_name("domDefAttrVA"), "setDomDefAttrVA");
}

TEST(Latin1, EveryByteIsOneChar) {
  std::string all;
  for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
  std::vector<jchar> chars = latin1_to_chars(all.c_str());
  ASSERT_EQ(chars.size(), 255u);
  EXPECT_EQ(chars[0], 1);
  EXPECT_EQ(chars[0xE9 - 1], 0xE9);  // é stays one char, not two UTF-8 bytes
  EXPECT_EQ(chars[254], 0xFF);
  EXPECT_EQ(chars_to_latin1(chars), all);
  // Chars that 8 bits cannot hold come back as "?".
  EXPECT_EQ(chars_to_latin1({'a', 0x20AC, 0x100, 'z'}), "a??z");
  EXPECT_EQ(latin1_to_chars("").size(), 0u);
}

TEST_F(EngineHomeTest, HelpersWithoutMachineFailQuietly) {
  char field[8] = "keep";
  std::int16_t s = 5;
  EXPECT_FALSE(JNI_checkException("label %d", 1));
  EXPECT_EQ(JNI_findClass("java/lang/String"), nullptr);
  EXPECT_EQ(JNI_getStringProperty(nullptr, nullptr, "subject", field, 8), -1);
  EXPECT_EQ(JNI_getShortProperty(nullptr, nullptr, "eit", &s), -1);
  EXPECT_EQ(JNI_setStringProperty(nullptr, nullptr, "subject", "x"), -1);
  EXPECT_STREQ(field, "keep");
  EXPECT_EQ(s, 5);
  EXPECT_EQ(debug_text(), "");

  JNI_logMessage("type [%d] %s", 4, "\xE9t\xE9");
  const std::string long_text(600, 'x');
  JNI_logMessage("%s", long_text.c_str());
  EXPECT_EQ(debug_lines(), (std::vector<std::string>{
                               "JNI_logMessage: no JVM, msg [type [4] \xE9t\xE9]",
                               "JNI_logMessage: no JVM, msg [" + std::string(511, 'x') + "]",
                           }));
}

}  // namespace
