#include "media/graphics/GraphicsFixture.h"
#include "media/image/FontSystem.h"
#include "media/system/KeyInput.h"
#include "media/system/PublicInput.h"
#include "platform/fonts/Fonts.h"
#include "platform/ime/Ime.h"
#include "platform/input/Input.h"
#include "support/FontFileWriter.h"

namespace {

constexpr uint32_t kWhite = 0xFFFFFF, kBlack = 0, kYellow = 0xFFFF00, kRed = 0xFF0000;

// Text entries drawn in a square font (16-pixel advance, 12-pixel squares
// from row 2 of the line) on a black back screen at 32 bits.
class KeyInputDrawTest : public GraphicsTest {
 protected:
  void SetUp() override {
    GraphicsTest::SetUp();
    platform::ClearScriptedInput();
    platform::ResetHeadlessIme();
    StartGraphicsAt(32);
    const std::string path = (folder_ / "square.bdf").string();
    std::vector<unsigned> chars = {' ', ':', '/', 0x3042};
    for (unsigned c = '0'; c <= '9'; ++c) chars.push_back(c);
    for (unsigned c = 'A'; c <= 'J'; ++c) chars.push_back(c);
    ASSERT_TRUE(WriteSquareFont(path, {"Square16", 16, 14, 12, 16, chars}));
    ASSERT_TRUE(platform::AddApplicationFont(path));
    gTextEntry.fontHandle = CreateFontToHandle("Square16", 16, 4, 0, -1, -1, 0, -1, -1);
    ASSERT_GE(gTextEntry.fontHandle, 0);
    ClearDrawTarget();
  }
  void TearDown() override {
    platform::RemoveAllApplicationFonts();
    platform::ResetHeadlessIme();
    GraphicsTest::TearDown();
  }
  int ActiveEntry(const char* text) {
    const int h = CreateTextEntry(64, 0, 0, 0);
    EXPECT_GE(h, 0);
    EXPECT_EQ(ActivateTextEntry(h), 0);
    SetTextEntryString(text, h);
    return h;
  }
  static void Pass() { RunMessageLoopRound(); }
};

TEST_F(KeyInputDrawTest, TextWrapsInsideTheAreaWithItsCursorAndSelection) {
  const int h = ActiveEntry("ABCDEFGHIJ");
  SetClipArea(100, 100, 200, 300);
  ASSERT_EQ(DrawTextEntry(100, 100, h), 0);
  // Line height 16 + 3: the second line starts at 119 with the text that
  // passed the right edge ('G' from x 96).
  EXPECT_EQ(BackPixel(101, 103), kWhite);
  EXPECT_EQ(BackPixel(113, 103), kBlack);
  EXPECT_EQ(BackPixel(100, 125), kWhite);
  EXPECT_EQ(BackPixel(150, 125), kWhite);
  // The cursor after 'J' (x 260 wraps to 160) is a 2-pixel box.
  EXPECT_EQ(BackPixel(158, 125), kBlack);
  EXPECT_EQ(BackPixel(160, 125), kWhite);
  EXPECT_EQ(BackPixel(161, 125), kWhite);
  EXPECT_EQ(BackPixel(162, 125), kBlack);
  // B and C selected: a box in colour 12 behind text in colour 13.
  TextEntryRecord* e = FindTextEntry(h);
  e->selectionStart = 1;
  e->selectionEnd = 3;
  SetTextEntryColors(-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, PackColor(0, 0, 255), -1, -1);
  ClearDrawTarget();
  ASSERT_EQ(DrawTextEntry(100, 100, h), 0);
  EXPECT_EQ(BackPixel(116, 101), 0x0000FFu);
  EXPECT_EQ(BackPixel(120, 105), kBlack);
  EXPECT_EQ(BackPixel(140, 101), 0x0000FFu);
  EXPECT_EQ(BackPixel(148, 101), kBlack);
  EXPECT_EQ(BackPixel(150, 105), kWhite);
  // Nothing to lay out in an area without width.
  SetClipArea(100, 100, 100, 300);
  EXPECT_EQ(DrawTextEntry(100, 100, h), -1);
  EXPECT_EQ(DrawTextEntry(100, 100, 12345), -1);
}

TEST_F(KeyInputDrawTest, ASelectionIsHighlightedWhereItIsOnceTheTextScrolls) {
  const int h = ActiveEntry("ABCDEFGHIJ");
  SetClipArea(0, 0, 100, 19);  // one line of 100 pixels
  ASSERT_EQ(DrawTextEntry(0, 0, h), 0);
  TextEntryRecord* e = FindTextEntry(h);
  ASSERT_GT(e->drawStart, 0);
  // Select the last character, 'J'; it is drawn last before the cursor.
  e->selectionStart = 9;
  e->selectionEnd = 10;
  SetTextEntryColors(-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, PackColor(0, 0, 255), -1, -1);
  ClearDrawTarget();
  ASSERT_EQ(DrawTextEntry(0, 0, h), 0);
  const int jx = (9 - e->drawStart) * 16;
  EXPECT_EQ(BackPixel(jx, 1), 0x0000FFu);
  EXPECT_EQ(BackPixel(jx - 16, 1), kBlack);
}

TEST_F(KeyInputDrawTest, CompositionAndCandidateBoxFollowTheScriptedInputMethod) {
  const int h = ActiveEntry("AB");
  platform::ScriptImeComposition("ああ", 2);
  Pass();
  EXPECT_EQ(std::string(gTextEntry.composition), Sjis("ああ"));
  EXPECT_EQ(gTextEntry.imeCursor, 2);
  ASSERT_EQ(DrawTextEntry(10, 10, h), 0);
  // The composition after the cursor (x 42): yellow box, text in value 0,
  // the IME cursor in cyan at its end.
  EXPECT_EQ(BackPixel(42, 11), kYellow);
  EXPECT_EQ(BackPixel(45, 15), kBlack);
  EXPECT_EQ(BackPixel(74, 15), 0x00FFFFu);
  platform::ScriptImeCandidates({"あ", "ああ", "あああ"}, 1);
  Pass();
  ASSERT_NE(gTextEntry.candidateList, nullptr);
  ClearDrawTarget();
  ASSERT_EQ(DrawTextEntry(10, 10, h), 0);
  // Box: left 74, top 10 + 16 + 8, widest "3:あああ" 80 + 2 x 5 wide,
  // framed in colour 10, entries from (79, 39) one line apart.
  EXPECT_EQ(BackPixel(74, 34), kYellow);
  EXPECT_EQ(BackPixel(163, 34), kYellow);
  EXPECT_EQ(BackPixel(164, 34), kBlack);
  EXPECT_EQ(BackPixel(85, 44), kWhite);
  EXPECT_EQ(BackPixel(85, 60), kRed);
  EXPECT_EQ(BackPixel(74, 15), kBlack);  // no IME cursor while candidates show
  platform::ImeCandidateList list;
  ASSERT_TRUE(platform::GetImeCandidateList(&list));
  EXPECT_EQ(list.pageSize, 5);
  EXPECT_EQ(list.pageStart, 0);
  // Past the area's bottom the box moves up by the overflow.
  SetClipArea(0, 0, 640, 100);
  ClearDrawTarget();
  ASSERT_EQ(DrawTextEntry(10, 10, h), 0);
  EXPECT_EQ(BackPixel(74, 26), kYellow);
  SetClipArea(0, 0, 640, 480);
  // Committing types the text as characters.
  platform::ScriptImeEndComposition(true);
  Pass();
  EXPECT_EQ(gTextEntry.composition[0], '\0');
  EXPECT_EQ(gTextEntry.candidateList, nullptr);
  char text[65];
  GetTextEntryString(text, h);
  EXPECT_EQ(std::string(text), "AB" + Sjis("ああ"));
}

// Deleting the last entry switches the input method off; the next entry of
// the session switches it back on.
TEST_F(KeyInputDrawTest, TheInputMethodComposesAgainInAnEntryMadeAfterTheLastOneWasDeleted) {
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    const int h = ActiveEntry("");
    EXPECT_EQ(IsTextEntryImeEnabled(), 1);
    platform::ScriptImeComposition("ああ", 2);
    platform::ScriptImeCandidates({"亜", "阿"}, 0);
    Pass();
    EXPECT_EQ(std::string(gTextEntry.composition), Sjis("ああ"));
    EXPECT_NE(gTextEntry.candidateList, nullptr);
    platform::ScriptImeEndComposition(false);
    Pass();
    ASSERT_EQ(DeleteTextEntry(h), 0);
    EXPECT_EQ(IsTextEntryImeEnabled(), 0);
    // Switched off, the input method reports nothing.
    platform::ScriptImeComposition("い", 1);
    Pass();
    EXPECT_EQ(gTextEntry.composition[0], '\0');
  }
}

TEST_F(KeyInputDrawTest, EntryColoursKeepZeroToNineAndResetElevenToFourteen) {
  const int* c = gTextEntry.colors;
  SetTextEntryColors(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
  SetTextEntryColors(-1, -1, 33, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
  const int expected[15] = {1,
                            2,
                            33,
                            4,
                            5,
                            6,
                            7,
                            8,
                            9,
                            10,
                            33,
                            PackColor(0, 0, 0),
                            PackColor(255, 255, 255),
                            PackColor(0, 0, 0),
                            PackColor(128, 128, 128)};
  for (int i = 0; i < 15; ++i) EXPECT_EQ(c[i], expected[i]) << i;
  SetTextEntryColors(-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 5, -1, -1, -1);
  EXPECT_EQ(c[10], 33);
  EXPECT_EQ(c[11], 5);
}

TEST_F(KeyInputDrawTest, TheCompositionKeepsAtMostItsBuffer) {
  ActiveEntry("");
  std::string longText;
  for (int i = 0; i < 700; ++i) longText += "あ";
  platform::ScriptImeComposition(longText, 700);
  Pass();
  EXPECT_EQ(std::strlen(gTextEntry.composition), 1022u);
  EXPECT_EQ(gTextEntry.imeCursor, 511);
}

}  // namespace
