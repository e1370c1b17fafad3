#include "media/system/InputDevices.h"

#include "foundation/Log.h"

namespace {
int gInputStarted = 0;  // the fallback path's "object -1"
}

int StartInputDevices() {
  if (gInputStarted != 0) return 0;
  LogIndentIn();
  LogWrite("\x83p\x83" "b\x83h\x82\xcc\x90\x94\x82\xcd 0 \x8c\xc2\x82\xc5\x82\xb7\n" /* パッドの数は 0 個です\n */);
  LogIndentOut();
  gInputStarted = 1;
  LogWrite("\x93\xfc\x97\xcd\x8a\xd6\x98" "A\x82\xcc\x8f\x89\x8a\xfa\x89\xbb\x82\xf0\x82\xb5\x82\xdc\x82\xb5\x82\xbd\n" /* 入力関連の初期化をしました\n */);
  return 0;
}

int EndInputDevices() {
  if (gInputStarted == 0) return 0;
  LogWrite("\x93\xfc\x97\xcd\x8a\xd6\x98" "A\x82\xcc\x8fI\x97\xb9\x8f\x88\x97\x9d... \x8a\xae\x97\xb9\n" /* 入力関連の終了処理... 完了\n */);
  gInputStarted = 0;
  return 0;
}

int CheckAnyInput(int) { return 0; }
int ResetInputCooperation() { return 0; }
int UpdatePadVibration() { return 0; }
int UpdateVibrationTimers() { return 0; }
