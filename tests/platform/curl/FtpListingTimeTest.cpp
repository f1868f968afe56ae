#include "platform/curl/FtpListingTime.h"

#include <gtest/gtest.h>

namespace karone {
namespace {

struct Row {
  const char* text;
  int year, month, day, hour, minute;
};

// "now" is 2026-03-10 12:00 UTC.
constexpr Seconds kNow = 1773144000;

TEST(FtpListingTime, ReadsUnixAndMsDosForms) {
  const Row rows[] = {
      {"Dec  8  2025", 2025, 12, 8, 0, 0},
      {"Mar 10 11:59", 2026, 3, 10, 11, 59},
      {"Mar 11 09:00", 2026, 3, 11, 9, 0},   // within a day ahead: this year
      {"Mar 12 09:00", 2025, 3, 12, 9, 0},   // further ahead: last year
      {"Dec 31 23:59", 2025, 12, 31, 23, 59},
      {"jan  1 00:00", 2026, 1, 1, 0, 0},
      {"Feb 29  2024", 2024, 2, 29, 0, 0},
      {"12-08-26  04:06AM", 2026, 12, 8, 4, 6},
      {"12-08-26  12:06AM", 2026, 12, 8, 0, 6},
      {"12-08-26  12:06PM", 2026, 12, 8, 12, 6},
      {"01-02-99  11:30PM", 1999, 1, 2, 23, 30},
      {"07-04-2031  16:45", 2031, 7, 4, 16, 45},
  };
  for (const Row& r : rows) {
    FtpFileTime t = parseListingTime(r.text, kNow);
    EXPECT_EQ(t.year, r.year) << r.text;
    EXPECT_EQ(t.month, r.month) << r.text;
    EXPECT_EQ(t.day, r.day) << r.text;
    EXPECT_EQ(t.hour, r.hour) << r.text;
    EXPECT_EQ(t.minute, r.minute) << r.text;
  }
}

TEST(FtpListingTime, UnreadableTextGivesZero) {
  const char* rows[] = {"",          "Foo  8 2025", "Dec 32 2025", "Feb 30 2024", "Dec  8 25:00",
                        "13-01-26  04:06AM", "12-08-26  13:06PM", "12-08  04:06AM", "Dec",
                        "Dec  8 99999", "\x01\x02\x03", "12-08-2x  04:06AM"};
  for (const char* text : rows) {
    FtpFileTime t = parseListingTime(text, kNow);
    EXPECT_EQ(t.year, 0) << text;
    EXPECT_EQ(t.month, 0) << text;
    EXPECT_EQ(t.day, 0) << text;
  }
}

}  // namespace
}  // namespace karone
