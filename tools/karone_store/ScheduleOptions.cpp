#include "tools/karone_store/ScheduleOptions.h"

#include <cstdio>
#include <map>

#include "resources/Texts.h"
#include "tools/ToolText.h"

namespace karone::store {
namespace {

// A whole decimal number of at most `maxDigits` digits, or nothing.
std::optional<int> number(const std::string& text, size_t minDigits, size_t maxDigits) {
  if (text.size() < minDigits || text.size() > maxDigits) return std::nullopt;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

// HH:MM (one or two digits for the hour).
bool parseTime(const std::string& text, int& hour, int& minute) {
  const auto colon = text.find(':');
  if (colon == std::string::npos) return false;
  auto h = number(text.substr(0, colon), 1, 2);
  auto m = number(text.substr(colon + 1), 2, 2);
  if (!h || !m || *h > 23 || *m > 59) return false;
  hour = *h;
  minute = *m;
  return true;
}

// YYYY-MM-DD, a date that exists.
bool parseDate(const std::string& text, LocalDate& date) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
  auto y = number(text.substr(0, 4), 4, 4);
  auto mo = number(text.substr(5, 2), 2, 2);
  auto d = number(text.substr(8, 2), 2, 2);
  if (!y || !mo || !d || *y < 1970 || *y > 2037 || *mo < 1 || *mo > 12 || *d < 1) return false;
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (*y % 4 == 0 && *y % 100 != 0) || *y % 400 == 0;
  const int days = kDays[*mo - 1] + (*mo == 2 && leap ? 1 : 0);
  if (*d > days) return false;
  date = LocalDate{*y, *mo, *d};
  return true;
}

std::string bad(const char* option, const std::string& value) {
  return formatText(Text::StoreBadOptionValue, option, tools::shown(value).c_str());
}

}  // namespace

std::optional<ScheduleOptions> parseScheduleOptions(const std::vector<std::string>& args,
                                                    Seconds now, std::string& error) {
  static const char* const kKnown[] = {"--name",  "--profile",    "--mode",     "--period",
                                       "--weekday", "--start-date", "--start",   "--end-date",
                                       "--end",   "--source",     "--size",     "--update"};
  std::map<std::string, std::string> values;
  ScheduleOptions out;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.rfind("--", 0) != 0) {
      out.positional.push_back(arg);
      continue;
    }
    bool known = false;
    for (const char* k : kKnown) known = known || arg == k;
    if (!known) {
      error = formatText(Text::StoreUnknownOption, "add-schedule", tools::shown(arg).c_str());
      return std::nullopt;
    }
    if (i + 1 >= args.size()) {
      error = formatText(Text::StoreOptionNeedsValue, arg.c_str());
      return std::nullopt;
    }
    if (values.count(arg) != 0) {
      error = formatText(Text::StoreOptionTwice, arg.c_str());
      return std::nullopt;
    }
    values[arg] = args[++i];
  }
  for (const char* required : {"--profile", "--start", "--end"}) {
    if (values.count(required) == 0) {
      error = formatText(Text::StoreOptionRequired, required);
      return std::nullopt;
    }
  }

  ScheduleFields& f = out.fields;
  f.name = values["--name"];  // missing: empty, refused by the rules with their message
  f.ftpProfileName = values["--profile"];

  if (values.count("--mode")) {
    const std::string& mode = values["--mode"];
    if (mode == "motion") {
      f.captureMode = CaptureMotion;
    } else if (mode == "still") {
      f.captureMode = CaptureStill;
    } else {
      error = bad("--mode", mode);
      return std::nullopt;
    }
  }
  if (values.count("--period")) {
    const std::string& period = values["--period"];
    if (period == "once") {
      f.period = PeriodOnce;
    } else if (period == "weekly") {
      f.period = PeriodWeekly;
    } else if (period == "daily") {
      f.period = PeriodDaily;
    } else {
      error = bad("--period", period);
      return std::nullopt;
    }
  }
  if (values.count("--weekday")) {
    auto w = number(values["--weekday"], 1, 1);
    if (!w || *w > 6) {
      error = bad("--weekday", values["--weekday"]);
      return std::nullopt;
    }
    f.weekday = *w;
  } else if (f.period == PeriodWeekly) {
    error = formatText(Text::StoreOptionRequired, "--weekday");
    return std::nullopt;
  }

  const LocalTime today = toLocalTime(now);
  f.startDate = LocalDate{today.year, today.month, today.day};
  if (values.count("--start-date") && !parseDate(values["--start-date"], f.startDate)) {
    error = bad("--start-date", values["--start-date"]);
    return std::nullopt;
  }
  f.endDate = f.startDate;
  if (values.count("--end-date") && !parseDate(values["--end-date"], f.endDate)) {
    error = bad("--end-date", values["--end-date"]);
    return std::nullopt;
  }
  if (!parseTime(values["--start"], f.startHour, f.startMinute)) {
    error = bad("--start", values["--start"]);
    return std::nullopt;
  }
  if (!parseTime(values["--end"], f.endHour, f.endMinute)) {
    error = bad("--end", values["--end"]);
    return std::nullopt;
  }

  if (values.count("--source")) {
    const std::string& s = values["--source"];
    if (s == "-1") {
      f.videoSource = -1;
    } else if (auto v = number(s, 1, 1); v && *v >= 1 && *v <= 3) {
      f.videoSource = *v;
    } else {
      error = bad("--source", s);
      return std::nullopt;
    }
  }
  if (values.count("--size")) {
    auto v = number(values["--size"], 1, 1);
    if (!v || *v > 2) {
      error = bad("--size", values["--size"]);
      return std::nullopt;
    }
    f.videoSize = *v;
  }
  if (values.count("--update")) {
    // The dialog's range: 0:10 to 4:59.
    int h = 0, m = 0;
    if (!parseTime(values["--update"], h, m) || h > 4 || h * 60 + m < 10) {
      error = bad("--update", values["--update"]);
      return std::nullopt;
    }
    f.updatePeriod = h * 3600 + m * 60;
  }
  return out;
}

}  // namespace karone::store
