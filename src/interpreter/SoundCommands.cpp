#include <string>

#include "interpreter/EventRunner.h"
#include "interpreter/InterpreterServices.h"
#include "platform/text/Cp932Literal.h"
#include "presentation/MessageEscapes.h"
#include "presentation/TextCodes.h"
#include "shell/NoticeBox.h"
#include "shell/SoundManager.h"
#include "shell/SpeechLibrary.h"

// Plays, preloads or releases a BGM, BGS or sound effect named by entry number
// or by file text.
bool EventRunner::CmdSound() {
  const int word = Param(1);
  const int action = word & 0x0F;
  const int kind = (word >> 4) & 0x0F;
  const int naming = (word >> 24) & 0x0F;
  const int fade = RunnerReadValue(Param(2));
  const int position = RunnerReadValue(Param(4));
  int entry = 0;
  if (naming == 0) {
    entry = (word >> 8) & 0xFFFF;
  } else if (naming == 1) {
    entry = RunnerReadValue(Param(3));
    if (action == 2 && entry == -1) return true;
  } else if (naming == 2) {
    const std::string text =
        EscapesFromControlCodes(ExpandMessageEscapes(StringParam(0), mapEventId, commonId, mapId, 1, 0, "", "", 0));
    const int volume = RunnerReadValue(Param(5));
    const int frequency = RunnerReadValue(Param(6));
    const int loopStart = kind < 2 ? RunnerReadValue(Param(7)) : 0;
    entry = RegisterSoundFile(text, kind, fade, loopStart, volume, frequency);
    if (entry == -10) return true;
  }
  if (kind > 2) return true;
  if (action == 0 && entry != -2) PlaySoundChannel(kind, entry, fade, position);
  if (action == 1 && entry != -2) LoadSoundEntry(kind, entry);
  if (action == 2) ReleaseSoundEntry(kind, entry);
  return true;
}

// Speaks a text through the speech library as a sound effect.
bool EventRunner::CmdSpeech() {
  if (!IsSpeechSynthAvailable()) {
    // "【エラー】 合成音声再生コマンドが実行されましたが、" / "AquesTalk.dllがないため実行できませんでした。"
    ShowNoticeBox(Cp932<"【エラー】 合成音声再生コマンドが実行されましたが、">,
                  Cp932<"AquesTalk.dllがないため実行できませんでした。">, CurrentErrorLocationText());
    return true;
  }
  const std::string text = ExpandMessageEscapes(StringParam(0), mapEventId, commonId, mapId, 1, 0, "", "", 0);
  const int entry = PlaySpeech(text, RunnerReadValue(Param(1)), RunnerReadValue(Param(2)), RunnerReadValue(Param(3)));
  if (entry == -10) return true;
  PlaySoundChannel(2, entry, RunnerReadValue(Param(4)), 0);
  return true;
}
