#include "media/system/KeyInput.h"

#include <cstring>

#include "foundation/Log.h"

namespace {

constexpr int kRingSlots = 1025;

struct LeastTextEntryState {
  unsigned char ring[kRingSlots];
  int readPosition;
  int writePosition;
  int imeEnabled;
  int imeOpen;
  int imeRefreshStep;
};
LeastTextEntryState gTextEntryLeast;

}  // namespace

int StartTextEntrySystem() {
  LogWrite("\x95\xb6\x8e\x9a\x83R\x81[\x83h\x83o\x83" "b\x83t\x83@\x82\xcc\x8f\x89\x8a\xfa\x89\xbb\x82\xf0\x8ds\x82\xa2\x82\xdc\x82\xb7... " /* 文字コードバッファの初期化を行います...  */);
  std::memset(&gTextEntryLeast, 0, sizeof gTextEntryLeast);
  LogWrite("\x8a\xae\x97\xb9\x82\xb5\x82\xdc\x82\xb5\x82\xbd\n" /* 完了しました\n */);
  return 0;
}

int EndTextEntrySystem() { return 0; }
int UpdateTextEntries() {
  if (gTextEntryLeast.imeRefreshStep == 1) gTextEntryLeast.imeRefreshStep = 0;
  return 0;
}

int IsInputCharRingFull() {
  return (gTextEntryLeast.writePosition + 1) % kRingSlots == gTextEntryLeast.readPosition ? 1 : 0;
}

int PushInputChar(int code) {
  if (IsInputCharRingFull()) return -1;
  gTextEntryLeast.ring[gTextEntryLeast.writePosition] = static_cast<unsigned char>(code);
  gTextEntryLeast.writePosition = (gTextEntryLeast.writePosition + 1) % kRingSlots;
  return 0;
}

// One byte at a time; the text entries join double-byte characters.
int PopInputChar(char out[2], int remove) {
  out[0] = out[1] = 0;
  if (gTextEntryLeast.readPosition == gTextEntryLeast.writePosition) return 0;
  out[0] = static_cast<char>(gTextEntryLeast.ring[gTextEntryLeast.readPosition]);
  if (remove) gTextEntryLeast.readPosition = (gTextEntryLeast.readPosition + 1) % kRingSlots;
  return 1;
}

int IsTextEntryImeEnabled() { return gTextEntryLeast.imeEnabled; }
int IsTextEntryImeOpen() { return gTextEntryLeast.imeOpen; }
int RequestImeRefresh() {
  gTextEntryLeast.imeRefreshStep = 1;
  return 0;
}
intptr_t HandleImeMessage(uintptr_t, uint32_t, int, intptr_t) { return 0; }
