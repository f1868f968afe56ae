#include "platform/TextCodec.h"

#include <gtest/gtest.h>

namespace karone::textcodec {
namespace {

TEST(TextCodec, RoundTripsJapaneseThroughCodePage932) {
  // Full-width space, half-width katakana and a wave dash as the program's
  // own texts use them.
  const std::string utf8 = "に接続中　ﾟｰ～";
  auto cp932 = utf8ToCp932(utf8);
  ASSERT_TRUE(cp932);
  EXPECT_EQ(*cp932, "\x82\xC9\x90\xDA\x91\xB1\x92\x86\x81\x40\xDF\xB0\x81\x60");
  EXPECT_EQ(cp932ToUtf8(*cp932), utf8);
  EXPECT_EQ(cp932Length(utf8), cp932->size());
}

TEST(TextCodec, RefusesWhatCannotBeConverted) {
  EXPECT_FALSE(utf8ToCp932("\xF0\x9F\x98\x80"));  // an emoji has no code page 932 form
  EXPECT_FALSE(utf8ToCp932("\xC3"));              // truncated UTF-8
  EXPECT_FALSE(utf8ToCp932("\xED\xA0\x80"));      // a surrogate
  EXPECT_FALSE(cp932ToUtf8("\x82"));              // lead byte without trail byte
  EXPECT_EQ(cp932ToUtf8Lossy("a\x82"), "a\xEF\xBF\xBD");
  EXPECT_FALSE(utf16leToUtf8("abc"));  // odd byte count
}

TEST(TextCodec, Utf16RoundTrip) {
  auto utf16 = utf8ToUtf16le("Aあ\xF0\x9F\x98\x80");
  ASSERT_TRUE(utf16);
  EXPECT_EQ(utf16->size(), 2u + 2u + 4u);
  EXPECT_EQ(utf16leToUtf8(*utf16), "Aあ\xF0\x9F\x98\x80");
}

TEST(TextCodec, TruncatesAtCharacterBoundaries) {
  // "あ" is two bytes in code page 932, three in UTF-8.
  EXPECT_EQ(truncateToCp932("aあい", 2), "a");
  EXPECT_EQ(truncateToCp932("aあい", 3), "aあ");
  EXPECT_EQ(truncateToCp932("aあい", 100), "aあい");
  std::string many(300, 'x');
  EXPECT_EQ(truncateToCp932(many, 255).size(), 255u);
  std::string kana;
  for (int i = 0; i < 200; ++i) kana += "あ";
  std::string cut = truncateToCp932("x" + kana, 255);
  EXPECT_EQ(cp932Length(cut), 255u);  // 1 + 127 * 2
  EXPECT_TRUE(isValidUtf8(cut));
  std::string cut2 = truncateToCp932(kana, 255);
  EXPECT_EQ(cp932Length(cut2), 254u);  // never half a double-byte character
}

}  // namespace
}  // namespace karone::textcodec
