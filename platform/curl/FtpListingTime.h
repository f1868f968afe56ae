#pragma once
// Reads the date and time of a directory listing entry from the text form
// that the listing parser hands over: Unix style ("Dec  8 04:06", "Dec  8
// 2025") or MS-DOS style ("12-08-26  04:06AM", "12-08-2026  16:06").
// A Unix date without a year is given the most recent year that does not put
// it more than a day after `now`. Text that cannot be read gives an all-zero
// time. Pure function, any thread.
#include "platform/Clock.h"
#include "platform/FtpClient.h"

#include <string_view>

namespace karone {

FtpFileTime parseListingTime(std::string_view text, Seconds now);

}  // namespace karone
