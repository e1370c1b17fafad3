#pragma once

#include <cstdint>

// Public entries of the input family: keyboard, mouse and pads, and the
// on-screen text entries. Handles of text entries are ints (-1: none).

int CheckAnyInput(int flags);
int GetKeyboardSnapshot(char buffer[256]);
int GetPadButtons(int input);
int GetMouseButtons();

int CreateTextEntry(int maxLength, int cancelAllowed, int singleByteOnly, int digitsOnly);
int DeleteTextEntry(int handle);
int ActivateTextEntry(int handle);
int GetTextEntryState(int handle);
int SetTextEntryString(const char* text, int handle);
int GetTextEntryString(char* buffer, int handle);
int DrawTextEntry(int x, int y, int handle);
// Fifteen packed colours; -1 keeps colours 0-9, gives colour 10 the new colour
// 2 (when given) and colours 11-14 their defaults.
int SetTextEntryColors(int64_t c0, int64_t c1, int64_t c2, int64_t c3, int64_t c4, int64_t c5, int64_t c6, int64_t c7,
                       int64_t c8, int64_t c9, int64_t c10, int64_t c11, int64_t c12, int64_t c13, int64_t c14);
