// "ネットワークカメラ" as the operator uses it: add a camera, be told what
// is wrong with a bad one, remove one; the password never shows in the list.
#include "capture/ui/NetworkCamerasDialog.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "resources/Texts.h"
#include "tests/doubles/MemorySettingsStorage.h"
#include "tests/doubles/RecordingPrompter.h"
#include "tests/support/ui/LayoutCheck.h"
#include "tests/support/ui/WidgetRender.h"

namespace karone {
namespace {

void type(QDialog& d, const char* field, const char* value) {
  d.findChild<QLineEdit*>(field)->setText(QString::fromUtf8(value));
}
void click(QDialog& d, const char* button) { d.findChild<QPushButton*>(button)->click(); }

TEST(NetworkCamerasDialog, AddsRemovesAndSaysWhatIsWrong) {
  MemorySettingsStorage storage;
  ASSERT_TRUE(saveNetworkCameras(storage, {{"門", "rtsp://192.0.2.20/stream1", "viewer", "pw"}}));
  RecordingPrompter prompter;
  NetworkCamerasDialog dialog(storage, prompter);
  dialog.show();
  auto* list = dialog.findChild<QListWidget*>("cameraList");
  ASSERT_EQ(list->count(), 1);
  EXPECT_FALSE(dialog.findChild<QPushButton*>("removeButton")->isEnabled());

  type(dialog, "nameEdit", "駐車場");
  type(dialog, "urlEdit", "http://192.0.2.21/video.mjpg");
  type(dialog, "userEdit", "admin");
  type(dialog, "passwordEdit", "secret-1");
  click(dialog, "addButton");
  ASSERT_EQ(list->count(), 2);
  EXPECT_EQ(list->item(1)->text().toStdString(), "駐車場  —  http://192.0.2.21/video.mjpg");
  EXPECT_TRUE(dialog.findChild<QLineEdit*>("passwordEdit")->text().isEmpty());
  EXPECT_TRUE(testing::layoutProblems(dialog).empty())
      << ::testing::PrintToString(testing::layoutProblems(dialog));
  EXPECT_FALSE(testing::renderToPng(dialog, "NetworkCamerasDialog").empty());

  // A taken name and an address with credentials are refused with a box.
  type(dialog, "nameEdit", "門");
  type(dialog, "urlEdit", "rtsp://192.0.2.22/x");
  click(dialog, "addButton");
  type(dialog, "nameEdit", "裏口");
  type(dialog, "urlEdit", "rtsp://a:b@192.0.2.22/x");
  click(dialog, "addButton");
  const auto prompts = prompter.prompts();
  ASSERT_EQ(prompts.size(), 2u);
  EXPECT_EQ(prompts[0].text, text(Text::NetworkCameraNameTaken));
  EXPECT_EQ(prompts[1].text, text(Text::NetworkCameraCredentialsInAddress));
  EXPECT_EQ(list->count(), 2);

  list->setCurrentRow(0);
  click(dialog, "removeButton");
  ASSERT_EQ(list->count(), 1);
  const auto kept = loadNetworkCameras(storage);
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(kept[0], (NetworkCamera{"駐車場", "http://192.0.2.21/video.mjpg", "admin", "secret-1"}));
}

}  // namespace
}  // namespace karone
