#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "foundation/Log.h"
#include "foundation/TrackedHeap.h"
#include "platform/debug/DebugOutput.h"
#include "platform/time/Time.h"
#include "support/LogCapture.h"

namespace {

// Collects what the log sends to the debugger output.
class DebugCapture {
 public:
  DebugCapture() {
    platform::SetDebugOutputSink([this](const std::string& text) { texts.push_back(text); });
  }
  ~DebugCapture() { platform::SetDebugOutputSink({}); }
  std::string Joined() const {
    std::string all;
    for (const auto& t : texts) all += t;
    return all;
  }
  std::vector<std::string> texts;
};

TEST(Log, LineHoldsTimeTabsTextAndCrLf) {
  platform::SetVirtualClock(10000);
  LogCapture log;
  DebugCapture debug;
  LogIndentIn();
  LogIndentIn();
  platform::AdvanceVirtualClock(1500);
  EXPECT_EQ(LogWrite("A\n"), -1);
  // Several writes make one line; only the first carries time and tabs.
  platform::AdvanceVirtualClock(7);
  LogWrite("B");
  LogWrite("D\n");
  LogIndentOut();
  LogWrite("E\n");
  EXPECT_EQ(log.Read(), "1500:\t\tA\r\n1507:\t\tBD\r\n1507:\tE\r\n");
  // The time stamp goes to the file only.
  EXPECT_EQ(debug.Joined(), "\t\tA\r\n\t\tBD\r\n\tE\r\n");
}

TEST(Log, LineFeedConversion) {
  struct Case {
    const char* text;
    const char* written;
  } cases[] = {
      {"x\ny\n", "x\r\ny\r\n"},
      {"x\r\ny\n", "x\r\ny\n"},  // already converted: left alone from there on
      {"a\nb\r\nc\n", "a\r\nb\r\nc\n"},
      {"\x95\x5c\n", "\x95\x5c\r\n"},  // double-byte character with trail 0x5C
      {"\n", "\r\n"},
  };
  for (const auto& c : cases) {
    LogCapture log;
    LogWrite(c.text);
    EXPECT_EQ(log.Read(), std::string("0:") + c.written) << testing::PrintToString(std::string(c.text));
  }
}

TEST(Log, MidLineFollowsTheLastText) {
  platform::SetVirtualClock(0);
  LogCapture log;
  LogWrite("");  // an empty text leaves the line open
  LogWrite("a");
  LogWrite("\n");
  LogWrite("b\x82");  // a broken lead byte at the end is written as it is
  LogWrite("\n");
  EXPECT_EQ(log.Read(), std::string("0:a\r\n0:b\x82\r\n"));
}

TEST(Log, StartRecreatesTheFileAndResetsState) {
  LogCapture log;
  LogIndentIn();
  LogWrite("old line");
  ASSERT_FALSE(log.Read().empty());
  platform::SetVirtualClock(500);
  LogStart();
  EXPECT_TRUE(std::filesystem::exists(log.LogPath()));
  EXPECT_EQ(log.Read(), "");
  EXPECT_EQ(gLogState.indentLevel, 0);
  EXPECT_EQ(gLogState.midLine, 0);
  EXPECT_EQ(gLogState.startTime, 500u);
  LogWrite("new\n");
  EXPECT_EQ(log.Read(), "0:new\r\n");
}

TEST(Log, NothingIsWrittenWhileLoggingIsOff) {
  LogCapture log;
  {
    std::ofstream old(log.LogPath(), std::ios::binary);
    old << "previous run";
  }
  gLogState.logOff = 1;
  DebugCapture debug;
  EXPECT_EQ(LogStart(), 1);
  EXPECT_EQ(LogWrite("hidden\n"), -1);
  EXPECT_EQ(LogWriteFormat("%d", 5), -1);
  EXPECT_EQ(log.Read(), "previous run");
  EXPECT_TRUE(debug.texts.empty());
}

TEST(Log, NothingIsWrittenWithoutBaseFolder) {
  LogCapture log;
  gLogState.baseFolder[0] = '\0';
  DebugCapture debug;
  LogWrite("x\n");
  EXPECT_TRUE(debug.texts.empty());
  EXPECT_EQ(log.Read(), "");
}

TEST(Log, BaseFolderWithTrailingSeparator) {
  LogCapture log;
  std::string folder = log.Folder().string() + "/";
  std::snprintf(gLogState.baseFolder, sizeof gLogState.baseFolder, "%s", folder.c_str());
  LogWrite("z\n");
  EXPECT_EQ(log.Read(), "0:z\r\n");
}

TEST(Log, IndentNeverGoesBelowZero) {
  LogCapture log;
  EXPECT_EQ(LogIndentOut(), 0);
  EXPECT_EQ(gLogState.indentLevel, 0);
  EXPECT_EQ(LogIndentIn(), 0);
  EXPECT_EQ(gLogState.indentLevel, 1);
}

TEST(Log, FormatAppendsLineFeed) {
  LogCapture log;
  LogWriteFormat("value %d and %s", 42, "\x82\xa0");
  EXPECT_EQ(log.Read(), "0:value 42 and \x82\xa0\r\n");
}

TEST(Log, FormatIsBoundedAndKeepsCharactersWhole) {
  LogCapture log;
  // 1 + 2 * 600 bytes: the 1023-byte limit falls inside a double-byte character.
  std::string wide = "a";
  for (int i = 0; i < 600; ++i) wide += "\x82\xa0";
  LogWriteFormat("%s", wide.c_str());
  const std::string expected = "0:" + wide.substr(0, 1 + 2 * 510) + "\r\n";
  EXPECT_EQ(log.Read(), expected);

  LogStart();
  const std::string narrow(3000, 'n');
  LogWriteFormat("%s", narrow.c_str());
  EXPECT_EQ(log.Read(), "0:" + std::string(1022, 'n') + "\r\n");
}

TEST(Log, MemoryTotalsLine) {
  LogCapture log;
  void* block = TrackedAlloc(1536, "log_test.cpp", 1);
  const int total = TrackedTotalBytes();
  const int count = TrackedBlockCount();
  LogMemoryTotals();
  char expected[128];
  std::snprintf(expected, sizeof expected, "0:\tTotal size:%d(%.3fkb)  Alloc num:%d\r\n", total, total / 1024.0, count);
  EXPECT_EQ(log.Read(), expected);
  TrackedFree(block);
}

}  // namespace
