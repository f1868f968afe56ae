#include "app/CaptionState.h"

#include <gtest/gtest.h>

#include "app/Caption.h"
#include "platform/TextCodec.h"
#include "resources/Texts.h"
#include "tests/app/RecordingMainView.h"

namespace karone {
namespace {

TEST(CaptionState, EnteredClearedAndColouredAsThePageShowsThem) {
  testing::RecordingMainView view;
  CaptionState caption(view);
  caption.reset(99);  // out of range: the first colour
  EXPECT_EQ(caption.colourIndex(), 0);
  EXPECT_EQ(view.captionEntry, text(Text::CaptionPrompt));
  EXPECT_TRUE(caption.entryUsed()) << "the first use removes the prompt";
  EXPECT_EQ(view.captionEntry, "");
  EXPECT_FALSE(caption.entryUsed()) << "later uses keep what was typed";
  EXPECT_EQ(caption.caption().text, "") << "empty until a caption is entered";

  caption.colourChanged(9);
  caption.entered("ライブ中");
  EXPECT_EQ(view.captionEntry, " ") << "a single blank after adding";
  EXPECT_EQ(caption.caption().text, "ライブ中");
  EXPECT_EQ(caption.caption().colour, 0x0000FFu);
  caption.colourChanged(12);
  EXPECT_EQ(caption.caption().colour, 0xFF0000u) << "the colour is read when the page is written";
  EXPECT_EQ(view.subtitles.back().colour, 0x0000FFu) << "the list line keeps its colour";
  caption.entered(std::string(40, 'x'));
  EXPECT_EQ(caption.caption().text, std::string(30, 'x')) << "cut to the entry's 30 bytes";

  caption.clear();
  EXPECT_EQ(view.subtitles.back().text, text(Text::CaptionCleared));
  EXPECT_EQ(caption.caption().text, " ");
}

TEST(CaptionState, ThePromptIsNeverTakenAsACaption) {
  testing::RecordingMainView view;
  CaptionState caption(view);
  caption.reset(0);
  const std::string prompt = text(Text::CaptionPrompt);
  // Enter before the entry was ever used: the prompt goes, nothing is added.
  caption.entered(textcodec::truncateToCp932(prompt, kCaptionMaxBytes));
  EXPECT_EQ(caption.caption().text, "");
  EXPECT_TRUE(view.subtitles.empty());
  EXPECT_EQ(view.captionEntry, "");
  EXPECT_FALSE(caption.entryUsed()) << "already removed";

  caption.entered("ライブ中");
  // The prompt's words, whole or cut, never replace a caption.
  caption.entered(prompt);
  caption.entered(textcodec::truncateToCp932(prompt, kCaptionMaxBytes));
  EXPECT_EQ(caption.caption().text, "ライブ中");
  EXPECT_EQ(view.subtitles.size(), 1u);
}

}  // namespace
}  // namespace karone
