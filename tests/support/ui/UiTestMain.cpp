// The main of every test executable of a ui/ folder: one QApplication on the
// offscreen platform (unless the environment asks for another), in the
// dialog font, for all the tests. The process runs in the C locale, as
// services and containers often do: what the window shows must not depend
// on it.
#include <gtest/gtest.h>

#include <QApplication>

#include "platform/ui/DialogFont.h"

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  qputenv("LC_ALL", "C.UTF-8");
  qputenv("LANG", "C.UTF-8");
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  QApplication::setFont(karone::dialogFont());
  return RUN_ALL_TESTS();
}
