#include "shell/KeyCapture.h"

#include "media/PublicFunctions.h"
#include "shell/ShellServices.h"

namespace {

bool KeyDown(int scan) { return scan >= 0 && scan < 256 && gInput.keySnapshot[static_cast<size_t>(scan)] == 1; }

// Keys a search for any key passes over: Escape, Backspace, Enter, both
// Shift keys, Space and Caps Lock.
bool SkippedKey(int scan) {
  return scan == 1 || scan == 14 || scan == 28 || scan == 42 || scan == 54 || scan == 57 || scan == 58;
}

}  // namespace

int CaptureKeyboardKey(bool remember, bool newOnly, int& last, int wanted) {
  if (remember) last = 0;
  if (wanted >= 100 && wanted <= 355) return KeyDown(wanted - 100) ? wanted : 0;
  for (int scan = 2; scan <= 124; ++scan) {
    if (SkippedKey(scan) || !KeyDown(scan)) continue;
    if (!remember && !newOnly) return scan + 100;
    if (last == scan) return 0;
    last = remember ? scan : 0;
    return scan + 100;
  }
  if (KeyDown(157)) return 257;
  last = 0;
  return 0;
}

int CapturePadButton(bool remember, bool newOnly, int& last, int wanted) {
  if (!remember && !newOnly) last = 0;
  const int pad = GetPadButtons(1);
  auto held = [pad](int code) { return code >= 301 && code <= 315 && (pad & (0x10 << (code - 301))) != 0; };
  int match = 0;
  if (wanted >= 300 && wanted <= 320) {
    if (held(wanted)) match = wanted;
  } else {
    for (int code = 301; code <= 315 && match == 0; ++code)
      if (held(code)) match = code;
  }
  if (match == 0) {
    last = 0;
    return 0;
  }
  if (last == match) return 0;
  last = remember ? match : 0;
  return match;
}
