// The update period's hour and minute up-downs: 0:10 at the least, 4:59 at
// the most.
#include "schedule/UpdatePeriodSpin.h"

#include <gtest/gtest.h>

namespace karone {
namespace {

void expectSpin(const UpdatePeriodSpin& spin, int hour, int minute, int minuteMin) {
  EXPECT_EQ(spin.hour, hour);
  EXPECT_EQ(spin.minute, minute);
  EXPECT_EQ(spin.minuteMin, minuteMin);
  EXPECT_EQ(spin.minuteMax, 59);
}

TEST(UpdatePeriodSpin, StoredPeriodsOpenWithinTheRanges) {
  expectSpin(updatePeriodSpinFor(3600), 1, 0, 0);
  expectSpin(updatePeriodSpinFor(600), 0, 10, 10);
  expectSpin(updatePeriodSpinFor(4 * 3600 + 59 * 60), 4, 59, 0);
  expectSpin(updatePeriodSpinFor(0), 0, 10, 10);       // below the smallest
  expectSpin(updatePeriodSpinFor(300), 0, 10, 10);
  expectSpin(updatePeriodSpinFor(6 * 3600 + 60), 4, 1, 0);  // hours above 4
  expectSpin(updatePeriodSpinFor(-60), 0, 10, 10);
}

TEST(UpdatePeriodSpin, MovingTheHour) {
  expectSpin(afterHourChange(0, 5), 0, 10, 10);   // minutes below 10 rise
  expectSpin(afterHourChange(0, 30), 0, 30, 10);
  expectSpin(afterHourChange(1, 5), 1, 5, 0);
  expectSpin(afterHourChange(4, 30), 4, 0, 0);    // four hours start at 4:00
  expectSpin(afterHourChange(4, 0), 4, 0, 0);
  EXPECT_EQ(updatePeriodSeconds(0, 10), 600);
  EXPECT_EQ(updatePeriodSeconds(4, 59), 17940);
}

}  // namespace
}  // namespace karone
