#pragma once

#include <cstdint>
#include <vector>

// The replay log: the player's key states as runs of frames, with the shared
// random state noted wherever the game seeds or compares it. The live log is
// recorded during play and, during a replay, played back; a save file ends
// with its block.
//
// An entry is (code, value): a code below 250 is a run of that many frames
// with the key bits `value`; 250 notes the shared random state; 251 notes a
// comparison value of the random state.
class RandomSeedLog {
 public:
  static constexpr uint8_t kSeedCode = 250;
  static constexpr uint8_t kCompareCode = 251;

  // Empty, then one seed entry with the shared random state (not advanced).
  RandomSeedLog();

  // Appends the run in hand (when it has any frames) and starts a new one.
  void FlushReplayRun();
  void LogRandomSeed(int32_t value);
  void LogCompareSeed(int32_t value);

  // The save block: the writer stores only the flag byte 0 (a save never
  // carries its log); the reader takes a log when the flag byte is 1. False
  // on short data (the buffer's flag is then set).
  void SaveRandomSeedLog() const;
  bool LoadRandomSeedLog();

  // The key bits being counted and for how many frames.
  int32_t runValue = 0;
  int32_t runLength = 0;
  // Entry the replay player is at.
  int32_t replayCounter = 0;
  std::vector<uint8_t> codes;
  std::vector<int32_t> values;
  // Counters of the replay recorder and player.
  int32_t recorderCounter = 0;
  int32_t playerCounter = 0;

 private:
  void Append(uint8_t code, int32_t value);
};

extern RandomSeedLog gRandomSeedLog;
