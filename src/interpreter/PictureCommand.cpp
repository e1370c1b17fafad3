#include <algorithm>
#include <string>

#include "gamedata/GlobalObjects.h"
#include "interpreter/EventRunner.h"
#include "presentation/MessageEscapes.h"
#include "presentation/TextCodes.h"

namespace {

constexpr int kNeutralColor = 100 << 16 | 100 << 8 | 100;

}  // namespace

// Command 150: shows, moves, recolours or erases one picture or a range of
// pictures. Never waits.
bool EventRunner::CmdPicture() {
  const EventCommand& command = CurrentCommand();
  const auto present = [&](size_t k) { return command.ints.size() > k; };
  const int word = Param(1);
  const int operation = word & 0x0F;
  const int source = (word >> 4) & 0x0F;
  const int blend = (word >> 8) & 0x0F;
  const int anchor = (word >> 12) & 0x0F;
  const bool relative = ((word >> 16) & 0x0F) == 1;
  const int zoomMode = (word >> 20) & 0x0F;
  const bool ranged = (word >> 24 & 1) != 0;
  const bool mapBound = (word >> 25 & 1) != 0;
  if (operation > 3) return true;

  // The range end's parameter by operation; bit 24 counts only when it is there.
  const size_t endParam = operation <= 1 ? 15 : operation == 2 ? 6 : 3;
  int first = 0, last = 0;
  if (ranged && present(endParam)) {
    const int end = RunnerReadValue(Param(static_cast<int>(endParam)));
    const int start = RunnerReadValue(Param(2));
    first = std::min(start, end);
    last = std::max(start, end);
  } else {
    first = last = RunnerReadValue(Param(2));
  }

  if (operation == 3) {
    // Erase empties the waiting commands of the range; the pictures stay.
    gPictureList.CancelPictureDelaysInRange(first, last);
    return true;
  }
  if (operation == 2) {
    const int frames = RunnerReadValue(Param(3));
    const int delay = present(4) ? RunnerReadValue(Param(4)) : 0;
    const int color = present(5) ? Param(5) : kNeutralColor;
    gPictureList.FadeOutPicturesInRange(first, last, frames, delay, color);
    return true;
  }

  const int frames = RunnerReadValue(Param(3));
  const int pattern = RunnerReadValue(Param(6));
  const int opacity = RunnerReadValue(Param(7));
  const int x = RunnerReadValue(Param(8));
  const int y = RunnerReadValue(Param(9));
  const int zoom = RunnerReadValue(Param(10));
  const int angle = RunnerReadValue(Param(11));
  const int color = present(13) ? Param(13) : kNeutralColor;
  const int delay = present(14) ? RunnerReadValue(Param(14)) : 0;
  if (operation == 1) {
    gPictureList.ChangePicturesInRange(first, last, x, y, pattern, opacity, blend, frames, zoom, zoomMode, angle, color,
                                       delay, relative);
    return true;
  }
  const int blendFlags = blend + (mapBound ? 256 : 0);
  switch (source) {
    case 0:
    case 1:
    case 3:
    case 4: {
      const std::string name =
          source == 1 || source == 4 ? EscapesFromControlCodes(RunnerReadString(Param(12))) : StringParam(0);
      gPictureList.ShowPictures(first, last, name, RunnerReadValue(Param(4)), RunnerReadValue(Param(5)), x, y, pattern,
                                opacity, blendFlags, frames, zoom, zoomMode, angle, anchor, color, delay, relative,
                                source >= 3);
      return true;
    }
    case 2: {
      const std::string text = ExpandMessageEscapes(StringParam(0), mapEventId, commonId, mapId, 0, 0, "", "", 0);
      gPictureList.ShowStringPictures(first, last, text, x, y, pattern, opacity, blendFlags, frames, zoom, zoomMode,
                                      angle, anchor, color, delay, relative);
      return true;
    }
    default: return true;
  }
}
