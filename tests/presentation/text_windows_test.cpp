#include <gtest/gtest.h>

#include <sstream>

#include "gamedata/GameText.h"
#include "presentation/ChoiceWindow.h"
#include "presentation/MessageWindow.h"
#include "presentation/PresentationFixture.h"
#include "shell/ShellServices.h"

namespace {

void SetSystemValue(int n, int value) { gVariableStore.WriteVariable(9000000 + n, value); }

// The glyph texts drawn by the logged draw calls, in order.
std::vector<std::string> DrawnTexts(const std::string& log) {
  std::vector<std::string> texts;
  std::istringstream in(log);
  for (std::string line; std::getline(in, line);) {
    const size_t open = line.find('"');
    if (line.rfind("DrawTextWithFont(", 0) != 0 || open == std::string::npos) continue;
    texts.push_back(line.substr(open + 1, line.find('"', open + 1) - open - 1));
  }
  return texts;
}

class TextWindows : public PresentationTest {
 protected:
  void SetUp() override {
    PresentationTest::SetUp();
    gTextResources.SetUpFonts();
    SetTextColours({0xFFFFFF, 0x20C040});
    WriteImage("mark.bmp", 16, 32, [](int, int y) { return y < 16 ? 0x3060A0u : 0xA06030u; });
    SetSkin(0, "mark.bmp", 2);
    SetSystemValue(8, 22);   // font size
    SetSystemValue(9, 30);   // one byte a frame
    SetSystemValue(10, 0);   // no start delay
    SetSystemValue(5, 320);  // the indicator's centre
    gInput = InputState();
    message_ = std::make_unique<MessageWindow>();
    choice_ = std::make_unique<ChoiceWindow>();
  }
  void TearDown() override {
    choice_.reset();
    message_.reset();
    gInput = InputState();
    PresentationTest::TearDown();
  }

  void Start(std::vector<EventCommand> commands) { StartScript(runner_, std::move(commands)); }

  // One frame in the frame's order (runner, choice window, message window),
  // then a drawn frame; the texts and the call log of the draw.
  std::vector<std::string> Frame(bool confirm = false, bool cancel = false, int direction = 0) {
    gInput.actionPressed[0] = confirm;
    gInput.actionPressed[1] = cancel;
    gInput.repeatDirection4 = direction;
    runner_.RunEventRunner();
    choice_->UpdateChoiceWindow();
    message_->UpdateMessageWindow();
    SetDrawCallLogEnabled(1);
    ClearDrawCallLog();
    ClearDrawTarget();
    message_->DrawMessageWindow();
    choice_->DrawChoiceWindow();
    SetDrawCallLogEnabled(0);
    log_ = GetDrawCallLog();
    return DrawnTexts(log_);
  }
  bool IndicatorDrawn() const { return log_.find("PutGraphPart(") != std::string::npos; }

  using Texts = std::vector<std::string>;
  EventRunner runner_;
  std::unique_ptr<MessageWindow> message_;
  std::unique_ptr<ChoiceWindow> choice_;
  std::string log_;
};

TEST_F(TextWindows, AMessageRevealsWaitsAtTheKeyCodeAndClosesOnANewKey) {
  Start({MakeCommand(101, {}, {"AB\\!CD"}), MakeCommand(101, {}, {"E"})});
  EXPECT_EQ(Frame(), Texts{});  // opens
  EXPECT_TRUE(runner_.windowWait);
  EXPECT_EQ(Frame(), Texts({"A"}));
  EXPECT_EQ(Frame(), Texts({"A", "B"}));
  EXPECT_EQ(Frame(), Texts({"A", "B"}));
  EXPECT_TRUE(message_->keyWait);
  EXPECT_EQ(Frame(), Texts({"A", "B"}));
  EXPECT_TRUE(IndicatorDrawn());
  // The confirm key goes on with the reveal without closing.
  EXPECT_EQ(Frame(true), Texts({"A", "B", "C"}));
  EXPECT_FALSE(message_->keyWait);
  EXPECT_EQ(Frame(), Texts({"A", "B", "C", "D"}));
  EXPECT_EQ(Frame(), Texts({"A", "B", "C", "D"}));
  EXPECT_TRUE(runner_.windowWait);
  // Fully shown: the next key closes it and the runner goes on to the next message.
  Frame(true);
  EXPECT_FALSE(message_->open);
  EXPECT_FALSE(runner_.windowWait);
  EXPECT_EQ(gGameSystem.messageOwnerState, -1);
  EXPECT_EQ(gGameSystem.systemText, "AB\x01\x0F"
                                    "CD");
  // The key stays held (not newly pressed): the second message stays open.
  gInput.actionHeld[0] = 1;
  for (int i = 0; i < 5; ++i) Frame();
  EXPECT_TRUE(message_->open);
  EXPECT_EQ(Frame(), Texts({"E"}));
  EXPECT_TRUE(IndicatorDrawn());
  Frame(true);
  EXPECT_FALSE(message_->open);
  Frame();
  EXPECT_FALSE(runner_.IsEventRunnerBusy());
}

TEST_F(TextWindows, ChoicesMoveTheCursorAndDeliverTheLinePlusTwo) {
  // Three choices, cancel gives line 1.
  Start({MakeCommand(102, {3 | (3 << 4)}, {"a", "b", "c"})});
  for (int i = 0; i < 5; ++i) Frame();
  EXPECT_TRUE(choice_->open);
  EXPECT_EQ(Frame(false, false, 8), Texts({"a", "b", "c"}));
  EXPECT_EQ(choice_->cursor, 2);  // up from the first line wraps
  EXPECT_EQ(gGameSystem.lastChoiceResult, 2);
  Frame(false, false, 2);
  Frame(false, false, 2);
  EXPECT_EQ(choice_->cursor, 1);
  Frame(true);
  EXPECT_EQ(runner_.localArea[0], 3);
  EXPECT_FALSE(runner_.windowWait);
  EXPECT_EQ(gGameSystem.choiceResultSlot, -1);

  // Confirm and cancel in one frame: the confirm closes and delivers once.
  Start({MakeCommand(102, {3 | (3 << 4)}, {"a", "b", "c"}, 2)});
  for (int i = 0; i < 5; ++i) Frame();
  runner_.localArea[2] = 0;
  Frame(true, true);
  EXPECT_EQ(runner_.localArea[2], 2);
  EXPECT_EQ(choice_->cursor, 1);
}

TEST_F(TextWindows, AMessageWithAChoiceClosesWithTheChoice) {
  Start({MakeCommand(101, {}, {"Q"}), MakeCommand(102, {2}, {"y", "n"})});
  Frame();
  EXPECT_TRUE(gGameSystem.choiceFollows);
  // Keys pressed before the choice reacts close nothing: the message waits for the choice.
  for (int i = 0; i < 2; ++i) Frame(true);
  EXPECT_TRUE(message_->open);
  EXPECT_TRUE(choice_->open);
  Frame();
  EXPECT_FALSE(IndicatorDrawn());
  EXPECT_EQ(gGameSystem.lastChoiceResult, 0);
  Frame(false, false, 2);
  Frame(true);
  EXPECT_EQ(runner_.localArea[0], 3);
  Frame();
  EXPECT_FALSE(message_->open);
  EXPECT_FALSE(runner_.windowWait);
}

TEST_F(TextWindows, DelayNoWaitCodeAndARepeatedText) {
  SetSystemValue(10, 5);
  Start({MakeCommand(101, {}, {"ab\\^"}), MakeCommand(101, {}, {"ab\\^"})});
  Frame();
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(Frame(), Texts{}) << i;
    EXPECT_EQ(message_->revealed, 0.0);
  }
  EXPECT_EQ(message_->y, 304);
  EXPECT_EQ(Frame(), Texts({"a"}));
  EXPECT_EQ(Frame(), Texts({"a", "b"}));
  // The no-wait code closes the window in the update that finds it all revealed.
  Frame();
  EXPECT_TRUE(message_->autoClose);
  EXPECT_TRUE(message_->open);
  Frame();
  EXPECT_FALSE(message_->open);
  // The same text again starts from its beginning.
  SetSystemValue(10, 0);
  EXPECT_EQ(Frame(), Texts{});
  EXPECT_TRUE(message_->open);
  EXPECT_EQ(Frame(), Texts({"a"}));
}

TEST_F(TextWindows, TheCursorStartsAtTheSetLineAndPassesEmptyLines) {
  SetSystemValue(7, 5);
  Start({MakeCommand(102, {3}, {"a", "", "c"})});
  Frame();
  EXPECT_EQ(choice_->cursor, 2);
  EXPECT_EQ(gVariableStore.ReadVariable(9000007), 0);
  for (int i = 0; i < 4; ++i) Frame();
  Frame(false, false, 8);
  EXPECT_EQ(choice_->cursor, 0);
  Frame(false, false, 2);
  EXPECT_EQ(choice_->cursor, 2);
}

TEST_F(TextWindows, ADiscardedRunnerIsUnboundFirst) {
  Start({MakeCommand(102, {2}, {"y", "n"})});
  Frame();
  EXPECT_EQ(gGameSystem.choiceTarget, &runner_);
  runner_.ResetEventRunner();
  EXPECT_EQ(gGameSystem.choiceTarget, nullptr);
  EXPECT_EQ(gGameSystem.choiceResultSlot, -1);
  choice_->CloseChoiceWindow();
  {
    EventRunner moved;
    Start({MakeCommand(101, {}, {"m"})});
    Frame();
    moved = std::move(runner_);
    EXPECT_EQ(gGameSystem.messageOwner, &moved);
  }
  EXPECT_EQ(gGameSystem.messageOwner, nullptr);
  EXPECT_EQ(gGameSystem.messageOwnerState, -1);
}

TEST_F(TextWindows, TheDrawnWindowEqualsItsPartsDrawnAlone) {
  gGameInfo.settings[11] = 6;  // line spacing
  const std::string text = Cp932Text("Ab\\c[1]漢\n<R>x字");
  Start({MakeCommand(101, {}, {text})});
  SetSystemValue(9, 3000);
  for (int i = 0; i < 4; ++i) Frame();
  ASSERT_TRUE(message_->waiting);
  const auto window = Screen();

  // The reference: the indicator cell and each glyph alone where they belong.
  ClearDrawTarget();
  SetBlendState(0, 255);
  const int cell = message_->skinFrame / 5;
  PutGraphPart(320 - 8, static_cast<int>(32 * 14.2), 0, cell * 16, 16, 16, message_->skinGraph, 1, 0);
  const int font = gTextResources.GetFontHandle(0, 22, 5, 0);
  auto width = [&](const std::string& s) {
    return MeasureTextWithFont(s.c_str(), static_cast<int>(s.size()), font, 0);
  };
  const std::string kan = Cp932Text("漢"), ji = Cp932Text("字");
  const int white = PackColor(255, 255, 255), green = PackColor(0x20, 0xC0, 0x40);
  int pen = 16;
  DrawTextWithFont(pen, 304, "A", white, font, 0, 0);
  pen += width("A");
  DrawTextWithFont(pen, 304, "b", white, font, 0, 0);
  pen += width("b");
  DrawTextWithFont(pen, 304, kan.c_str(), green, font, 0, 0);
  pen += width(kan);
  const int first = pen - 16, second = width("x") + width(ji);
  const int y2 = 304 + 22 + 6;
  DrawTextWithFont(16 + first - second, y2, "x", green, font, 0, 0);
  DrawTextWithFont(16 + first - second + width("x"), y2, ji.c_str(), green, font, 0, 0);
  const auto reference = Screen();
  int differing = 0;
  for (size_t i = 0; i < window.size(); ++i) differing += window[i] != reference[i];
  EXPECT_EQ(differing, 0);
  EXPECT_NE(std::count(window.begin(), window.end(), 0u), static_cast<long>(window.size()));
}

TEST_F(TextWindows, TheFontCacheDropsEverythingPastThirtyFiveHandles) {
  const int first = gTextResources.GetFontHandle(0, 10, 5, 0);
  EXPECT_EQ(gTextResources.GetFontHandle(0, 10, 5, 0), first);
  EXPECT_EQ(gTextResources.fontHandleCount, 1);
  for (int size = 11; size < 46; ++size) gTextResources.GetFontHandle(0, size, 5, 0);
  EXPECT_EQ(gTextResources.fontHandleCount, 36);
  EXPECT_EQ(gTextResources.fontHandles[0][10], first);
  // The 37th: the lookup finds 36 and drops them all first.
  gTextResources.GetFontHandle(1, 50, 5, 1);
  EXPECT_EQ(gTextResources.fontHandleCount, 1);
  EXPECT_EQ(gTextResources.fontHandles[0][10], 0);
  EXPECT_NE(gTextResources.fontHandles[3][50], 0);
  // The type flags follow settings byte 14 at the next set-up.
  EXPECT_EQ(gTextResources.fontTypes, (std::array<int, 2>{2, 3}));
  gGameInfo.settings[14] = 1;
  gTextResources.SetUpFonts();
  EXPECT_EQ(gTextResources.fontTypes, (std::array<int, 2>{0, 1}));
  EXPECT_EQ(gTextResources.fontNames[2], Cp932Text("ＭＳ ゴシック"));
  EXPECT_EQ(gTextResources.fontHandleCount, 0);
}

}  // namespace
