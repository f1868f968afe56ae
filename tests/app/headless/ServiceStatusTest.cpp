#include "app/headless/ServiceStatus.h"

#include <gtest/gtest.h>

namespace karone {
namespace {

TEST(ServiceStatus, TheStatusLineSaysWhatTheBroadcastDoesAndWhatHappenedLast) {
  struct Row {
    bool ending, capturing, connected, suspect, reconnecting;
    std::string lastLine;
    std::string line;
  };
  const Row rows[] = {
      {false, false, false, false, false, "", "not connected"},
      {false, false, true, false, false, "", "connected to live (127.0.0.1), not sending"},
      {false, true, true, false, false, "", "sending to live (127.0.0.1)"},
      {false, true, true, true, false, "", "sending to live (127.0.0.1), the server does not answer"},
      {false, false, false, false, true, "", "the server gave up; reconnecting in 12 minutes"},
      {true, true, true, true, false, "", "ending the broadcast"},
      {false, false, true, false, false, "(26/12/08-17:40:15)> done",
       "connected to live (127.0.0.1), not sending; last: (26/12/08-17:40:15)> done"},
  };
  for (const Row& row : rows) {
    BroadcastState s;
    s.ending = row.ending;
    s.capturing = row.capturing;
    s.connected = row.connected;
    s.suspect = row.suspect;
    s.reconnecting = row.reconnecting;
    s.reconnectMinutes = 12;
    s.profile = "live";
    s.address = "127.0.0.1";
    s.lastLine = row.lastLine;
    EXPECT_EQ(serviceStatusLine(s), row.line);
  }
}

}  // namespace
}  // namespace karone
