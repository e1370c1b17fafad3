#pragma once

#include <cstdint>

#include "media/system/PublicInput.h"

// Key-input strings: on-screen text entries fed from one shared ring of typed
// bytes (filled by the window procedure, emptied by the message pass). Texts
// are CP932, one or two bytes per character.

constexpr int kTextEntrySlots = 256;
constexpr int kInputRingSlots = 1025;  // one slot stays free: at most 1024 bytes wait
constexpr int kCompositionBytes = 1024;
constexpr int kTextEntryColorCount = 15;

struct TextEntryRecord {
  int inUse;
  int check;
  int finished;  // Enter, or Escape when cancelling is allowed
  int cancelled;
  int length;          // bytes
  int maxLength;       // bytes
  int selectionStart;  // -1: no selection
  int selectionEnd;    // the moving end; may lie before the start
  int drawStart;       // first visible byte
  int cursor;          // byte offset
  char* text;          // tracked block of maxLength + 1 bytes
  int cancelAllowed;
  int singleByteOnly;
  int digitsOnly;
};

struct TextEntrySystem {
  unsigned char ring[kInputRingSlots];
  int readPosition;
  int writePosition;
  int dropNextByte;  // the trail byte of a lead byte that did not fit
  int imeCursor;     // in characters of the composition
  char composition[kCompositionBytes];
  char compositionSave[kCompositionBytes];
  void* candidateList;  // tracked copy, or null
  int candidateListSize;
  int imeEnabled;
  int imeOpen;
  int imeRefreshStep;  // 1: requested by window activation
  uint32_t clauseOffsets[256];
  int clauseCount;
  int colors[kTextEntryColorCount];
  int blinkMode;
  int blinkTime;
  int blinkPeriod;
  int cursorVisible;
  int activeHandle;  // -1: none
  int fontHandle;    // -1: the library's default font
  TextEntryRecord entries[kTextEntrySlots];
  int nextCheck;  // 0..2047
};
extern TextEntrySystem gTextEntry;

int StartTextEntrySystem();
int EndTextEntrySystem();
// The text-entry entries themselves are public (PublicInput.h).
int UpdateTextEntries();
int SetImeEnabled(int on);

int PushInputChar(int code);
int PopInputChar(char out[2], int remove);
int ClearInputChars();
int IsInputCharRingFull();

// With a buffer: copies the clipboard's text and returns 0. Without: the
// size a buffer needs, plus one. -1 when the clipboard holds no text.
int ReadClipboardText(char* buffer);
int WriteClipboardText(const char* text);

int CharsToBytes(const char* text, int chars);
int BytesToChars(const char* text, int bytes);
int IsControlKeyCode(int code);
int DeleteTextEntrySelection(TextEntryRecord* record);
int ResetCursorBlink();
// The record of a valid handle, else null.
TextEntryRecord* FindTextEntry(int handle);

// The window procedure's view of the IME state.
int IsTextEntryImeEnabled();
int IsTextEntryImeOpen();
int RequestImeRefresh();
intptr_t HandleImeMessage(uintptr_t wParam, uint32_t message, int window, intptr_t lParam);

// Key-input drawing (the entries DrawTextEntry and SetTextEntryColors are
// public). Boxes and text wrap inside the draw area.
int SetDefaultTextEntryColors();
int DrawWrappedBox(int x1, int y1, int x2, int y2, int lineHeight, int color, int fill);
int DrawWrappedText(int x, int y, int lineHeight, const char* text, int color, int edgeColor, int font,
                    int selectionBackground, int selectionText, int selectionEdge, int selectionStart,
                    int selectionEnd);
int DrawImeInput(int x, int y, int pageSize);
