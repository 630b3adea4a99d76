// Tests of scrambling of the PIN line of the user file.
#include "client/common/pin_scramble.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace kv {
namespace {

TEST(PinScramble, RoundTripOfLettersAndDigits) {
  const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  for (std::size_t start = 0; start < alphabet.size(); ++start) {
    for (std::size_t length = 1; length <= 12; ++length) {
      std::string pin;
      for (std::size_t i = 0; i < length; ++i) pin += alphabet[(start + i * 7) % alphabet.size()];
      std::string text = pin;
      scramble_pin(text);
      EXPECT_EQ(text.size(), pin.size());
      EXPECT_TRUE(is_scrambled_pin(text)) << pin;
      unscramble_pin(text);
      EXPECT_EQ(text, pin);
    }
  }
}

TEST(PinScramble, KnownValuesAndLowerCase) {
  std::string text = "AZ";
  scramble_pin(text);  // reversed "ZA": 255-'Z', then 'A' 65 -> 56 -> 112
  ASSERT_EQ(text.size(), 2u);
  EXPECT_EQ(static_cast<unsigned char>(text[0]), 255 - 'Z');
  EXPECT_EQ(static_cast<unsigned char>(text[1]), 112);

  text = "PZ";  // 'P' 80 -> "08" -> 8 -> 16, below 33: 16 - 56 = 216
  scramble_pin(text);
  EXPECT_EQ(static_cast<unsigned char>(text[1]), 216);
  unscramble_pin(text);
  EXPECT_EQ(text, "PZ");

  text = "geheim12";
  scramble_pin(text);
  unscramble_pin(text);
  EXPECT_EQ(text, "GEHEIM12");

  text = "";
  scramble_pin(text);
  EXPECT_EQ(text, "");
  EXPECT_FALSE(is_scrambled_pin("ABC"));
}

// What the scrambling cannot keep is told apart from what it keeps, for every byte in every place
// of a password: codes of 100 and more do not survive, except as the last character (up to 127),
// and a NUL never.
TEST(PinScramble, KeepsExactlyWhatReadsBack) {
  for (int code = 0; code < 256; ++code) {
    for (const std::string& around : {std::string("AB"), std::string("9")}) {
      const char c = static_cast<char>(code);
      const std::string upper(1, static_cast<char>(std::toupper(code)));
      const unsigned char u = static_cast<unsigned char>(upper[0]);
      const bool kept_inside = code != 0 && u < 100;
      EXPECT_EQ(scrambling_keeps(c + around), kept_inside) << code;
      EXPECT_EQ(scrambling_keeps(around + c + around), kept_inside) << code;
      EXPECT_EQ(scrambling_keeps(around + c), code != 0 && u < 128) << code;
    }
  }
  EXPECT_TRUE(scrambling_keeps("secret7"));
  EXPECT_FALSE(scrambling_keeps("sec{ret"));
}

}  // namespace
}  // namespace kv
