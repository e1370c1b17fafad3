#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "gamedata/DataFileScramble.h"
#include "gamedata/GlobalObjects.h"
#include "media/PublicFunctions.h"
#include "platform/input/Input.h"
#include "shell/NoticeBox.h"
#include "shell/PlayerInput.h"
#include "shell/Replay.h"
#include "shell/StartupGlobals.h"
#include "support/StartedLibrary.h"

namespace {

using Entries = std::vector<std::pair<int, int32_t>>;

// The log's entries after its first (the seed entry of its construction).
Entries EntriesAfterSeed(const RandomSeedLog& log) {
  Entries entries;
  for (size_t i = 1; i < log.codes.size(); ++i) entries.emplace_back(log.codes[i], log.values[i]);
  return entries;
}

void Record(RandomSeedLog& log, int value, int frames) {
  for (int i = 0; i < frames; ++i) {
    RecordReplayFrame(log, value & 1, value & 2, value & 4, value & 8, value & 16, value & 32, value & 64, value & 128);
  }
}

TEST(ReplayLog, RunsOfEqualFramesAreCutAt240) {
  RandomSeedLog log;
  Record(log, 0x15, 600);
  Record(log, 0x02, 1);
  EXPECT_EQ(EntriesAfterSeed(log), (Entries{{240, 0x15}, {240, 0x15}, {120, 0x15}}));
  EXPECT_EQ(log.runValue, 0x02);
  EXPECT_EQ(log.runLength, 1);
  // A run of exactly 240 leaves nothing pending.
  Record(log, 0x80, 240);
  EXPECT_EQ(log.codes.back(), 240);
  EXPECT_EQ(log.runLength, 0);
}

TEST(ReplayLog, ASeedEntryFlushesTheRun) {
  RandomSeedLog log;
  Record(log, 0x09, 5);
  log.LogCompareSeed(1234);
  EXPECT_EQ(EntriesAfterSeed(log), (Entries{{5, 0x09}, {251, 1234}}));
  EXPECT_EQ(log.runLength, 0);
  EXPECT_EQ(log.runValue, 0);
  Record(log, 0x09, 3);
  Record(log, 0, 1);
  EXPECT_EQ(EntriesAfterSeed(log), (Entries{{5, 0x09}, {251, 1234}, {3, 0x09}}));
}

class Replay : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(library_.Started());
    gEventSystem = EventSystem(EventSystem::StaticInit{});
    gFrameStep = 1;
    gReplayPlaying = 0;
    gReplayFinished = 0;
    InitInputState(gInput);
    PollInput(gInput);
    PollInput(gInput);
    gRandomSeedLog = RandomSeedLog();
    ClearRecordedNotices();
  }
  void TearDown() override {
    gReplayPlaying = 0;
    gReplayFinished = 0;
    platform::ClearScriptedInput();
    PollInput(gInput);
  }

  struct Frame {
    int direction8;
    std::array<uint8_t, 4> actions;
    bool operator==(const Frame&) const = default;
  };
  static Frame Snapshot() { return {gInput.direction8, gInput.actionHeld}; }

  StartedLibrary library_;
};

TEST_F(Replay, ALiveRunsLogReplaysTheSameFrames) {
  using namespace platform;
  // Keys changed before each poll: (scan, down).
  const std::vector<std::vector<std::pair<int, bool>>> script = {{{kDikRight, true}},
                                                                 {},
                                                                 {{kDikUp, true}},
                                                                 {{kDikZ, true}},
                                                                 {},
                                                                 {{kDikRight, false}, {kDikZ, false}},
                                                                 {{kDikX, true}},
                                                                 {},
                                                                 {{kDikX, false}, {kDikUp, false}, {kDikLeft, true}},
                                                                 {},
                                                                 {{kDikLeft, false}},
                                                                 {}};
  std::vector<Frame> live;
  for (const auto& changes : script) {
    for (auto [scan, down] : changes) ASSERT_TRUE(SetScriptedKey(scan, down));
    PollInput(gInput);
    live.push_back(Snapshot());
  }
  gRandomSeedLog.FlushReplayRun();

  ClearScriptedInput();
  InitInputState(gInput);
  gReplayPlaying = 1;
  std::vector<Frame> played;
  for (size_t i = 0; i < script.size(); ++i) {
    PollInput(gInput);
    played.push_back(Snapshot());
  }
  EXPECT_EQ(played, live);
  EXPECT_EQ(gRandomSeedLog.playerCounter, static_cast<int32_t>(script.size()));
  EXPECT_EQ(gReplayFinished, 0);
  EXPECT_TRUE(RecordedNotices().empty());

  // Past the end: the notice once, then the input no longer changes.
  PollInput(gInput);
  EXPECT_EQ(gReplayFinished, 1);
  for (int i = 0; i < 5; ++i) PollInput(gInput);
  ASSERT_EQ(RecordedNotices().size(), 1u);
  EXPECT_EQ(RecordedNotices()[0][0], "\x83\x8A\x83\x76\x83\x8C\x83\x43\x83\x66\x81\x5B\x83\x5E\x82\xAA\x8F\x49"
                                     "\x97\xB9\x82\xB5\x82\xDC\x82\xB5\x82\xBD");
}

TEST_F(Replay, TheLiveCancelKeyStaysReadableDuringPlayback) {
  Record(gRandomSeedLog, 0x01, 20);
  gRandomSeedLog.FlushReplayRun();
  gReplayPlaying = 1;
  for (int scan : {platform::kDikEscape, platform::kDikKanji, platform::kDikX}) {
    ASSERT_TRUE(platform::SetScriptedKey(scan, true));
    PollInput(gInput);
    EXPECT_EQ(gInput.liveActionPressed[1], 1) << scan;
    EXPECT_EQ(gInput.actionHeld[1], 0) << scan;  // the replayed frame has no cancel
    EXPECT_EQ(gInput.direction8, 8) << scan;
    ASSERT_TRUE(platform::SetScriptedKey(scan, false));
    PollInput(gInput);
  }
}

TEST_F(Replay, SeedChecksAreReportedOnceFromTheTenthEntryOn) {
  const int32_t state = static_cast<int32_t>(SharedRandom(1, 0));
  RandomSeedLog& log = gRandomSeedLog;
  log.LogCompareSeed(state + 1);  // entry 1: too early to check
  for (int i = 0; i < 8; ++i) {
    Record(log, 0x04, 1);
    log.LogCompareSeed(state);  // equal: no notice
  }
  Record(log, 0x04, 1);
  log.LogCompareSeed(state + 7);  // a later entry that differs
  Record(log, 0x08, 3);
  log.FlushReplayRun();
  gReplayPlaying = 1;
  for (int i = 0; i < 12; ++i) PollInput(gInput);
  ASSERT_EQ(RecordedNotices().size(), 1u);
  EXPECT_NE(RecordedNotices()[0][0].find(std::string("=").append(std::to_string(state + 7)) + " "), std::string::npos);
  EXPECT_EQ(gInput.direction8, 6);
  EXPECT_EQ(gReplayFinished, 0);
}

TEST_F(Replay, RestartSeedsOnlyFromANonEmptyLog) {
  gReplayPlaying = 1;
  gRandomSeedLog.codes.clear();
  gRandomSeedLog.values.clear();
  SharedRandom(2, 77);
  RenewReplayLogAtRestart();
  EXPECT_EQ(SharedRandom(1, 0), 77u);
  gRandomSeedLog.LogRandomSeed(4321);
  RenewReplayLogAtRestart();
  EXPECT_EQ(SharedRandom(1, 0), 4321u);
  EXPECT_EQ(gRandomSeedLog.codes.size(), 1u);  // kept for the playback
  gReplayPlaying = 0;
  RenewReplayLogAtRestart();  // outside playback: a fresh log
  ASSERT_EQ(gRandomSeedLog.codes.size(), 1u);
  EXPECT_EQ(gRandomSeedLog.codes[0], RandomSeedLog::kSeedCode);
}

// The notices of a replay wait on the screen like every notice, answered
// with the live confirm key while the log stands still.
TEST_F(Replay, NoticesWaitAndAreAnsweredWithLiveInput) {
  const int32_t state = static_cast<int32_t>(SharedRandom(1, 0));
  RandomSeedLog& log = gRandomSeedLog;
  for (int i = 0; i < 10; ++i) Record(log, 0x04, 1);  // ten runs of left, each one frame
  for (int i = 0; i < 10; ++i) Record(log, i % 2 ? 0x04 : 0x08, 1);
  log.LogCompareSeed(state + 1);
  Record(log, 0x01, 2);
  log.FlushReplayRun();
  SetNoticeOutput(NoticeOutput::Screen);
  ASSERT_TRUE(platform::SetScriptedKey(platform::kDikReturn, true));
  SetDrawCallLogEnabled(1);
  ClearDrawCallLog();
  gReplayPlaying = 1;
  std::vector<int> directions;
  for (int i = 0; i < 24 && !gReplayFinished; ++i) {
    PollInput(gInput);
    directions.push_back(gInput.direction8);
  }
  SetNoticeOutput(NoticeOutput::Report);
  SetDrawCallLogEnabled(0);
  EXPECT_EQ(gReplayFinished, 1);
  // Both notices were drawn once: the seed check, then the end.
  const std::string log_ = GetDrawCallLog();
  ClearDrawCallLog();
  size_t notices = 0;
  for (size_t at = log_.find("PutBox(0,192,640,288,"); at != std::string::npos;
       at = log_.find("PutBox(0,192,640,288,", at + 1))
    ++notices;
  EXPECT_EQ(notices, 2u);
  // The frames after the check go on where the log stood: up twice.
  ASSERT_GE(directions.size(), 22u);
  EXPECT_EQ(directions[20], 8);
  EXPECT_EQ(directions[21], 8);
}

}  // namespace
