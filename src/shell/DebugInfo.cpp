#include "shell/DebugInfo.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

#include "gamedata/Database.h"
#include "gamedata/GameInfo.h"
#include "gamedata/GlobalObjects.h"
#include "gamedata/SaveManager.h"
#include "gamedata/VariableStore.h"
#include "map/CurrentMap.h"
#include "media/PublicFunctions.h"
#include "platform/text/Cp932Literal.h"
#include "presentation/GraphicCache.h"
#include "presentation/PictureFileCache.h"
#include "presentation/TextCodes.h"
#include "shell/FrameControls.h"
#include "shell/GameSystem.h"
#include "shell/NoticeBox.h"
#include "shell/PlayerInput.h"
#include "shell/SoundManager.h"
#include "shell/StartupGlobals.h"

namespace {

enum : int { kBlendNone = 0, kBlendAlpha = 1 };

struct DebugInfoState {
  int drawnFrames = 0;
  int windowStart = 0;
  bool started = false;
  int drawnRate = 0;
  int shownMode = -1;
  // What the title last showed in information mode 1 outside test play.
  int titleDrawnRate = 60;
  int titleLogicRate = 60;
  int titleSkipMode = 0;
};
DebugInfoState gDebug;

int gVariableScroll = 0;

int SkipMode() { return std::clamp(gEventSystem.frameSkipMode, 0, 2); }

__attribute__((format(printf, 1, 2))) std::string Format(const char* format, ...) {
  char text[1024];
  va_list args;
  va_start(args, format);
  (void)std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  return text;
}

void DrawReplayClock() {
  const int frames = gRandomSeedLog.playerCounter;
  DrawTextFormatted(530, 460, PackColor(235, 235, 255), "%.2i:%.2i:%.2i", frames / 216000, (frames % 216000) / 3600,
                    (frames % 3600) / 60);
}

void DrawDataOverlay() {
  const int header = PackColor(255, 120, 120);
  const int white = PackColor(255, 255, 255);
  SetBlendState(kBlendAlpha, 180);
  PutBox(0, 0, 640, 480, PackColor(0, 0, 0), 1);
  SetBlendState(kBlendNone, 255);
  SetDefaultFontType(0);
  SetDefaultFontSize(12);
  DrawTextFormatted(0, 0, header, Cp932<"[デバッグデータ]　　[ピクチャ %d(画像数%d)] / [音声数 %d]">,
                    gPictureList.count, static_cast<int>(gPictureFileCache.fileNames.size()), CountLoadedSounds());
  int y = 22;
  DrawTextFormatted(0, y, header, Cp932<"[読込ピクチャ]">);
  for (const std::string& name : gPictureFileCache.fileNames) DrawTextFormatted(0, y += 12, white, "%s", name.c_str());
  y += 12;
  DrawTextFormatted(0, y, header, Cp932<"[読込サウンド]">);
  for (int kind = 0; kind < 3; ++kind) {
    const int base = gGameSystem.soundListSizes[static_cast<size_t>(kind)];
    for (const auto& [entry, handle] : gSoundManager.handles[static_cast<size_t>(kind)]) {
      if (entry < 0 || entry >= base || handle <= 0) continue;
      const std::string name = gSystemDatabase.ReadDatabaseString(kind + 1, entry, 0);
      DrawTextFormatted(0, y += 12, white, "%s", name.c_str());
    }
  }
  for (const auto* index : {&gSoundNameIndex, &gSoundEffectNameIndex})
    for (const auto& [name, handle] : *index) DrawTextFormatted(0, y += 12, white, "%s", name.c_str());
  y = 32;
  DrawTextFormatted(320, y, header, Cp932<"[読込スプライト]">);
  for (const auto& [name, index] : gGraphicCache.nameIndex) DrawTextFormatted(320, y += 12, white, "%s", name.c_str());

  SetBlendState(kBlendAlpha, 120);
  PutBox(0, 300, 640, 480, PackColor(0, 0, 0), 1);
  SetBlendState(kBlendNone, 255);
  int x = 0;
  y = 300;
  size_t i = 0;
  for (const auto& entry : gPictureList.pictures) {
    DrawTextFormatted(x, y, white, "%d,", entry.first);
    x += 60;
    if (i != 0 && i % 10 == 0) {
      x = 0;
      y += 12;
    }
    ++i;
  }
  x = 0;
  y = 430;
  DrawTextFormatted(x, y, header, Cp932<"[実行中並列コモン]">);
  y += 12;
  for (const CommonEventRunEntry& entry : gCurrentMap.commonEventRunEntries) {
    if (entry.runners.empty() || !entry.runners.front().IsEventRunnerBusy()) continue;
    DrawTextFormatted(x, y, white, "%d,", entry.number);
    x += 40;
    if (x > 600) {
      x = 0;
      y += 12;
    }
  }
}

}  // namespace

std::string UpdateDurationBar(int longest) {
  longest = std::max(longest, 0);
  std::string bar = std::to_string(longest);
  int signs = 0;
  for (int k = 0; k < longest && signs <= 21; ++k) {
    if (k < 10) {
      bar += "|";
    } else if (k <= 25) {
      if (k % 3 != 0) continue;
      bar += Cp932<"■">;
    } else {
      if (k % 5 != 0) continue;
      bar += Cp932<"★">;
    }
    ++signs;
  }
  return bar;
}

std::string FirstBytesWhole(const std::string& text, size_t limit) {
  if (text.size() <= limit) return text;
  size_t cut = limit;
  // A lead byte at the cut would lose its trail byte.
  if (cut > 0 && ShiftJisByteKind(text, cut - 1) == 1) --cut;
  return text.substr(0, cut);
}

void DrawDebugInfo(double /*frameSkipFactor*/) {
  DebugInfoState& d = gDebug;
  const int now = MillisecondClock();
  if (!d.started) {
    d.started = true;
    d.windowStart = now;
  }
  ++d.drawnFrames;
  if (ClockElapsed(d.windowStart, now) >= 1000) {
    d.drawnRate = d.drawnFrames;
    d.drawnFrames = 0;
    d.windowStart = now;
  }
  if (gReplayPlaying) DrawReplayClock();
  int mouseX = 0, mouseY = 0;
  GetMousePosition(&mouseX, &mouseY);
  const int mode = gGameSystem.infoMode;
  if (mode == 0 && d.shownMode != 0) {
    SetMainWindowTitle(Format(Cp932<"『%s』 　　　　 F4:画面変更 / F8:情報変更">,
                              gGameInfo.strings.empty() ? "" : gGameInfo.strings[0].c_str())
                           .c_str());
  } else if (mode == 1 && gTestPlay) {
    if (d.drawnFrames % 5 == 0) {
      const int longest = *std::max_element(gGameSystem.updateDurations.begin(), gGameSystem.updateDurations.end());
      static const char* const kSkipLabels[3] = {Cp932<"ｽｷｯﾌﾟなし">, Cp932<"ｽｷｯﾌﾟx2">, Cp932<"ｽｷｯﾌﾟx3">};
      SetMainWindowTitle(Format(Cp932<"[描画FPS%d(%s)<%dms>/内部FPS%d]ｽﾌﾟﾗｲﾄ%d枚/ﾏｳｽ X%d Y%d / [Ev処理時間]=%s">,
                                d.drawnRate, kSkipLabels[SkipMode()], gGameSystem.drawDuration, MeasureFps(0),
                                GetGraphCount(), mouseX * gTileSize / 32, mouseY * gTileSize / 32,
                                UpdateDurationBar(longest).c_str())
                             .c_str());
    }
  } else if (mode == 1) {
    const int logicRate = MeasureFps(0);
    if (d.shownMode != 1 || d.drawnRate != d.titleDrawnRate || logicRate != d.titleLogicRate ||
        SkipMode() != d.titleSkipMode) {
      static const char* const kSpecLabels[3] = {Cp932<"高スペック用/なめらか">, Cp932<"中スペック用/ノーマル">,
                                                 Cp932<"低スペック用/ガクガク">};
      SetMainWindowTitle(Format(Cp932<"[描画FPS%d/内部FPS%d] [%s(F5で変更)] F8:情報変更">, d.drawnRate, logicRate,
                                kSpecLabels[SkipMode()])
                             .c_str());
      d.titleDrawnRate = d.drawnRate;
      d.titleLogicRate = logicRate;
      d.titleSkipMode = SkipMode();
    }
  }
  if (gTestPlay && gInput.f8Held) DrawDataOverlay();
  d.shownMode = mode;
  gEventSystem.debugTimeValue = d.drawnRate;
}

void DrawVariableWindow(bool resetScroll) {
  if (!gTestPlay) return;
  if (resetScroll) gVariableScroll = 0;
  constexpr int kColumnWidth = 220;
  constexpr int kPageStep = 660;
  constexpr int kLineHeight = 9;
  constexpr int kColumnEnd = 32 * 15 - 8;
  for (;;) {
    SetDefaultFontSize(9);
    SetDefaultFontType(2);
    SetBlendState(kBlendAlpha, 190);
    PutBox(0, 0, 640, 480, PackColor(0, 0, 0), 1);
    SetBlendState(kBlendNone, 255);
    const int white = PackColor(255, 255, 255);
    int x = 0, y = 0, columnStart = 0;
    auto line = [&](const std::string& text) {
      DrawTextFormatted(x - gVariableScroll, y, white, "%s", text.c_str());
      columnStart = x;
      y += kLineHeight;
      if (y >= kColumnEnd) {
        x += kColumnWidth;
        y = 0;
      }
    };
    line(Format(Cp932<"Ev%d CommonEv%d %d行">, gEventSystem.mapEventId, gEventSystem.commonId, gEventSystem.line));
    line(Format(Cp932<"■通常変数-----">));
    for (size_t i = 0; i < gVariableStore.variableSets.size(); ++i) {
      const int type = 14 + static_cast<int>(i);
      for (int j = 0; j < gSystemDatabase.GetDatabaseDataCount(type); ++j) {
        line(Format(Cp932<"■V%d-%.2i:%5d(%s)">, static_cast<int>(i), j,
                    gVariableStore.ReadVariable(2000000 + static_cast<int>(i) * 100000 + j),
                    gSystemDatabase.GetDatabaseDataName(type, j).c_str()));
      }
    }
    line(Format(Cp932<"■文字列変数---">));
    for (int k = 0; k < gSystemDatabase.GetDatabaseDataCount(4); ++k) {
      line(Format(Cp932<"●S%.2i:%s(%s)">, k, FirstBytesWhole(gVariableStore.ReadStringVariable(3000000 + k)).c_str(),
                  gSystemDatabase.GetDatabaseDataName(4, k).c_str()));
    }
    line(Format(Cp932<"■ｼｽﾃﾑ変数-----">));
    for (int l = 0; l < gSystemDatabase.GetDatabaseDataCount(6); ++l) {
      line(Format(Cp932<"★Sys%.2i:%5d(%s)">, l, gVariableStore.ReadVariable(9000000 + l),
                  gSystemDatabase.GetDatabaseDataName(6, l).c_str()));
    }
    line(Format(Cp932<"■ｼｽﾃﾑ文字列(読み取り専用)---">));
    for (int m = 0; m < gSystemDatabase.GetDatabaseDataCount(5); ++m) {
      line(Format(Cp932<"※SysS%.2i:%s(%s)">, m, FirstBytesWhole(gVariableStore.ReadStringVariable(9900000 + m)).c_str(),
                  gSystemDatabase.GetDatabaseDataName(5, m).c_str()));
    }
    PresentFrame();
    WaitForNoticeConfirm(30);
    if (gGameSystem.runState == -1) break;
    if (gVariableScroll > columnStart - 480) break;
    gVariableScroll = std::min(columnStart + 192, gVariableScroll + kPageStep);
  }
  SetDefaultFontSize(gEventSystem.fontSize);
}
