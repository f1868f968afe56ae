// The layout check of the window tests must catch what it is there for.
#include "tests/support/ui/LayoutCheck.h"

#include <gtest/gtest.h>

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QWidget>

#include "platform/ui/DialogStyle.h"
#include "tests/support/ui/WidgetRender.h"

namespace karone {
namespace {

using testing::layoutProblems;

TEST(LayoutCheck, FindsClippedTextOverlapsFrameCrossingsAndControlsOutsideTheWindow) {
  DialogStyle style;
  QWidget window;
  window.resize(200, 100);
  auto* box = new QGroupBox("frame", &window);
  box->setObjectName("frame");
  box->setStyle(&style);  // where the frame line is drawn is the style's to say
  box->setGeometry(0, 0, 200, 100);
  auto* fits = new QPushButton("OK", &window);
  fits->setObjectName("fits");
  fits->setGeometry(10, 20, 60, 24);
  auto* clipped = new QLabel("a label far too long for its place", &window);
  clipped->setObjectName("clipped");
  clipped->setGeometry(10, 50, 40, 16);
  auto* onTop = new QPushButton("X", &window);
  onTop->setObjectName("onTop");
  onTop->setGeometry(60, 30, 30, 24);
  auto* outside = new QLabel("o", &window);
  outside->setObjectName("outside");
  outside->setGeometry(190, 90, 30, 16);
  auto* onLine = new QLabel("on", &window);  // across the frame's top line, right of the title
  onLine->setObjectName("onLine");
  onLine->setGeometry(150, 2, 30, 16);
  window.show();

  auto problems = layoutProblems(window);
  auto found = [&](const std::string& start) {
    for (const auto& p : problems) {
      if (p.rfind(start, 0) == 0) return true;
    }
    return false;
  };
  EXPECT_EQ(problems.size(), 5u) << ::testing::PrintToString(problems);
  EXPECT_TRUE(found("outside the window: outside"));
  EXPECT_TRUE(found("crosses the frame of frame (QGroupBox \"frame\"): outside"));
  EXPECT_TRUE(found("crosses the frame of frame (QGroupBox \"frame\"): onLine"));
  EXPECT_TRUE(found("text does not fit: clipped"));
  EXPECT_TRUE(found("overlap: fits"));
  // The group box around them all is no overlap; an allowed pair is none.
  EXPECT_EQ(layoutProblems(window, {{"onTop", "fits"}}).size(), 4u);

  EXPECT_FALSE(testing::renderToPng(window, "LayoutCheckSample").empty());
}

}  // namespace
}  // namespace karone
