#include "shell/Replay.h"

#include <cstdio>
#include <string>

#include "gamedata/DataFileScramble.h"
#include "platform/text/Cp932Literal.h"
#include "shell/NoticeBox.h"

namespace {

constexpr int kLongestRun = 240;
// Seed checks among the first entries are skipped: the game's start-up
// draws random numbers before the first frame.
constexpr int32_t kFirstCheckedEntry = 10;

bool gNoticeOpen = false;

void ShowReplayNotice(const std::string& line) {
  gNoticeOpen = true;
  ShowNoticeBox(line, "", "");
  gNoticeOpen = false;
}

void Append(RandomSeedLog& log, int code, int32_t value) {
  log.codes.push_back(static_cast<uint8_t>(code));
  log.values.push_back(value);
}

}  // namespace

bool IsReplayNoticeOpen() { return gNoticeOpen; }

void RecordReplayFrame(RandomSeedLog& log, uint8_t up, uint8_t down, uint8_t left, uint8_t right, uint8_t confirm,
                       uint8_t cancel, uint8_t sub, uint8_t button11) {
  const int32_t value = (up ? 1 : 0) | (down ? 2 : 0) | (left ? 4 : 0) | (right ? 8 : 0) | (confirm ? 16 : 0) |
                        (cancel ? 32 : 0) | (sub ? 64 : 0) | (button11 ? 128 : 0);
  if (value == log.runValue) {
    if (++log.runLength >= kLongestRun) {
      Append(log, kLongestRun, value);
      log.runLength = 0;
    }
    return;
  }
  if (log.runLength != 0) Append(log, log.runLength, log.runValue);
  log.runValue = value;
  log.runLength = 1;
}

void PlayReplayFrame(RandomSeedLog& log, uint8_t& up, uint8_t& down, uint8_t& left, uint8_t& right, uint8_t& confirm,
                     uint8_t& cancel, uint8_t& sub, uint8_t& button11) {
  up = down = left = right = confirm = cancel = sub = button11 = 0;
  for (;;) {
    const int32_t cursor = log.replayCounter;
    if (cursor < 0 || static_cast<size_t>(cursor) >= log.codes.size() ||
        static_cast<size_t>(cursor) >= log.values.size()) {
      // Finished before the notice, so that the polls of its wait do not
      // come back here.
      gReplayFinished = 1;
      ShowReplayNotice(Cp932<"リプレイデータが終了しました">);
      break;
    }
    const size_t at = static_cast<size_t>(cursor);
    const uint8_t code = log.codes[at];
    if (code >= RandomSeedLog::kSeedCode) {
      // Past the entry before any notice, so that the wait's polls go on
      // from the next one.
      log.replayCounter = cursor + 1;
      if (code == RandomSeedLog::kCompareCode && cursor >= kFirstCheckedEntry) {
        const int32_t stored = log.values[at];
        const int32_t current = static_cast<int32_t>(SharedRandom(1, 0));
        if (stored != current) {
          char text[96];
          (void)std::snprintf(text, sizeof text, Cp932<"乱数シードが違います 保存=%d 現在=%d">, stored, current);
          ShowReplayNotice(text);
        }
      }
      continue;
    }
    if (code == 0) {
      log.replayCounter = cursor + 1;
      continue;
    }
    const int32_t value = log.values[at];
    if (value != 0) {
      up = value & 1;
      down = (value >> 1) & 1;
      left = (value >> 2) & 1;
      right = (value >> 3) & 1;
      confirm = (value >> 4) & 1;
      cancel = (value >> 5) & 1;
      sub = (value >> 6) & 1;
      button11 = (value >> 7) & 1;
    }
    log.codes[at] = static_cast<uint8_t>(code - 1);
    break;
  }
  ++log.playerCounter;
}

void RenewReplayLogAtRestart() {
  if (!gReplayPlaying) {
    gRandomSeedLog = RandomSeedLog();
  } else if (!gRandomSeedLog.values.empty()) {
    SharedRandom(2, static_cast<uint32_t>(gRandomSeedLog.values.front()));
  }
}
