#pragma once

#include <cstdint>

// Key-input strings. The input subsystem fills these in; until then the
// character ring the window procedure feeds is here, with the start and end.

int StartTextEntrySystem();
int EndTextEntrySystem();
int UpdateTextEntries();
int PushInputChar(int code);
int PopInputChar(char out[2], int remove);
int IsInputCharRingFull();
int IsTextEntryImeEnabled();
int IsTextEntryImeOpen();
int RequestImeRefresh();
intptr_t HandleImeMessage(uintptr_t wParam, uint32_t message, int window, intptr_t lParam);
