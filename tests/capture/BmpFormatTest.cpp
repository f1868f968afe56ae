#include "capture/BmpFormat.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "tests/support/TempDir.h"

namespace karone {
namespace {

Picture patterned(int width, int height) {
  Picture p(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < 3 * width; ++x) p.row(y)[x] = static_cast<std::uint8_t>(x * 7 + y * 13);
  }
  return p;
}

void put32(std::string& s, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

TEST(BmpFormat, WritesThe54ByteHeaderAndBottomUpRows) {
  Picture picture = patterned(320, 2);
  const std::string bmp = encodeBmp(picture);
  const std::string expectedHeader(
      "BM\xB6\x07\x00\x00\0\0\0\0\x36\0\0\0"         // file header: size 1920 + 54, offset 54
      "\x28\0\0\0\x40\x01\0\0\x02\0\0\0\x01\0\x18\0"  // 40, 320 x 2, 1 plane, 24 bits
      "\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0",
      54);
  ASSERT_EQ(bmp.size(), 54u + 1920u);
  EXPECT_EQ(bmp.substr(0, 54), expectedHeader);
  EXPECT_EQ(static_cast<std::uint8_t>(bmp[54]), picture.row(0)[0]);  // bottom row first
  EXPECT_EQ(static_cast<std::uint8_t>(bmp[54 + 960]), picture.row(1)[0]);
}

TEST(BmpFormat, RoundTripsPicturesWithAndWithoutRowPadding) {
  for (int width : {1, 2, 3, 5, 160, 176, 1920}) {
    Picture picture = patterned(width, 3);
    BmpDecodeResult back = decodeBmp(encodeBmp(picture));
    ASSERT_TRUE(back.ok()) << width << ": " << back.error;
    EXPECT_EQ(back.picture, picture) << width;
  }
}

TEST(BmpFormat, WriteBmpReplacesAnOlderLargerFile) {
  testing::TempDir dir;
  const std::string path = dir.file("still_img_latest.bmp");
  testing::writeFile(path, std::string(100000, 'x'));
  ASSERT_TRUE(writeBmp(path, patterned(4, 4)).ok);
  BmpDecodeResult back = decodeBmp(testing::readFile(path));
  ASSERT_TRUE(back.ok()) << back.error;
  EXPECT_EQ(testing::readFile(path).size(), 54u + 4 * 12u);
  FileResult bad = writeBmp(dir.file("missing/x.bmp"), patterned(4, 4));
  EXPECT_FALSE(bad.ok);
  EXPECT_NE(bad.error.find("missing/x.bmp"), std::string::npos);
}

TEST(BmpFormat, ReadsEightBitFilesThroughTheirColourTable) {
  // 3 x 2 pixels, 40-byte header, a colour table of 2 entries (blue-green-
  // red-reserved), rows padded to 4 bytes.
  std::string file(54 + 8, '\0');
  file[0] = 'B';
  file[1] = 'M';
  put32(file, 10, 54 + 8);
  put32(file, 14, 40);
  put32(file, 18, 3);
  put32(file, 22, 2);
  file[26] = 1;
  file[28] = 8;
  put32(file, 46, 2);
  file.replace(54, 8, std::string("\x10\x20\x30\0\xAA\xBB\xCC\0", 8));
  file += std::string("\x00\x01\x00\0\x01\x01\x05\0", 8);  // index 5 is past the table
  BmpDecodeResult r = decodeBmp(file);
  ASSERT_TRUE(r.ok()) << r.error;
  ASSERT_EQ(r.picture.width(), 3);
  const std::uint8_t* bottom = r.picture.row(0);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(bottom), 9),
            std::string("\x10\x20\x30\xAA\xBB\xCC\x10\x20\x30", 9));
  const std::uint8_t* top = r.picture.row(1);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(top), 9),
            std::string("\xAA\xBB\xCC\xAA\xBB\xCC\0\0\0", 9));
}

TEST(BmpFormat, ReadsTheTwelveAndSixtyFourByteHeaders) {
  // 12-byte header: 16-bit width and height, 3-byte colour table entries.
  std::string core(26, '\0');
  core[0] = 'B';
  core[1] = 'M';
  put32(core, 10, 26);
  put32(core, 14, 12);
  core[18] = 2;  // width 2
  core[20] = 1;  // height 1
  core[22] = 1;  // planes
  core[24] = 24;
  core += std::string("\x01\x02\x03\x04\x05\x06\0\0", 8);
  BmpDecodeResult r = decodeBmp(core);
  ASSERT_TRUE(r.ok()) << r.error;
  EXPECT_EQ(r.picture.width(), 2);
  EXPECT_EQ(r.picture.row(0)[5], 6);

  std::string big = encodeBmp(patterned(4, 2));
  big.insert(54, 24, '\0');
  put32(big, 14, 64);
  put32(big, 10, 78);
  BmpDecodeResult r64 = decodeBmp(big);
  ASSERT_TRUE(r64.ok()) << r64.error;
  EXPECT_EQ(r64.picture, patterned(4, 2));
}

TEST(BmpFormat, RefusesMalformedFiles) {
  const std::string good = encodeBmp(patterned(8, 8));
  struct Case {
    const char* name;
    std::size_t at;  // where to patch a 32-bit or 16-bit value (0: no patch)
    std::uint32_t value;
    int bytes;
    std::size_t keep;  // bytes kept (0: all)
    const char* expected;
  } cases[] = {
      {"empty", 0, 0, 0, 1, "not a BMP"},
      {"wrong magic", 0, 0x4D43, 2, 0, "not a BMP"},
      {"header cut", 0, 0, 0, 30, "truncated in its header"},
      {"pixels cut", 0, 0, 0, good.size() - 1, "truncated in its pixel data"},
      {"info header 108", 14, 108, 4, 0, "info header of 108"},
      {"two planes", 26, 2, 2, 0, "2 planes"},
      {"16 bits", 28, 16, 2, 0, "16 bits"},
      {"32 bits", 28, 32, 2, 0, "32 bits"},
      {"1 bit", 28, 1, 2, 0, "1 bits"},
      {"compressed", 30, 1, 4, 0, "compressed"},
      {"zero width", 18, 0, 4, 0, "unsupported BMP size"},
      {"top-down", 22, 0xFFFFFFF8u, 4, 0, "unsupported BMP size"},
      {"absurd width", 18, 0x7FFFFFFF, 4, 0, "too large"},
      {"absurd height", 22, 100000, 4, 0, "too large"},
      {"large but missing", 18, 60000, 4, 0, "truncated in its pixel data"},
      {"offset past end", 10, 0xFFFFFFF0u, 4, 0, "truncated in its pixel data"},
      {"offset in header", 10, 20, 4, 0, "overlaps"},
      {"8-bit table too big", 28, 8, 2, 0, "truncated in its colour table"},
  };
  for (const Case& c : cases) {
    std::string file = good;
    if (c.keep) file.resize(c.keep == 1 ? 0 : c.keep);
    for (int i = 0; i < c.bytes; ++i) file[c.at + i] = static_cast<char>((c.value >> (8 * i)) & 0xFF);
    BmpDecodeResult r = decodeBmp(file);
    EXPECT_FALSE(r.ok()) << c.name;
    EXPECT_NE(r.error.find(c.expected), std::string::npos) << c.name << ": " << r.error;
    EXPECT_TRUE(r.picture.empty()) << c.name;
  }
}

}  // namespace
}  // namespace karone
