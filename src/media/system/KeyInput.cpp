#include "media/system/KeyInput.h"

#include <cstring>
#include <string>

#include "foundation/Log.h"
#include "foundation/TextFunctions.h"
#include "foundation/TrackedHeap.h"
#include "media/system/InputDevices.h"
#include "media/system/LibrarySystem.h"
#include "media/system/MessageLoop.h"
#include "platform/clipboard/Clipboard.h"
#include "platform/ime/Ime.h"
#include "platform/text/Cp932Literal.h"
#include "platform/window/Window.h"

TextEntrySystem gTextEntry;

namespace {

constexpr int kHandleType = 10;
constexpr auto& kTxtCandidateSizeZero = Cp932<"漢字変換候補のデータサイズが０でした  DefHWND:%x IMC:%x\n">;
constexpr auto& kTxtCandidateMemory =
    Cp932<"漢字変換候補を保存するメモリの確保に失敗しました( 確保しようとしたサイズ %d バイト )">;
constexpr int kCheckLimit = 2048;

// The codes the window procedure pushes for editing keys (Delete, arrows,
// Home, End, Page Up, Page Down); they are never the first byte of a
// double-byte character.
constexpr int kControlKeyCodes[] = {0x10, 0x1D, 0x1C, 0x1E, 0x1F, 0x1A, 0x19, 0x17, 0x15};

int NextSlot(int position) { return position + 1 == kInputRingSlots ? 0 : position + 1; }
int PreviousSlot(int position) { return position == 0 ? kInputRingSlots - 1 : position - 1; }

int RingFreeSlots() {
  const TextEntrySystem& t = gTextEntry;
  return (t.readPosition - t.writePosition - 1 + kInputRingSlots) % kInputRingSlots;
}

bool IsLead(unsigned char byte) { return IsDoubleByteLead(byte); }

// Size of the character starting at `pos`: a lead byte with no trail byte
// left in the text counts as one.
int CharSizeAt(const char* text, int length, int pos) {
  if (pos >= length) return 0;
  return IsLead(static_cast<unsigned char>(text[pos])) && pos + 1 < length ? 2 : 1;
}

// Start of the character that ends at `pos`, found by walking from the
// start of the text: a trail byte can look like a lead byte.
int PreviousCharStart(const char* text, int length, int pos) {
  int start = 0;
  int at = 0;
  while (at < pos) {
    start = at;
    at += CharSizeAt(text, length, at);
  }
  return start;
}

void RemoveBytes(TextEntryRecord* e, int from, int count) {
  std::memmove(e->text + from, e->text + from + count, static_cast<size_t>(e->length - from - count));
  e->length -= count;
  e->text[e->length] = '\0';
  if (e->drawStart > e->length) e->drawStart = e->length;
}

void ClearSelection(TextEntryRecord* e) {
  e->selectionStart = -1;
  e->selectionEnd = -1;
}

bool HasSelection(const TextEntryRecord* e) { return e->selectionStart != -1; }

void CopySelection(const TextEntryRecord* e) {
  int lo = e->selectionStart < e->selectionEnd ? e->selectionStart : e->selectionEnd;
  int hi = e->selectionStart < e->selectionEnd ? e->selectionEnd : e->selectionStart;
  std::string selected(e->text + lo, static_cast<size_t>(hi - lo));
  WriteClipboardText(selected.c_str());
}

// Shift is read without the inactive-window hold: this runs inside the
// message pass, where that hold could never end.
bool ShiftHeld() {
  PollKeyboard();
  return (gInputDevices.keyState[platform::kDikLShift] & 0x80) != 0 ||
         (gInputDevices.keyState[platform::kDikRShift] & 0x80) != 0;
}

bool AcceptsDigitsOnly(const TextEntryRecord* e, unsigned char c, int n) {
  if (n != 1) return false;
  if (c >= '0' && c <= '9') return true;
  if (c == '-') return e->cursor == 0;
  if (c == '.') return std::memchr(e->text, '.', static_cast<size_t>(e->length)) == nullptr;
  return false;
}

void InsertCharacter(TextEntryRecord* e, const char* bytes, int n) {
  DeleteTextEntrySelection(e);
  const unsigned char c = static_cast<unsigned char>(bytes[0]);
  if (e->digitsOnly != 0 && !AcceptsDigitsOnly(e, c, n)) return;
  if (e->singleByteOnly != 0 && n == 2) return;
  // A character longer than the whole entry can never fit.
  if (n > e->maxLength) return;
  while (e->length + n > e->maxLength) {
    const int last = PreviousCharStart(e->text, e->length, e->length);
    if (e->cursor > last) e->cursor = last;
    RemoveBytes(e, last, e->length - last);
  }
  std::memmove(e->text + e->cursor + n, e->text + e->cursor, static_cast<size_t>(e->length - e->cursor));
  std::memcpy(e->text + e->cursor, bytes, static_cast<size_t>(n));
  e->cursor += n;
  e->length += n;
  e->text[e->length] = '\0';
}

void MoveCursor(TextEntryRecord* e, int to, bool shift) {
  if (shift) {
    if (!HasSelection(e)) e->selectionStart = e->cursor;
    e->selectionEnd = to;
  } else {
    ClearSelection(e);
  }
  e->cursor = to;
}

void PasteClipboard() {
  int size = ReadClipboardText(nullptr);
  if (size <= 0) return;
  std::string text(static_cast<size_t>(size), '\0');
  if (ReadClipboardText(text.data()) != 0) return;
  for (const char* p = text.c_str(); *p != '\0'; ++p) PushInputChar(static_cast<unsigned char>(*p));
}

// One byte or character taken from the ring, applied to the entry.
void ApplyInput(TextEntryRecord* e, const char* bytes, int n) {
  const unsigned char code = static_cast<unsigned char>(bytes[0]);
  switch (code) {
    case 3:
      if (HasSelection(e)) CopySelection(e);
      break;
    case 8:
      if (HasSelection(e)) {
        DeleteTextEntrySelection(e);
      } else if (e->cursor > 0) {
        const int start = PreviousCharStart(e->text, e->length, e->cursor);
        RemoveBytes(e, start, e->cursor - start);
        e->cursor = start;
      }
      break;
    case 9:
    case 30:
    case 31: break;
    case 13: e->finished = 1; break;
    case 16:
      if (!HasSelection(e)) {
        if (e->cursor < e->length) RemoveBytes(e, e->cursor, CharSizeAt(e->text, e->length, e->cursor));
      } else {
        if (ShiftHeld()) CopySelection(e);
        DeleteTextEntrySelection(e);
      }
      break;
    case 22: PasteClipboard(); break;
    case 24:
      if (HasSelection(e)) {
        CopySelection(e);
        DeleteTextEntrySelection(e);
      }
      break;
    case 25: MoveCursor(e, e->length, ShiftHeld()); break;
    case 26: MoveCursor(e, 0, ShiftHeld()); break;
    case 27:
      if (e->cancelAllowed != 0) {
        e->cancelled = 1;
        e->finished = 1;
      }
      break;
    case 28:
      if (e->cursor < e->length) MoveCursor(e, e->cursor + CharSizeAt(e->text, e->length, e->cursor), ShiftHeld());
      break;
    case 29:
      if (e->cursor > 0) MoveCursor(e, PreviousCharStart(e->text, e->length, e->cursor), ShiftHeld());
      break;
    default:
      // Control bytes with no editing action (Ctrl+A, Page Up, Page Down...)
      // are not text: typed in, they would sit in the entry as invisible
      // characters that the game then reads back.
      if (code < 0x20) break;
      InsertCharacter(e, bytes, n);
      break;
  }
}

void FreeCandidateList() {
  if (gTextEntry.candidateList != nullptr) TrackedFree(gTextEntry.candidateList);
  gTextEntry.candidateList = nullptr;
  gTextEntry.candidateListSize = 0;
}

}  // namespace

// --- The input character ring ------------------------------------------------------

int IsControlKeyCode(int code) {
  for (int c : kControlKeyCodes)
    if (c == code) return 1;
  return 0;
}

int IsInputCharRingFull() { return RingFreeSlots() == 0 ? 1 : 0; }

int PushInputChar(int code) {
  TextEntrySystem& t = gTextEntry;
  const unsigned char byte = static_cast<unsigned char>(code);
  if (t.dropNextByte != 0) {
    t.dropNextByte = 0;
    return -1;
  }
  const int free = RingFreeSlots();
  // A lead byte without room for its trail byte would wait forever; both go.
  if (IsControlKeyCode(byte) == 0 && IsLead(byte) && free < 2) {
    t.dropNextByte = 1;
    return -1;
  }
  if (free == 0) return -1;
  t.ring[t.writePosition] = byte;
  t.writePosition = NextSlot(t.writePosition);
  return 0;
}

int PopInputChar(char out[2], int remove) {
  TextEntrySystem& t = gTextEntry;
  out[0] = out[1] = 0;
  if (t.readPosition == t.writePosition) return 0;
  const unsigned char byte = t.ring[t.readPosition];
  t.readPosition = NextSlot(t.readPosition);
  out[0] = static_cast<char>(byte);
  if (IsControlKeyCode(byte) == 0 && IsLead(byte)) {
    if (t.readPosition == t.writePosition) {
      // The trail byte has not arrived yet.
      t.readPosition = PreviousSlot(t.readPosition);
      out[0] = 0;
      return 0;
    }
    out[1] = static_cast<char>(t.ring[t.readPosition]);
    if (remove != 0) t.readPosition = NextSlot(t.readPosition);
    else t.readPosition = PreviousSlot(t.readPosition);
    return 2;
  }
  if (remove == 0) t.readPosition = PreviousSlot(t.readPosition);
  return 1;
}

int ClearInputChars() {
  TextEntrySystem& t = gTextEntry;
  while (t.readPosition != t.writePosition) {
    if (RunMessageLoopRoundBody() != 0) break;
    if (t.readPosition == t.writePosition) break;
    const unsigned char byte = t.ring[t.readPosition];
    t.readPosition = NextSlot(t.readPosition);
    if (byte == 0) break;
    if (byte == 255) LogWrite(Cp932<"文字バッファエラー\n">);
  }
  t.readPosition = 0;
  t.writePosition = 0;
  return 0;
}

// --- Clipboard ---------------------------------------------------------------------

int ReadClipboardText(char* buffer) {
  std::string text;
  if (!platform::ReadClipboardCp932(&text)) return -1;
  const size_t end = text.find('\0');
  if (end != std::string::npos) text.resize(end);
  if (buffer == nullptr) return static_cast<int>(text.size() + 1) + 1;
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return 0;
}

int WriteClipboardText(const char* text) {
  platform::WriteClipboardCp932(text != nullptr ? text : "");
  return 0;
}

// --- Helpers -----------------------------------------------------------------------

int CharsToBytes(const char* text, int chars) {
  int bytes = 0;
  for (int i = 0; i < chars && text[bytes] != '\0'; ++i)
    bytes += IsLead(static_cast<unsigned char>(text[bytes])) && text[bytes + 1] != '\0' ? 2 : 1;
  return bytes;
}

int BytesToChars(const char* text, int bytes) {
  int chars = 0;
  for (int at = 0; at < bytes && text[at] != '\0'; ++chars)
    at += IsLead(static_cast<unsigned char>(text[at])) && text[at + 1] != '\0' ? 2 : 1;
  return chars;
}

int DeleteTextEntrySelection(TextEntryRecord* record) {
  if (!HasSelection(record)) return 0;
  int lo = record->selectionStart < record->selectionEnd ? record->selectionStart : record->selectionEnd;
  int hi = record->selectionStart < record->selectionEnd ? record->selectionEnd : record->selectionStart;
  if (lo < 0) lo = 0;
  if (hi > record->length) hi = record->length;
  record->cursor = lo;
  if (hi > lo) RemoveBytes(record, lo, hi - lo);
  ClearSelection(record);
  if (record->drawStart > record->length) record->drawStart = record->length;
  return 0;
}

int ResetCursorBlink() {
  gTextEntry.blinkTime = MillisecondClock();
  gTextEntry.cursorVisible = 1;
  return 0;
}

TextEntryRecord* FindTextEntry(int handle) {
  if (handle < 0 || ((handle >> 27) & 0xF) != kHandleType) return nullptr;
  const int slot = handle & 0xFFFF;
  if (slot >= kTextEntrySlots) return nullptr;
  TextEntryRecord* e = &gTextEntry.entries[slot];
  if (e->inUse == 0 || e->check != ((handle >> 16) & 0x7FF)) return nullptr;
  return e;
}

// --- The system and its entries ----------------------------------------------------

int StartTextEntrySystem() {
  LogWrite(Cp932<"文字コードバッファの初期化を行います... ">);
  std::memset(&gTextEntry, 0, sizeof gTextEntry);
  gTextEntry.activeHandle = -1;
  gTextEntry.fontHandle = -1;
  gTextEntry.blinkMode = 0;
  gTextEntry.blinkTime = 0;
  gTextEntry.blinkPeriod = 500;
  gTextEntry.cursorVisible = 1;
  gTextEntry.imeOpen = platform::GetImeOpenStatus() ? 1 : 0;
  SetDefaultTextEntryColors();
  LogWrite(Cp932<"完了しました\n">);
  return 0;
}

int EndTextEntrySystem() {
  for (int slot = 0; slot < kTextEntrySlots; ++slot) {
    TextEntryRecord& e = gTextEntry.entries[slot];
    if (e.inUse != 0) DeleteTextEntry(slot | ((e.check | (kHandleType << 11)) << 16));
  }
  gTextEntry.activeHandle = -1;
  return 0;
}

int CreateTextEntry(int maxLength, int cancelAllowed, int singleByteOnly, int digitsOnly) {
  if (maxLength < 0) return -1;
  TextEntrySystem& t = gTextEntry;
  int slot = 0;
  while (slot < kTextEntrySlots && t.entries[slot].inUse != 0) ++slot;
  if (slot == kTextEntrySlots) return -1;
  TextEntryRecord& e = t.entries[slot];
  e = TextEntryRecord{};
  e.text = static_cast<char*>(TrackedAllocZeroed(static_cast<size_t>(maxLength) + 1, __FILE__, __LINE__));
  if (e.text == nullptr) return -1;
  e.cancelAllowed = cancelAllowed;
  e.singleByteOnly = singleByteOnly;
  e.digitsOnly = digitsOnly;
  e.maxLength = maxLength;
  e.inUse = 1;
  e.check = t.nextCheck;
  t.nextCheck = (t.nextCheck + 1) % kCheckLimit;
  ClearSelection(&e);
  // The input method was switched off when the last entry went.
  if (t.imeEnabled == 0) SetImeEnabled(1);
  ClearInputChars();
  return slot | ((e.check | (kHandleType << 11)) << 16);
}

int DeleteTextEntry(int handle) {
  TextEntryRecord* e = FindTextEntry(handle);
  if (e == nullptr) return -1;
  TrackedFree(e->text);
  *e = TextEntryRecord{};
  if (gTextEntry.activeHandle == handle) gTextEntry.activeHandle = -1;
  for (const TextEntryRecord& other : gTextEntry.entries)
    if (other.inUse != 0) return 0;
  SetImeEnabled(0);
  return 0;
}

int SetImeEnabled(int on) {
  TextEntrySystem& t = gTextEntry;
  on = on != 0 ? 1 : 0;
  if (t.imeEnabled == on) return 0;
  t.imeEnabled = on;
  // Compositions stop being reported; typing goes on.
  platform::SetImeEnabled(on != 0);
  if (on == 0) {
    FreeCandidateList();
    t.composition[0] = '\0';
  }
  return 0;
}

int ActivateTextEntry(int handle) {
  TextEntrySystem& t = gTextEntry;
  ResetCursorBlink();
  if (handle == t.activeHandle) return 0;
  if (t.activeHandle != -1) {
    // With an entry active only another valid entry can take its place.
    TextEntryRecord* next = FindTextEntry(handle);
    if (next == nullptr) return -1;
    ClearSelection(next);
    t.activeHandle = handle;
    next->finished = 0;
    next->cancelled = 0;
    return 0;
  }
  if (handle == -1) {
    t.activeHandle = -1;
    return 0;
  }
  TextEntryRecord* e = FindTextEntry(handle);
  if (e == nullptr) return -1;
  t.activeHandle = handle;
  e->finished = 0;
  e->cancelled = 0;
  return 0;
}

int GetTextEntryState(int handle) {
  const TextEntryRecord* e = FindTextEntry(handle);
  if (e == nullptr) return -1;
  if (e->cancelled != 0) return 2;
  return e->finished != 0 ? 1 : 0;
}

int SetTextEntryString(const char* text, int handle) {
  TextEntryRecord* e = FindTextEntry(handle);
  if (e == nullptr || text == nullptr) return -1;
  // Copy whole characters only: a cut lead byte would pair with whatever
  // follows it.
  int n = 0;
  while (n < e->maxLength && text[n] != '\0') {
    const int size = IsLead(static_cast<unsigned char>(text[n])) && text[n + 1] != '\0' ? 2 : 1;
    if (n + size > e->maxLength) break;
    n += size;
  }
  std::memcpy(e->text, text, static_cast<size_t>(n));
  e->text[n] = '\0';
  ClearSelection(e);
  e->length = n;
  e->cursor = n;
  if (e->drawStart > e->length) e->drawStart = e->length;
  ResetCursorBlink();
  return 0;
}

int GetTextEntryString(char* buffer, int handle) {
  const TextEntryRecord* e = FindTextEntry(handle);
  if (e == nullptr || buffer == nullptr) return -1;
  std::memcpy(buffer, e->text, static_cast<size_t>(e->length) + 1);
  return 0;
}

int UpdateTextEntries() {
  TextEntrySystem& t = gTextEntry;
  // The input method cannot take a composition back, so the refresh has
  // nothing to restore.
  if (t.imeRefreshStep == 1) t.imeRefreshStep = 0;
  if (t.activeHandle == -1) return 0;
  TextEntryRecord* e = FindTextEntry(t.activeHandle);
  if (e == nullptr) return -1;
  if (e->finished != 0) return 0;
  char bytes[2];
  int n = 0;
  while ((n = PopInputChar(bytes, 1)) > 0) {
    ResetCursorBlink();
    ApplyInput(e, bytes, n);
    if (e->finished != 0) break;
  }
  return 0;
}

// --- The window procedure's view of the IME ------------------------------------------

int IsTextEntryImeEnabled() { return gTextEntry.imeEnabled; }
int IsTextEntryImeOpen() { return gTextEntry.imeOpen; }

int RequestImeRefresh() {
  gTextEntry.imeRefreshStep = 1;
  return 0;
}

namespace {

// The composition keeps at most kCompositionBytes - 1 bytes, cut on a
// character boundary.
void CopyComposition(const std::string& text) {
  int n = 0;
  const int size = static_cast<int>(text.size());
  while (n < size) {
    const int step = IsLead(static_cast<unsigned char>(text[n])) && n + 1 < size ? 2 : 1;
    if (n + step > kCompositionBytes - 1) break;
    n += step;
  }
  std::memcpy(gTextEntry.composition, text.data(), static_cast<size_t>(n));
  gTextEntry.composition[n] = '\0';
}

// The candidate list as one block: six words (size, style, count, selection,
// page start, page size), the strings' offsets, then the strings.
void ReadCandidateList() {
  platform::ImeCandidateList list;
  if (!platform::GetImeCandidateList(&list) || list.items.empty()) {
    LogWriteFormat(kTxtCandidateSizeZero, 0u, 0u);
    return;
  }
  size_t size = sizeof(uint32_t) * (6 + list.items.size());
  for (const std::string& item : list.items) size += item.size() + 1;
  FreeCandidateList();
  auto* block = static_cast<uint8_t*>(TrackedAllocZeroed(size, __FILE__, __LINE__));
  if (block == nullptr) FatalLibraryErrorFormat(kTxtCandidateMemory, static_cast<int>(size));
  uint32_t header[6] = {static_cast<uint32_t>(size),
                        0,
                        static_cast<uint32_t>(list.items.size()),
                        static_cast<uint32_t>(list.selection),
                        static_cast<uint32_t>(list.pageStart),
                        static_cast<uint32_t>(list.pageSize)};
  std::memcpy(block, header, sizeof header);
  size_t at = sizeof(uint32_t) * (6 + list.items.size());
  for (size_t i = 0; i < list.items.size(); ++i) {
    const auto offset = static_cast<uint32_t>(at);
    std::memcpy(block + sizeof header + i * sizeof(uint32_t), &offset, sizeof offset);
    std::memcpy(block + at, list.items[i].c_str(), list.items[i].size() + 1);
    at += list.items[i].size() + 1;
  }
  gTextEntry.candidateList = block;
  gTextEntry.candidateListSize = static_cast<int>(size);
}

bool gInOpenStatus = false;

}  // namespace

intptr_t HandleImeMessage(uintptr_t wParam, uint32_t message, int window, intptr_t lParam) {
  TextEntrySystem& t = gTextEntry;
  ResetCursorBlink();
  switch (message) {
    case platform::kWmImeStartComposition: t.imeCursor = 0; return 0;
    case platform::kWmImeEndComposition: t.composition[0] = '\0'; return 0;
    case platform::kWmImeComposition:
      if ((lParam & platform::kGcsCompStr) != 0) CopyComposition(platform::GetImeComposition());
      if ((lParam & platform::kGcsCursorPos) != 0)
        t.imeCursor = BytesToChars(t.composition, platform::GetImeCursorBytes());
      // This input method reports no clauses.
      if ((lParam & platform::kGcsCompClause) != 0) t.clauseCount = 0;
      return 0;
    case platform::kWmImeSetContext: return platform::DefWindowProc(window, message, wParam, 0);
    case platform::kWmImeNotify:
      switch (wParam) {
        case platform::kImnChangeCandidate:
        case platform::kImnOpenCandidate:
        case platform::kImnSetCandidatePos: ReadCandidateList(); return 0;
        case platform::kImnCloseCandidate: FreeCandidateList(); return 0;
        case platform::kImnSetOpenStatus:
          if (!gInOpenStatus) {
            gInOpenStatus = true;
            platform::DefWindowProc(window, message, wParam, lParam);
            t.imeOpen = platform::GetImeOpenStatus() ? 1 : 0;
            gInOpenStatus = false;
          }
          return 0;
        default: return platform::DefWindowProc(window, message, wParam, lParam);
      }
    default: return 0;
  }
}
