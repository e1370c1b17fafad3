#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/NoticeBox.h"
#include "shell/SoundChannels.h"
#include "shell/SpeechLibrary.h"
#include "support/ScriptWorld.h"

namespace {

class SoundCommand : public testing::Test {
 protected:
  void SetUp() override {
    ResetScriptWorld(1);
    gSoundSetting = 0;  // the channels only record what they are asked to play
  }
  void TearDown() override { gSoundSetting = 3; }
  void Run(std::vector<EventCommand> commands) {
    gCommonEventList.events[0].commands = Terminated(std::move(commands));
    EventRunner runner;
    runner.StartEventRunner(0, 0);
    runner.SetupEventCall(&gCommonEventList.events[0].commands, -1, 0);
    RunUntilIdle(runner);
  }
};

TEST_F(SoundCommand, EntryNumbersComeFromTheSoundWordOrAnOperand) {
  struct Case {
    int word, operand3, bgm, bgs;
  } cases[] = {
      {0x000300, 0, 3, -1},    // play BGM 3
      {0xFFFF00, 0, -1, -1},   // 65535 stops
      {0x1000010, 7, -1, 7},   // BGS by operand
      {0x1000012, -1, -1, 9},  // release of -1 by operand: nothing
  };
  for (const Case& c : cases) {
    if (c.word != 0x1000012) {
      gCurrentBgm = -1;
      gCurrentBgs = -1;
    } else {
      gCurrentBgs = 9;
    }
    Run({MakeCommand(140, {c.word, 0, c.operand3, 0})});
    EXPECT_EQ(gCurrentBgm, c.bgm) << std::hex << c.word;
    EXPECT_EQ(gCurrentBgs, c.bgs) << std::hex << c.word;
  }
}

TEST_F(SoundCommand, SpeechWithoutTheLibraryShowsTheThreeLineNotice) {
  FreeSpeechLibrary();
  Run({MakeCommand(141, {100, 100, 100, 0}, {"\x82\xA0"})});
  const auto notices = RecordedNotices();
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_EQ(notices[0][0],
            "\x81y\x83G\x83\x89\x81[\x81z \x8D\x87\x90\xAC\x89\xB9\x90\xBA\x8D\xC4\x90\xB6\x83R\x83}\x83\x93\x83h\x82"
            "\xAA\x8E\xC0\x8Ds\x82\xB3\x82\xEA\x82\xDC\x82\xB5\x82\xBD\x82\xAA\x81"
            "A");
  EXPECT_EQ(notices[0][1],
            "AquesTalk.dll\x82\xAA\x82\xC8\x82\xA2\x82\xBD\x82\xDF\x8E\xC0\x8Ds\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1"
            "\x82\xC5\x82\xB5\x82\xBD\x81"
            "B");
  EXPECT_FALSE(notices[0][2].empty());
}

}  // namespace
