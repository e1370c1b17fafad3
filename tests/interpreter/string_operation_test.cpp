#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "interpreter/InterpreterServices.h"
#include "interpreter/StringOperation.h"
#include "media/PublicFunctions.h"
#include "platform/window/Window.h"
#include "presentation/MessageEscapes.h"
#include "presentation/TextCodes.h"
#include "shell/GamePaths.h"
#include "support/ScratchFolder.h"
#include "support/ScriptWorld.h"
#include "support/StartedLibrary.h"

namespace {

constexpr int S0 = 3000000;  // string variable 0
constexpr int V = 2000000;

// Shift-JIS corpus: "表" (0x95 0x5C, trail byte = backslash), "ソ" (0x83 0x5C),
// half-width kana "ｱｲ", a text with control codes 0x01 0x01 and 0x01 0x0A.
const std::string kHyo = "\x95\x5C";
const std::string kSo = "\x83\x5C";
const std::string kKana = "\xB1\xB2";

int Flags(int source, int op) { return source | (op << 8); }

class StringOperation : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetScriptWorld(1);
    gVariableStore.stringVariables.assign(10, "");
  }
  std::string Str(int n) { return gVariableStore.ReadStringVariable(S0 + n); }
  void SetStr(int n, const std::string& text) { gVariableStore.WriteStringVariable(S0 + n, text); }
  bool Run(std::vector<EventCommand> commands) {
    runner_ = EventRunner();
    runner_.StartEventRunner(0, 0);
    runner_.SetupOwnEventCall(Terminated(std::move(commands)), -1, 0);
    runner_.RunEventRunner();
    return !runner_.IsEventRunnerBusy();
  }
  EventRunner runner_;
};

// Operations 2, 3, 4, 8 and 9 over the corpus: the stored result and what
// the source variable keeps.
TEST_F(StringOperation, TextOperationsOverShiftJis) {
  struct Case {
    int op;
    std::string target, source, replacement, expected, sourceAfter;
  } cases[] = {
      {2, "", "abc\r\ndef", "", "abc", "abc\r\ndef"},
      {3, "", "abc\r\ndef", "", "abc", "def"},
      {3, "", "abc", "", "abc", ""},
      {3, "", kHyo + "\n" + kKana, "", kHyo, kKana},
      {4, "", kHyo + "a", "", kHyo, "a"},
      {4, "", kKana, "", "\xB1", "\xB2"},
      {4, "", "", "", "", ""},
      {4, "", "\x01\x01x", "", "\x01", "\x01x"},
      {8, "aab", "a", "", "b", "a"},
      {8, kHyo + "\\" + kSo, "\\", "", kHyo + kSo, "\\"},  // trail bytes 0x5C stay
      {8, "xaabby", "ab", "", "xy", "ab"},                 // removals that meet are removed too
      {8, kKana + kKana, "\xB2", "", "\xB1\xB1", "\xB2"},
      {9, "a", "a", "aa", "aa", "a"},  // the search goes on after the insert
      {9, kHyo + "\\", "\\", "/", kHyo + "/", "\\"},
      {9,
       "\x01\x0A"
       "ab\x01\x0A",
       "\x01\x0A", "-", "-ab-", "\x01\x0A"},
      {1, "x", kSo, "", "x" + kSo, kSo},
      {0, "x", "", "", "", ""},
  };
  for (const Case& c : cases) {
    SetStr(0, c.target);
    SetStr(1, c.source);
    ASSERT_TRUE(Run({MakeCommand(122, {S0, Flags(1, c.op), S0 + 1}, {"", c.replacement})})) << c.op;
    EXPECT_EQ(Str(0), c.expected) << "op " << c.op << " on " << c.source;
    EXPECT_EQ(Str(1), c.sourceAfter) << "op " << c.op << " on " << c.source;
  }
}

TEST_F(StringOperation, SourcesAndNumericTargets) {
  SetStr(2, "chosen");
  gVariableStore.variableSets[0][4] = S0 + 2;
  Run({MakeCommand(122, {S0, Flags(0, 0), 0}, {"lit" + kHyo}), MakeCommand(122, {S0 + 1, Flags(2, 0), V + 4}),
       MakeCommand(122, {V + 1, Flags(0, 0), 0}, {"123abc"}), MakeCommand(122, {V + 2, Flags(0, 0), 0}, {"  -45"}),
       MakeCommand(122, {V + 3, Flags(0, 0), 0}, {"none"})});
  EXPECT_EQ(Str(0), "lit" + kHyo);
  EXPECT_EQ(Str(1), "chosen");
  EXPECT_EQ(gVariableStore.variableSets[0][1], 123);
  EXPECT_EQ(gVariableStore.variableSets[0][2], -45);
  EXPECT_EQ(gVariableStore.variableSets[0][3], 0);
  // Indirect target: variable 5 names string variable 3.
  gVariableStore.variableSets[0][5] = S0 + 3;
  Run({MakeCommand(122, {V + 5, Flags(0, 0) | 0x10, 0}, {"via"})});
  EXPECT_EQ(Str(3), "via");
}

TEST_F(StringOperation, ControlCodesAndByteKinds) {
  EXPECT_EQ(EscapesFromControlCodes("a\x01\x01"
                                    "b\x01\x0A\x01\x17x.png]"),
            "a\\\\b\\>\\img[x.png]");
  EXPECT_EQ(EscapesFromControlCodes("\x01\x02\x10\x10"), "\x01\x02\x10\x10");  // codes with arguments stay
  const std::string text = "a" + kHyo + kKana;
  const int kinds[] = {0, 1, 2, 0, 0};
  for (size_t i = 0; i < 5; ++i) EXPECT_EQ(ShiftJisByteKind(text, i), kinds[i]) << i;
  EXPECT_EQ(ShiftJisByteKind(text, 99), 0);
}

TEST_F(StringOperation, ReadsFilesWritesThemWithCrLfAndListsFolders) {
  ScratchFolder folder(true);
  gExeFolderPath = folder.Path().string();
  folder.Write("in.txt", std::string("line1\r\nline2") + '\0' + "hidden");
  folder.Write("sub/b.txt", "");
  folder.Write("sub/a.txt", "");
  SetStr(1, "first\nsecond " + kHyo);
  Run({MakeCommand(122, {S0, Flags(0, 5), 0}, {"in.txt"}), MakeCommand(122, {S0 + 2, Flags(0, 5), 0}, {"no.txt"}),
       MakeCommand(122, {S0 + 1, Flags(0, 6), 0}, {"out.txt"}), MakeCommand(122, {S0 + 3, Flags(0, 7), 0}, {"sub"}),
       MakeCommand(122, {S0 + 4, Flags(0, 7), 0}, {"nowhere"})});
  // The read text passes through the escape expansion, which drops carriage returns.
  EXPECT_EQ(Str(0), "line1\nline2");
  EXPECT_EQ(Str(2), "<NoFile>");
  EXPECT_EQ(Str(1), "first\nsecond " + kHyo);  // the target keeps its text
  std::ifstream in(folder.Path() / "out.txt", std::ios::binary);
  const std::string written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(written, "first\r\nsecond " + kHyo);
  EXPECT_EQ(Str(3), "a.txt\nb.txt");
  EXPECT_EQ(Str(4), "");
  gExeFolderPath.clear();
}

TEST_F(StringOperation, WritesStayInsideTheGameFolder) {
  ScratchFolder folder(true);
  SetStr(1, "data");
  const std::string refused[] = {"",
                                 "C:\\x.txt",
                                 "..\\x.txt",
                                 "a\\..\\..\\x.txt",
                                 "\\x.txt",
                                 "/tmp/x.txt",
                                 "\x01\x01"
                                 "x.txt"};
  for (const std::string& name : refused) {
    Run({MakeCommand(122, {S0 + 1, Flags(0, 6), 0}, {name})});
  }
  EXPECT_TRUE(RecordedNotices().empty());  // outside test play nothing is shown
  EXPECT_FALSE(std::filesystem::exists("/tmp/x.txt") && std::filesystem::file_size("/tmp/x.txt") == 4);
  EXPECT_TRUE(std::filesystem::is_empty(folder.Path()));
  gTestPlay = 1;
  Run({MakeCommand(122, {S0 + 1, Flags(0, 6), 0}, {"..\\x.txt"}), MakeCommand(122, {S0 + 1, Flags(0, 6), 0}, {""})});
  EXPECT_EQ(RecordedNotices().size(), 2u);
  // A folder that does not exist: the notice in every mode.
  gTestPlay = 0;
  Run({MakeCommand(122, {S0 + 1, Flags(0, 6), 0}, {"missing\\x.txt"})});
  ASSERT_EQ(RecordedNotices().size(), 3u);
  EXPECT_EQ(RecordedNotices()[2][2], "missing\\x.txt");
}

// The entry text of a handle as the media layer holds it.
std::string EntryText(int handle, int maxLength) {
  std::string buffer(static_cast<size_t>(maxLength) + 1, '\0');
  if (GetTextEntryString(buffer.data(), handle) != 0) return "<no entry>";
  return buffer.c_str();
}

TEST_F(StringOperation, StringEntries) {
  StartedLibrary library;
  ASSERT_TRUE(library.Started());
  SetStr(0, "ab" + kHyo);
  // Maximum 3 with the current text: the lead byte at the cut is left out.
  EXPECT_FALSE(Run({MakeCommand(122, {S0, Flags(3, 1) | 0x2000, 3})}));  // held until the entry ends
  const int handle = runner_.keyInputHandle;
  EXPECT_GT(handle, 0);
  EXPECT_EQ(EntryText(handle, 3), "ab");
  EXPECT_EQ(GetTextEntryState(handle), 0);  // the player is typing
  EXPECT_EQ(runner_.keyInputPrefix, "ab" + kHyo);
  EXPECT_EQ(Str(0), "");
  EXPECT_EQ(gGameSystem.textEntryBusy, 1);
  EXPECT_EQ(gEventSystem.keyInputState, 1);

  // A second entry waits while one is open.
  EventRunner other;
  other.StartEventRunner(0, 0);
  other.SetupOwnEventCall(Terminated({MakeCommand(122, {S0 + 1, Flags(3, 0), 5})}), -1, -1);
  other.RunEventRunner();
  EXPECT_TRUE(other.IsEventRunnerBusy());
  EXPECT_EQ(other.line, 0);
  EXPECT_EQ(runner_.keyInputHandle, handle);

  // The typed key finishes the entry on the next frame of the runner.
  StartedLibrary::Type("c");
  StartedLibrary::PressVirtualKey(platform::kVkReturn);
  EXPECT_EQ(GetTextEntryState(handle), 1);
  runner_.RunEventRunner();
  EXPECT_FALSE(runner_.IsEventRunnerBusy());
  EXPECT_EQ(Str(0), "ab" + kHyo + "abc");
  EXPECT_EQ(GetTextEntryState(handle), -1);  // deleted
  EXPECT_EQ(gEventSystem.keyInputState, 0);

  // No entry when the maximum is 0 or creation fails: a cancel that keeps
  // only the prefix, and no handle.
  gGameSystem.textEntryBusy = 0;
  SetStr(2, "keep");
  EXPECT_TRUE(Run({MakeCommand(122, {S0 + 2, Flags(3, 1), 0})}));
  EXPECT_EQ(runner_.keyInputHandle, 0);
  EXPECT_EQ(Str(2), "keep");
  EXPECT_EQ(gEventSystem.keyInputState, -1);
  EXPECT_EQ(gGameSystem.textEntryBusy, 0);
  EXPECT_TRUE(Run({MakeCommand(122, {S0 + 2, Flags(3, 0), -8})}));
  EXPECT_EQ(runner_.keyInputHandle, 0);
  EXPECT_EQ(gGameSystem.textEntryBusy, 0);
}

// The runner skips the expansion only for texts it would hand back as they
// are: for every text the skipping forms give what the expansion gives.
TEST_F(StringOperation, SkippedExpansionGivesWhatTheExpansionGives) {
  SetStr(0, "zz");
  struct Case {
    std::string text;
    bool plain;  // expected to be skipped (without the leading-line option)
  };
  const std::vector<Case> cases = {
      {"", true},
      {"abc", true},
      {kHyo + kSo + kKana, false},  // trail bytes are backslashes
      {"a\\s[0]b", false},
      {"<L>left", false},
      {"a\r\nb", false},
      {"@12\nbody", true},  // plain unless the leading line is taken
      {"@", true},
      {"\x01\x01 codes", true},
      {std::string((1 << 20) + 1, 'a'), false},  // past the size bound
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ExpandsToItself(c.text, false), c.plain) << c.text.substr(0, 20);
    EXPECT_EQ(ExpandTextForRunner(c.text, -1, 0, 1), ExpandMessageEscapes(c.text, -1, 0, 1, 0, 0, "", "", 0))
        << c.text.substr(0, 20);
    const size_t noticesBefore = RecordedNotices().size();
    const std::string viaRunner = ExpandEscapesForRunner(c.text, -1, 0, 1);
    const size_t noticesOfRunner = RecordedNotices().size() - noticesBefore;
    EXPECT_EQ(viaRunner, ExpandMessageEscapes(c.text, -1, 0, 1, 0, 0, "", "", 1)) << c.text.substr(0, 20);
    EXPECT_EQ(RecordedNotices().size() - noticesBefore, 2 * noticesOfRunner) << c.text.substr(0, 20);
  }
}

}  // namespace
