#include "platform/curl/FtpListingTime.h"

#include <array>
#include <cctype>
#include <ctime>
#include <string>
#include <vector>

namespace karone {
namespace {

std::vector<std::string_view> words(std::string_view text) {
  std::vector<std::string_view> out;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    std::size_t start = i;
    while (i < text.size() && !std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    if (i > start) out.push_back(text.substr(start, i - start));
  }
  return out;
}

// Digits only, at most 4 of them; -1 otherwise.
int number(std::string_view s) {
  if (s.empty() || s.size() > 4) return -1;
  int n = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return -1;
    n = n * 10 + (c - '0');
  }
  return n;
}

int monthOf(std::string_view s) {
  static constexpr std::array<const char*, 12> names = {
      "jan", "feb", "mar", "apr", "may", "jun", "jul", "aug", "sep", "oct", "nov", "dec"};
  if (s.size() != 3) return 0;
  for (std::size_t m = 0; m < names.size(); ++m) {
    bool same = true;
    for (int k = 0; k < 3; ++k) {
      same = same && std::tolower(static_cast<unsigned char>(s[k])) == names[m][k];
    }
    if (same) return static_cast<int>(m) + 1;
  }
  return 0;
}

bool hourMinute(std::string_view s, int& hour, int& minute) {
  auto colon = s.find(':');
  if (colon == std::string_view::npos) return false;
  hour = number(s.substr(0, colon));
  minute = number(s.substr(colon + 1, 2));
  std::string_view rest = s.substr(std::min(s.size(), colon + 3));
  if (hour < 0 || minute < 0 || minute > 59 || s.size() < colon + 3) return false;
  if (!rest.empty()) {  // MS-DOS "04:06AM" / "04:06PM"
    bool pm = rest == "PM" || rest == "pm";
    bool am = rest == "AM" || rest == "am";
    if (!pm && !am) return false;
    if (hour < 1 || hour > 12) return false;
    hour = (hour % 12) + (pm ? 12 : 0);
  }
  return hour <= 23;
}

bool validDate(int year, int month, int day) {
  static constexpr int days[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return year >= 1900 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
         day <= days[month - 1];
}

// Seconds since 1970 of a UTC calendar date (proleptic Gregorian).
std::int64_t daysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const int era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return static_cast<std::int64_t>(era) * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

FtpFileTime unixStyle(const std::vector<std::string_view>& w, Seconds now) {
  FtpFileTime t;
  int month = monthOf(w[0]);
  int day = number(w[1]);
  if (month == 0 || day < 1) return {};
  int hour = 0, minute = 0, year = number(w[2]);
  if (year < 0) {
    if (!hourMinute(w[2], hour, minute)) return {};
    std::time_t nowT = static_cast<std::time_t>(now);
    std::tm utc{};
    gmtime_r(&nowT, &utc);
    year = utc.tm_year + 1900;
    std::int64_t when = daysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60;
    if (when > now + 86400) --year;
  }
  if (!validDate(year, month, day)) return {};
  t.year = year;
  t.month = month;
  t.day = day;
  t.hour = hour;
  t.minute = minute;
  return t;
}

FtpFileTime dosStyle(const std::vector<std::string_view>& w) {
  std::string_view date = w[0];
  auto d1 = date.find('-');
  auto d2 = d1 == std::string_view::npos ? d1 : date.find('-', d1 + 1);
  if (d2 == std::string_view::npos) return {};
  int month = number(date.substr(0, d1));
  int day = number(date.substr(d1 + 1, d2 - d1 - 1));
  std::string_view yearText = date.substr(d2 + 1);
  int year = number(yearText);
  if (year < 0 || (yearText.size() != 2 && yearText.size() != 4)) return {};
  if (yearText.size() == 2) year += year < 70 ? 2000 : 1900;
  int hour = 0, minute = 0;
  if (w.size() > 1 && !hourMinute(w[1], hour, minute)) return {};
  if (!validDate(year, month, day)) return {};
  FtpFileTime t;
  t.year = year;
  t.month = month;
  t.day = day;
  t.hour = hour;
  t.minute = minute;
  return t;
}

}  // namespace

FtpFileTime parseListingTime(std::string_view text, Seconds now) {
  auto w = words(text);
  if (w.empty()) return {};
  if (w.size() >= 3 && monthOf(w[0]) != 0) return unixStyle(w, now);
  if (w[0].find('-') != std::string_view::npos) return dosStyle(w);
  return {};
}

}  // namespace karone
