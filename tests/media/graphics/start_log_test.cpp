#include "media/graphics/GraphicsSystem.h"
#include "media/softrender/BlendTables.h"
#include "media/system/MainWindow.h"
#include "media/system/SystemFixture.h"
#include "platform/text/Text.h"
#include "support/GraphicsStartLog.h"

std::string Sjis(const std::string& utf8) { return platform::Utf8ToCp932(utf8); }

namespace {

std::vector<std::string> Utf8(const std::vector<std::string>& lines) {
  std::vector<std::string> out;
  for (const auto& l : lines) out.push_back(platform::Cp932ToUtf8(l));
  return out;
}

// The lines from the graphics start up to the end of its software start.
std::vector<std::string> GraphicsPart(const std::vector<std::string>& lines) {
  auto first = std::find(lines.begin(), lines.end(), "DirectSound の初期化は正常に終了しました");
  auto last = std::find(lines.begin(), lines.end(), "DirectDraw 関連の初期化は正常に終了しました");
  if (first == lines.end() || last == lines.end()) return {};
  return std::vector<std::string>(first + 1, last + 1);
}

TEST_F(SystemTest, TheHardwareAttemptFailsAtDirect3DAndTheSoftwareStartFollows) {
  SetRunWhileInactive(1);
  ChangeWindowMode(1);
  SetScreenResolution(640, 480, 32, 60);
  ASSERT_EQ(StartMediaLibrary(), 0);
  EXPECT_EQ(GraphicsPart(Utf8(LogLines())), GraphicsStartLogLines(32));
  // The fallback line is written in CP932, byte for byte.
  const std::string log = ReadLog();
  EXPECT_NE(log.find("\x83\\\x83t\x83g\x83"
                     "E\x83G\x83"
                     "A\x83\x8c\x83\x93\x83_\x83\x8a\x83\x93\x83O\x83\x82\x81[\x83h"
                     "\x82\xc9\x95\xcf\x8dX\x82\xb5\x82\xdc\x82\xb7\r\n"),
            std::string::npos);
  EXPECT_EQ(IsSoftwareRendering(), 1);
  EXPECT_EQ(IsDirectDrawUsed(), 0);
  EXPECT_EQ(GetNoDirect3DFlag(), 1);
  EXPECT_EQ(IsHardware3DActive(), 0);
  EXPECT_EQ(GetDisplayRefreshRate(), 60);
  EXPECT_EQ(GetScreenColorDepth(), 32);
  EXPECT_EQ(GetUseFrontWorkSurface(), 0);
  EXPECT_TRUE(MemImgBlendTablesReady());
  int w = 0, h = 0, bits = 0;
  QueryScreenMode(&w, &h, &bits);
  EXPECT_EQ(w, 640);
  EXPECT_EQ(h, 480);
  EXPECT_EQ(bits, 32);
  EXPECT_EQ(GetDrawTarget(), -4);
  EXPECT_EQ(GetGraphCount(), 0);

  ASSERT_EQ(EndMediaLibrary(), 0);
  auto lines = Utf8(LogLines());
  const auto ends = GraphicsEndLogLines();
  auto end = std::find_end(lines.begin(), lines.end(), ends.begin(), ends.end());
  EXPECT_NE(end, lines.end());
}

// The failed hardware attempt counts as a mode change in a window as in full
// screen: the software start that follows keeps two seconds from it.
class StartWaitTest : public SystemTest, public testing::WithParamInterface<int> {};

TEST_P(StartWaitTest, AFailedHardwareAttemptMakesTheSoftwareStartWait) {
  SetRunWhileInactive(1);
  ChangeWindowMode(GetParam());
  SetScreenResolution(640, 480, 32, 60);
  const uint64_t before = platform::VirtualClock();
  ASSERT_EQ(StartMediaLibrary(), 0);
  const uint64_t elapsed = platform::VirtualClock() - before;
  EXPECT_EQ(IsSoftwareRendering(), 1);
  // 60 ms before the attempt, then up to 2060 ms after it.
  EXPECT_GE(elapsed, 60u + 2060u);
}
INSTANTIATE_TEST_SUITE_P(Modes, StartWaitTest, testing::Values(1, 0));

}  // namespace
