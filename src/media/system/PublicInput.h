#pragma once

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
