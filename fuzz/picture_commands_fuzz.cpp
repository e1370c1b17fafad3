// Picture commands with arbitrary parameters, then frame updates and the
// drawing of every picture layer, on the headless backend.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>

#include "FuzzSupport.h"
#include "gamedata/GlobalObjects.h"
#include "map/CurrentMap.h"
#include "media/PublicFunctions.h"
#include "platform/dialogs/MessageBox.h"
#include "platform/window/Window.h"
#include "shell/GamePaths.h"
#include "shell/NoticeBox.h"
#include "shell/StartupGlobals.h"

namespace {

// A 24-bit BMP of 12 x 9 pixels, enough for cells, sheets and a window skin.
std::string SmallBmp() {
  const int width = 12, height = 9, pitch = 36;
  std::string bytes = "BM";
  const auto le32 = [&](uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>(v >> (8 * i)));
  };
  const auto le16 = [&](uint16_t v) {
    bytes.push_back(static_cast<char>(v));
    bytes.push_back(static_cast<char>(v >> 8));
  };
  le32(54 + pitch * height);
  le32(0);
  le32(54);
  le32(40);
  le32(width);
  le32(height);
  le16(1);
  le16(24);
  for (int i = 0; i < 6; ++i) le32(0);
  for (int i = 0; i < pitch * height; ++i) bytes.push_back(static_cast<char>(i * 37));
  return bytes;
}

struct Reader {
  const uint8_t* data;
  size_t size;
  size_t at = 0;
  int32_t Int() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = v << 8 | (at < size ? data[at++] : 0);
    return static_cast<int32_t>(v);
  }
  uint8_t Byte() { return at < size ? data[at++] : 0; }
  bool More() const { return at < size; }
};

void StartOnce() {
  static bool started = false;
  if (started) return;
  started = true;
  fuzz::EnterScratchFolderWithArchives();
  platform::SetInstanceLockFolder(fuzz::ScratchFolder().string());
  SetRunWhileInactive(1);
  ChangeWindowMode(1);
  // A small screen: a zoomed picture fills it at a small cost, so a run of
  // many zoomed pictures stays quick; the picture arithmetic is the same.
  SetScreenResolution(64, 48, 32, 60);
  StartMediaLibrary();
  SelectDrawTarget(-2);
  std::filesystem::create_directories(fuzz::ScratchFolder() / "Data");
  gDataFolderPath = (fuzz::ScratchFolder() / "Data").string() + "/";
  std::ofstream(fuzz::ScratchFolder() / "Data" / "p.bmp", std::ios::binary) << SmallBmp();
  // Libraries that set themselves up on first use (fonts) do it here, not
  // inside a run where their lasting allocations would read as leaks.
  gPictureList.ShowPictures(0, 1, "p.bmp", 2, 2, 0, 0, 1, 255, 0, 0, 100, 0, 0, 0, 0x646464, 0, false, false);
  gPictureList.ShowPictures(2, 2, "p.bmp", 30, 30, 0, 0, 1, 255, 0, 0, 100, 0, 0, 0, 0x646464, 0, false, true);
  gPictureList.UpdatePictures();
  for (int layer = -2; layer <= 1; ++layer) gPictureList.DrawPictureLayer(layer);
}

// A range of at most 95 numbers (or an empty one): a long range really creates that many pictures, and
// 24 commands over separate ranges must stay at a few thousand pictures so a run never times out.
void Range(Reader& in, int& first, int& last) {
  first = in.Int();
  // Clamped, not wrapped: a range from near INT_MIN that wrapped would span every number.
  last =
      static_cast<int>(std::clamp<int64_t>(static_cast<int64_t>(first) + in.Byte() % 128 - 32, INT32_MIN, INT32_MAX));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  StartOnce();
  ClearRecordedNotices();
  platform::ClearRecordedMessageBoxes();
  gPictureList = PictureList();
  gCurrentMap = CurrentMap();
  Reader in{data, size};
  gFrameStep = 1 + in.Byte() % 3;
  gScreenScale = 1 + in.Byte() % 2;
  gCurrentMap.mapData.header.width = in.Byte() % 40;
  gCurrentMap.mapData.header.height = in.Byte() % 40;
  gCurrentMap.loopX = in.Byte() & 1;
  gCurrentMap.loopY = in.Byte() & 1;
  gCurrentMap.scrollX = in.Int();
  gCurrentMap.scrollY = in.Int();
  for (int command = 0; command < 24 && in.More(); ++command) {
    int first = 0, last = 0;
    Range(in, first, last);
    const int op = in.Byte() % 7;
    int v[14];
    for (int& value : v) value = in.Int();
    switch (op) {
      case 0:
      case 1:
        gPictureList.ShowPictures(first, last, op == 0 ? "p.bmp" : "missing.bmp", v[0], v[1], v[2], v[3], v[4], v[5],
                                  v[6], v[7], v[8], v[9], v[10], v[11], v[12], v[13] % 5, v[13] & 1, (v[13] >> 1) & 1);
        break;
      case 2:
        gPictureList.ChangePicturesInRange(first, last, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9],
                                           v[10] % 5, v[11] & 1);
        break;
      case 3: gPictureList.FadeOutPicturesInRange(first, last, v[0], v[1] % 5, v[2]); break;
      case 4: gPictureList.CancelPictureDelaysInRange(first, last); break;
      case 5: gPictureList.ApplyPictureEffectInRange(first, last, v[0] % 6, v[1], v[2], v[3], v[4] % 100); break;
      default: gPictureList.GetPictureValue(first, v[0] % 11); break;
    }
    for (int frame = in.Byte() % 4; frame > 0; --frame) gPictureList.UpdatePictures();
    for (int layer = -2; layer <= 1; ++layer) gPictureList.DrawPictureLayer(layer);
  }
  return 0;
}
