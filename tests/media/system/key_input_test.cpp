#include "InputFixture.h"
#include "media/system/PublicInput.h"

namespace {

using platform::KeyEvent;

// Text entries driven the way a player drives them: key and character
// messages through the window procedure, then one message pass.
class KeyInputTest : public InputTest {
 protected:
  void SetUp() override {
    InputTest::SetUp();
    Start();
  }

  int NewEntry(int maxLength, int cancel = 0, int singleByte = 0, int digits = 0) {
    int h = CreateTextEntry(maxLength, cancel, singleByte, digits);
    EXPECT_GE(h, 0);
    EXPECT_EQ(ActivateTextEntry(h), 0);
    return h;
  }

  static void Pass() { RunMessageLoopRound(); }
  static void Type(const std::string& utf8) {
    platform::InjectText(utf8);
    Pass();
  }
  static void Key(int virtualKey, bool shift = false, bool ctrl = false) {
    if (shift) Press(platform::kDikLShift);
    KeyEvent key;
    key.virtualKey = virtualKey;
    key.shift = shift;
    key.ctrl = ctrl;
    platform::InjectKeyDown(key);
    platform::InjectKeyUp(key);
    Pass();
    if (shift) Release(platform::kDikLShift);
  }
  static void Ctrl(char letter) { Key(letter, false, true); }

  static std::string Text(int h) {
    const TextEntryRecord* e = FindTextEntry(h);
    if (e == nullptr) return "<bad handle>";
    std::string buffer(static_cast<size_t>(e->maxLength) + 1, '\0');
    EXPECT_EQ(GetTextEntryString(buffer.data(), h), 0);
    return buffer.c_str();
  }
  static int Cursor(int h) { return FindTextEntry(h)->cursor; }
};

TEST_F(KeyInputTest, TypedTextArrivesAsCp932) {
  int h = NewEntry(20);
  Type("ab");
  Type("あ漢");
  EXPECT_EQ(Text(h), "ab" + Sjis("あ漢"));
  EXPECT_EQ(Cursor(h), 6);
  EXPECT_EQ(GetTextEntryState(h), 0);
}

TEST_F(KeyInputTest, EditingKeysMoveAndDeleteWholeCharacters) {
  int h = NewEntry(20);
  Type("aあb");
  Key(platform::kVkLeft);
  EXPECT_EQ(Cursor(h), 3);
  Key(platform::kVkBack);  // the double-byte character before the cursor
  EXPECT_EQ(Text(h), "ab");
  EXPECT_EQ(Cursor(h), 1);
  Key(platform::kVkDelete);
  EXPECT_EQ(Text(h), "a");
  Key(platform::kVkDelete);  // at the end: nothing
  EXPECT_EQ(Text(h), "a");
  Key(platform::kVkHome);
  EXPECT_EQ(Cursor(h), 0);
  Key(platform::kVkBack);  // at the start: nothing
  EXPECT_EQ(Text(h), "a");
  Key(platform::kVkEnd);
  EXPECT_EQ(Cursor(h), 1);
  Key(platform::kVkRight);
  EXPECT_EQ(Cursor(h), 1);
  // Tab and the vertical arrows do nothing.
  Key(platform::kVkTab);
  Key(platform::kVkUp);
  Key(platform::kVkDown);
  EXPECT_EQ(Text(h), "a");
  EXPECT_EQ(Cursor(h), 1);
}

TEST_F(KeyInputTest, BoundariesAreFoundFromTheStartOfTheText) {
  // 亜 is 0x88 0x9F: its trail byte is in the lead-byte range.
  int h = NewEntry(20);
  ASSERT_EQ(SetTextEntryString(Sjis("亜a").c_str(), h), 0);
  Key(platform::kVkBack);
  EXPECT_EQ(Text(h), Sjis("亜"));
  Type("a");
  Key(platform::kVkLeft);
  EXPECT_EQ(Cursor(h), 2);
  Key(platform::kVkLeft);
  EXPECT_EQ(Cursor(h), 0);
  Key(platform::kVkDelete);
  EXPECT_EQ(Text(h), "a");
}

TEST_F(KeyInputTest, ShiftArrowsSelectAndEditsReplaceTheSelection) {
  int h = NewEntry(20);
  Type("abc");
  Key(platform::kVkLeft, true);
  const TextEntryRecord* e = FindTextEntry(h);
  EXPECT_EQ(e->selectionStart, 3);
  EXPECT_EQ(e->selectionEnd, 2);  // the moving end lies before the start
  Key(platform::kVkBack);
  EXPECT_EQ(Text(h), "ab");
  EXPECT_EQ(e->selectionStart, -1);

  Key(platform::kVkHome, true);  // select all
  EXPECT_EQ(e->selectionStart, 2);
  EXPECT_EQ(e->selectionEnd, 0);
  Type("あ");
  EXPECT_EQ(Text(h), Sjis("あ"));

  Key(platform::kVkLeft, true);
  Key(platform::kVkRight);  // without Shift the selection goes
  EXPECT_EQ(e->selectionStart, -1);
  Key(platform::kVkHome);
  Key(platform::kVkEnd, true);
  EXPECT_EQ(e->selectionStart, 0);
  EXPECT_EQ(e->selectionEnd, 2);
  Key(platform::kVkDelete);  // without Shift: deleted, not copied
  EXPECT_EQ(Text(h), "");
  EXPECT_FALSE(platform::ScriptedClipboardHasText());
}

TEST_F(KeyInputTest, ClipboardCopyCutAndPasteConvertCp932) {
  int h = NewEntry(20);
  Type("aあい");
  Key(platform::kVkLeft, true);
  Key(platform::kVkLeft, true);
  Ctrl('C');
  EXPECT_EQ(platform::ScriptedClipboardUtf8(), "あい");
  EXPECT_EQ(Text(h), Sjis("aあい"));

  Ctrl('X');
  EXPECT_EQ(platform::ScriptedClipboardUtf8(), "あい");
  EXPECT_EQ(Text(h), "a");

  // Shift+Delete cuts as well.
  Type("xy");
  Key(platform::kVkLeft, true);
  Key(platform::kVkDelete, true);
  EXPECT_EQ(platform::ScriptedClipboardUtf8(), "y");
  EXPECT_EQ(Text(h), "ax");

  // Both characters of a pasted text arrive in the same pass.
  platform::SetScriptedClipboardUtf8("漢字");
  Key(platform::kVkHome);
  Ctrl('V');
  EXPECT_EQ(Text(h), Sjis("漢字") + "ax");
  EXPECT_EQ(Cursor(h), 4);

  // Nothing selected: copy and cut leave the clipboard alone.
  Ctrl('C');
  Ctrl('X');
  EXPECT_EQ(platform::ScriptedClipboardUtf8(), "漢字");
}

TEST_F(KeyInputTest, ClipboardTextSizeAndMissingText) {
  EXPECT_EQ(ReadClipboardText(nullptr), -1);
  platform::SetScriptedClipboardUtf8("ab");
  EXPECT_EQ(ReadClipboardText(nullptr), 4);  // block of text + NUL, plus one
  char buffer[4] = {'x', 'x', 'x', 'x'};
  EXPECT_EQ(ReadClipboardText(buffer), 0);
  EXPECT_STREQ(buffer, "ab");
  platform::SetScriptedClipboardUnavailable(true);
  EXPECT_EQ(ReadClipboardText(nullptr), -1);
  EXPECT_EQ(WriteClipboardText("c"), 0);
  platform::SetScriptedClipboardUnavailable(false);
  EXPECT_EQ(platform::ScriptedClipboardUtf8(), "ab");
}

TEST_F(KeyInputTest, MaximumLengthDropsTheLastCharacters) {
  int h = NewEntry(4);
  Type("abcd");
  Key(platform::kVkHome);
  Type("x");
  EXPECT_EQ(Text(h), "xabc");
  EXPECT_EQ(Cursor(h), 1);

  int k = NewEntry(3);
  Type("abc");
  Type("あ");  // two bytes: 'c' and 'b' make room, the cursor follows the end
  EXPECT_EQ(Text(k), std::string("a").append(Sjis("あ")));
  EXPECT_EQ(Cursor(k), 3);
}

TEST_F(KeyInputTest, CharactersThatCanNeverFitAreDropped) {
  int h = NewEntry(1);
  Type("あ");
  EXPECT_EQ(Text(h), "");
  Type("bc");
  EXPECT_EQ(Text(h), "c");

  int empty = NewEntry(0);
  Type("z");
  EXPECT_EQ(Text(empty), "");

  EXPECT_EQ(CreateTextEntry(-1, 0, 0, 0), -1);
}

TEST_F(KeyInputTest, DigitsOnlyAndSingleByteOnlyFilters) {
  int h = NewEntry(20, 0, 0, 1);
  Type("1a2.3.4-5あ");
  EXPECT_EQ(Text(h), "12.345");
  Key(platform::kVkHome);
  Type("-");
  EXPECT_EQ(Text(h), "-12.345");

  int s = NewEntry(20, 0, 1, 0);
  Type("aあb");
  EXPECT_EQ(Text(s), "ab");
}

TEST_F(KeyInputTest, ControlBytesWithoutAnActionAreNotText) {
  int h = NewEntry(20);
  Type("a");
  Ctrl('A');
  Key(platform::kVkPrior);
  Key(platform::kVkNext);
  Ctrl('B');  // not pushed at all
  EXPECT_EQ(Text(h), "a");
}

TEST_F(KeyInputTest, EnterFinishesAndEscapeCancelsWhenAllowed) {
  int h = NewEntry(20, 1);
  Type("ok");
  Key(platform::kVkReturn);
  EXPECT_EQ(GetTextEntryState(h), 1);
  Type("more");  // a finished entry takes no input
  EXPECT_EQ(Text(h), "ok");

  ASSERT_EQ(ActivateTextEntry(h), 0);  // already active: unchanged
  EXPECT_EQ(GetTextEntryState(h), 1);
  int other = NewEntry(20);
  ASSERT_EQ(ActivateTextEntry(h), 0);  // reactivated: typing again
  EXPECT_EQ(GetTextEntryState(h), 0);
  Key(platform::kVkEscape);
  EXPECT_EQ(GetTextEntryState(h), 2);

  ASSERT_EQ(ActivateTextEntry(other), 0);
  Key(platform::kVkEscape);  // no cancel option: nothing happens
  EXPECT_EQ(GetTextEntryState(other), 0);
  Type("x");
  EXPECT_EQ(Text(other), "x");
}

TEST_F(KeyInputTest, HandlesAreCheckedEverywhere) {
  int h = CreateTextEntry(8, 0, 0, 0);
  ASSERT_GE(h, 0);
  EXPECT_EQ((h >> 27) & 0xF, 10);
  int stale = h;
  ASSERT_EQ(DeleteTextEntry(h), 0);
  char buffer[16];
  EXPECT_EQ(DeleteTextEntry(stale), -1);
  EXPECT_EQ(GetTextEntryState(stale), -1);
  EXPECT_EQ(SetTextEntryString("a", stale), -1);
  EXPECT_EQ(GetTextEntryString(buffer, stale), -1);
  EXPECT_EQ(ActivateTextEntry(stale), -1);
  EXPECT_EQ(GetTextEntryState(-1), -1);
  EXPECT_EQ(GetTextEntryState(0x12345678), -1);

  // The same slot comes back with a new check number.
  int again = CreateTextEntry(8, 0, 0, 0);
  EXPECT_EQ(again & 0xFFFF, stale & 0xFFFF);
  EXPECT_NE(again, stale);
  EXPECT_EQ(GetTextEntryState(stale), -1);

  // With an entry active, -1 cannot deactivate it.
  ASSERT_EQ(ActivateTextEntry(again), 0);
  EXPECT_EQ(ActivateTextEntry(-1), -1);
  EXPECT_EQ(gTextEntry.activeHandle, again);
  ASSERT_EQ(DeleteTextEntry(again), 0);
  EXPECT_EQ(gTextEntry.activeHandle, -1);
  EXPECT_EQ(gTextEntry.imeEnabled, 0);  // the last entry is gone

  std::vector<int> handles;
  for (int i = 0; i < kTextEntrySlots; ++i) handles.push_back(CreateTextEntry(1, 0, 0, 0));
  EXPECT_EQ(std::count(handles.begin(), handles.end(), -1), 0);
  EXPECT_EQ(CreateTextEntry(1, 0, 0, 0), -1);
  EXPECT_EQ(gTextEntry.imeEnabled, 1);
}

TEST_F(KeyInputTest, SetStringKeepsWholeCharactersWithinTheMaximum) {
  int h = NewEntry(3);
  ASSERT_EQ(SetTextEntryString(Sjis("aあい").c_str(), h), 0);
  EXPECT_EQ(Text(h), std::string("a").append(Sjis("あ")));
  EXPECT_EQ(Cursor(h), 3);
  ASSERT_EQ(SetTextEntryString("abcdef", h), 0);
  EXPECT_EQ(Text(h), "abc");
}

TEST_F(KeyInputTest, CreatingAnEntryDropsWaitingCharacters) {
  PushInputChar('q');
  int h = NewEntry(8);
  Pass();
  EXPECT_EQ(Text(h), "");
  EXPECT_EQ(gTextEntry.readPosition, gTextEntry.writePosition);
}

TEST(KeyInputRing, LeadByteWaitsForItsTrailByte) {
  gTextEntry = TextEntrySystem{};
  char out[2];
  ASSERT_EQ(PushInputChar(0x82), 0);
  EXPECT_EQ(PopInputChar(out, 1), 0);
  ASSERT_EQ(PushInputChar(0xA0), 0);
  EXPECT_EQ(PopInputChar(out, 0), 2);  // a peek
  EXPECT_EQ(PopInputChar(out, 1), 2);
  EXPECT_EQ(static_cast<unsigned char>(out[0]), 0x82);
  EXPECT_EQ(static_cast<unsigned char>(out[1]), 0xA0);
  EXPECT_EQ(PopInputChar(out, 1), 0);
  // Editing codes are never lead bytes.
  ASSERT_EQ(PushInputChar(0x1D), 0);
  EXPECT_EQ(PopInputChar(out, 1), 1);
}

TEST(KeyInputRing, ALeadByteEntersOnlyWithRoomForItsTrailByte) {
  gTextEntry = TextEntrySystem{};
  for (int i = 0; i < kInputRingSlots - 2; ++i) ASSERT_EQ(PushInputChar('a'), 0);
  EXPECT_EQ(IsInputCharRingFull(), 0);
  EXPECT_EQ(PushInputChar(0x82), -1);  // one slot left: the pair cannot fit
  EXPECT_EQ(PushInputChar(0xA0), -1);  // its trail byte goes with it
  EXPECT_EQ(PushInputChar('b'), 0);
  EXPECT_EQ(IsInputCharRingFull(), 1);
  EXPECT_EQ(PushInputChar('c'), -1);
  char out[2];
  int last = 0;
  int count = 0;
  while (PopInputChar(out, 1) == 1) {
    last = static_cast<unsigned char>(out[0]);
    ++count;
  }
  EXPECT_EQ(count, kInputRingSlots - 1);
  EXPECT_EQ(last, 'b');
}

TEST(KeyInputHelpers, CharacterAndByteCounts) {
  const std::string text = std::string("a").append(Sjis("あい")) + "b";
  EXPECT_EQ(CharsToBytes(text.c_str(), 2), 3);
  EXPECT_EQ(CharsToBytes(text.c_str(), 10), 6);
  EXPECT_EQ(BytesToChars(text.c_str(), 2), 2);
  EXPECT_EQ(BytesToChars(text.c_str(), 3), 2);
  EXPECT_EQ(BytesToChars(text.c_str(), 6), 4);
  EXPECT_EQ(IsControlKeyCode(0x17), 1);
  EXPECT_EQ(IsControlKeyCode(0x18), 0);
}

}  // namespace
