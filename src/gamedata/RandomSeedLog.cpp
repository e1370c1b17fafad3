#include "gamedata/RandomSeedLog.h"

#include "gamedata/DataFileScramble.h"
#include "gamedata/SaveBuffer.h"

RandomSeedLog gRandomSeedLog;

RandomSeedLog::RandomSeedLog() { LogRandomSeed(static_cast<int32_t>(SharedRandom(1, 0))); }

void RandomSeedLog::Append(uint8_t code, int32_t value) {
  codes.push_back(code);
  values.push_back(value);
}

void RandomSeedLog::FlushReplayRun() {
  if (runLength != 0) Append(static_cast<uint8_t>(runLength), runValue);
  runValue = 0;
  runLength = 0;
}

void RandomSeedLog::LogRandomSeed(int32_t value) {
  FlushReplayRun();
  Append(kSeedCode, value);
}

void RandomSeedLog::LogCompareSeed(int32_t value) {
  FlushReplayRun();
  Append(kCompareCode, value);
}

void RandomSeedLog::SaveRandomSeedLog() const { gSaveBuffer.WriteUint8(0); }

bool RandomSeedLog::LoadRandomSeedLog() {
  SaveBuffer& buffer = gSaveBuffer;
  uint8_t flag = 0;
  if (!buffer.ReadUint8(flag)) return false;
  if (flag != 1) return true;
  int32_t count = 0;
  // Every entry takes at least two bytes: checked before anything is sized.
  if (!buffer.ReadInt32(count) || !FitsCount(buffer, count, 2)) return false;
  std::vector<uint8_t> readCodes(static_cast<size_t>(count));
  std::vector<int32_t> readValues(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) {
    uint8_t code = 0;
    if (!buffer.ReadUint8(code)) return false;
    int32_t value = 0;
    if (code >= kSeedCode) {
      if (!buffer.ReadInt32(value)) return false;
    } else {
      uint8_t small = 0;
      if (!buffer.ReadUint8(small)) return false;
      value = small;
    }
    readCodes[static_cast<size_t>(i)] = code;
    readValues[static_cast<size_t>(i)] = value;
  }
  codes = std::move(readCodes);
  values = std::move(readValues);
  return true;
}
