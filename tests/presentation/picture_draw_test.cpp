#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "presentation/Picture.h"
#include "presentation/PictureFixture.h"
#include "presentation/PictureValues.h"
#include "presentation/TextResources.h"

namespace {

constexpr int kKeep = -1000000;
constexpr int kKeepColor = 1 << 24;

// The draw log with graph handles written as cell names.
std::vector<std::string> Named(std::vector<std::string> lines, const Picture& p) {
  std::map<std::string, std::string> names;
  for (size_t i = 0; i < p.cells.size(); ++i)
    names[std::string(",").append(std::to_string(p.cells[i])) + ","] =
        std::string(",c").append(std::to_string(i)) + ",";
  for (std::string& line : lines) {
    for (const auto& [handle, name] : names) {
      for (size_t at = line.find(handle); at != std::string::npos; at = line.find(handle))
        line.replace(at, handle.size(), name);
    }
  }
  return lines;
}

class PictureDraw : public PictureTest {
 protected:
  void SetUp() override {
    PictureTest::SetUp();
    WriteImage("pic.bmp", 64, 48);
    WriteImage("skin.bmp", 48, 48);
  }

  Picture& Shown(int x, int y, int color = 0x646464, int anchor = 0, int angle = 0, int frames = 0, int blendFlags = 0,
                 const std::string& file = "pic.bmp", bool window = false, int w = 1, int h = 1) {
    gPictureList.ShowPictures(1, 1, file, w, h, x, y, 1, 255, blendFlags, frames, 100, 0, angle, anchor, color, 0,
                              false, window);
    if (frames == 0) gPictureList.UpdatePictures();
    return gPictureList.pictures.at(1);
  }

  std::vector<std::string> Draw(const Picture& p) {
    return Named(LogOf([] { gPictureList.DrawPictureLayer(0); }), p);
  }
};

TEST_F(PictureDraw, RestingPicturesAndTheirColourPasses) {
  const struct {
    int color;
    std::vector<std::string> log;
  } rows[] = {
      {0x646464, {"PutGraphStretched(10,20,74,68,c0,1) = 0 blend=0,255 tint=FFFFFF"}},
      // Red +50: full first tint, then an additive pass with red 127.
      {0x966464,
       {"PutGraphStretched(10,20,74,68,c0,1) = 0 blend=0,255 tint=FFFFFF",
        "PutGraphStretched(10,20,74,68,c0,1) = 0 blend=2,255 tint=7F0000"}},
      // Red -50: darkened by the tint, no second pass.
      {0x326464, {"PutGraphStretched(10,20,74,68,c0,1) = 0 blend=0,255 tint=80FFFF"}},
  };
  for (const auto& row : rows) {
    gPictureList = PictureList();
    const Picture& p = Shown(10, 20, row.color);
    EXPECT_EQ(Draw(p), row.log) << std::hex << row.color;
  }
}

TEST_F(PictureDraw, AnchorsScaleAndRotation) {
  const Picture& p = Shown(100, 100, 0x646464, 1);
  EXPECT_EQ(Draw(p), (std::vector<std::string>{"PutGraphStretched(68,76,132,124,c0,1) = 0 blend=0,255 tint=FFFFFF"}));
  EXPECT_EQ(p.hitLeft, 68);
  EXPECT_EQ(p.hitBottom, 124);
  gPictureList.pictures.at(1).targetAngle = gPictureList.pictures.at(1).fromAngle = 3600;
  EXPECT_EQ(Draw(p).size(), 1u);
  EXPECT_EQ(Draw(p)[0].rfind("PutGraphStretched", 0), 0u);
  gPictureList.pictures.at(1).targetAngle = gPictureList.pictures.at(1).fromAngle = 900;
  EXPECT_EQ(Draw(p),
            (std::vector<std::string>{"PutGraphRotated(100,100,1,1.5708,c0,1,0) = 0 blend=0,255 tint=FFFFFF"}));
  // 16-pixel tiles: twice the game coordinates, no half-pixel edge.
  gPictureList.pictures.at(1).targetAngle = gPictureList.pictures.at(1).fromAngle = 0;
  gScreenScale = 2;
  EXPECT_EQ(Draw(p), (std::vector<std::string>{"PutGraphStretched(136,152,264,248,c0,1) = 0 blend=0,255 tint=FFFFFF"}));
}

// Placed far to the right at twice the scale, every drawn edge lies past
// the screen's right side: none wraps round to the left.
TEST_F(PictureDraw, FarOffPicturesStayOffTheScreen) {
  const struct {
    int x, angle;
    bool window;
    size_t calls;
  } rows[] = {{1073741800, 0, false, 1}, {1500000000, 900, false, 1}, {1073741800, 0, true, 9}};
  gScreenScale = 2;
  for (const auto& row : rows) {
    gPictureList = PictureList();
    const Picture& p = Shown(row.x, 0, 0x646464, 0, row.angle, 0, 0, row.window ? "skin.bmp" : "pic.bmp", row.window,
                             row.window ? 100 : 1, row.window ? 60 : 1);
    const std::vector<std::string> lines = Draw(p);
    EXPECT_EQ(lines.size(), row.calls) << row.x;
    for (const std::string& line : lines) {
      const bool stretched = line.rfind("PutGraphStretched(", 0) == 0;
      std::istringstream args(line.substr(line.find('(') + 1));
      double x1 = 0, y1 = 0, x2 = 0;
      char comma = 0;
      args >> x1 >> comma >> y1 >> comma >> x2;
      EXPECT_GT(x1, 1e9) << line;
      if (stretched) {
        EXPECT_GE(x2, x1) << line;
      }
    }
  }
}

TEST_F(PictureDraw, MovingFadingAndHiddenStates) {
  Picture& p = Shown(0, 0);
  // Opacity 0 at rest draws nothing.
  p.targetOpacity = 0;
  EXPECT_TRUE(Draw(p).empty());
  p.targetOpacity = 255;
  // Blend codes past the table draw as normal.
  p.targetBlend = 9;
  p.targetOpacity = 128;
  EXPECT_EQ(Draw(p), (std::vector<std::string>{"PutGraphStretched(0,0,64,48,c0,1) = 0 blend=1,128 tint=FFFFFF"}));
  p.targetBlend = 3;
  EXPECT_EQ(Draw(p)[0].find("blend=11,128") != std::string::npos, true);
  p.targetBlend = 0;
  p.targetOpacity = 255;
  // A pattern of 0 or past the cells draws nothing.
  for (int pattern : {0, -3, 2}) {
    p.targetPattern = pattern;
    EXPECT_TRUE(Draw(p).empty()) << pattern;
  }
  p.targetPattern = 1;
  // Fading: opacity target x remaining / total.
  gPictureList.FadeOutPicturesInRange(1, 1, 4, 0, kKeepColor);
  gPictureList.UpdatePictures();
  EXPECT_EQ(Draw(p), (std::vector<std::string>{"PutGraphStretched(0,0,64,48,c0,1) = 0 blend=1,191 tint=FFFFFF"}));
  // Moving half way from red +50 to neutral with a tone of +20 blue: both passes.
  gPictureList = PictureList();
  Picture& m = Shown(0, 0, 0x966464);
  gPictureList.ApplyPictureEffectInRange(1, 1, 1, 0, 0, 20, 0);
  gPictureList.ChangePicturesInRange(1, 1, 64, 0, kKeep, kKeep, 15, 2, kKeep, 0, kKeep, 0x646464, 0, false);
  gPictureList.UpdatePictures();
  EXPECT_EQ(Draw(m), (std::vector<std::string>{"PutGraphStretched(32,0,96,48,c0,1) = 0 blend=1,255 tint=FFFFFF",
                                               "PutGraphStretched(32,0,96,48,c0,1) = 0 blend=2,255 tint=3F0033"}));
  m.isHidden = 1;
  EXPECT_TRUE(Draw(m).empty());
}

TEST_F(PictureDraw, ShakeAndShiftMoveTheBox) {
  Picture& p = Shown(0, 0);
  p.shakeCount = 1;
  p.shakePeriod = 5;
  p.shakeAmplitudeX = 10;
  std::vector<int> lefts;
  for (int countdown = 10; countdown >= 1; --countdown) {
    p.shakeCountdown = countdown;
    p.DrawPicture();
    lefts.push_back(p.hitLeft);
  }
  EXPECT_EQ(lefts, (std::vector<int>{0, 2, 4, 6, 8, 10, 8, 6, 4, 2}));
  // A period of 0 adds nothing.
  p.shakePeriod = 0;
  p.DrawPicture();
  EXPECT_EQ(p.hitLeft, 0);
}

TEST_F(PictureDraw, MapBoundPictureWrapsOnALoopingMap) {
  gCurrentMap.mapData.header.width = 25;
  gCurrentMap.mapData.header.height = 15;
  gCurrentMap.loopX = 1;
  Picture& p = Shown(10, 0, 0x646464, 0, 0, 0, 0x100);
  gCurrentMap.scrollX = 4 * 100;
  EXPECT_EQ(Draw(p), (std::vector<std::string>{"PutGraphStretched(710,0,774,48,c0,1) = 0 blend=0,255 tint=FFFFFF"}));
  EXPECT_EQ(p.offsetX, 800);
  EXPECT_EQ(GetPictureValue(1, 0), 10 - 100 + 800);
}

TEST_F(PictureDraw, WindowFrameDrawsNineCells) {
  Picture& p = Shown(10, 10, 0x646464, 0, 0, 0, 0, "skin.bmp", true, 100, 60);
  EXPECT_EQ(GetPictureValue(1, 2), 100);
  EXPECT_EQ(Draw(p), (std::vector<std::string>{
                         "PutGraphStretched(10,10,26,26,c0,1) = 0 blend=0,255 tint=FFFFFF",
                         "PutGraphStretched(94,10,110,26,c2,1) = 0 blend=0,255 tint=FFFFFF",
                         "PutGraphStretched(26,10,94,26,c1,1) = 0 blend=0,255 tint=FFFFFF",
                         "PutGraphStretched(10,26,26,54,c3,1) = 0 blend=0,255 tint=FFFFFF",
                         "PutGraphStretched(94,26,110,54,c5,1) = 0 blend=0,255 tint=FFFFFF",
                         "PutGraphStretched(26,26,94,54,c4,1) = 0 blend=0,255 tint=FFFFFF",
                         "PutGraphStretched(10,54,26,70,c6,1) = 0 blend=0,255 tint=FFFFFF",
                         "PutGraphStretched(94,54,110,70,c8,1) = 0 blend=0,255 tint=FFFFFF",
                         "PutGraphStretched(26,54,94,70,c7,1) = 0 blend=0,255 tint=FFFFFF",
                     }));
  p.cells.resize(8);
  EXPECT_TRUE(Draw(p).empty());
}

TEST_F(PictureDraw, PicturesOfALayerDrawInNumberOrder) {
  // Shown out of order, each at ten times its number across.
  for (int n : {7, 3, 100001, 9, 1, -4, 5}) {
    gPictureList.ShowPictures(n, n, "pic.bmp", 1, 1, n * 10, 0, 1, 255, 0, 0, 100, 0, 0, 0, 0x646464, 0, false, false);
  }
  gPictureList.UpdatePictures();
  std::vector<int> lefts;
  for (const std::string& line : LogOf([] { gPictureList.DrawPictureLayer(0); }))
    lefts.push_back(std::stoi(line.substr(line.find('(') + 1)));
  EXPECT_EQ(lefts, (std::vector<int>{10, 30, 50, 70, 90}));
}

TEST_F(PictureDraw, LayersTakeTheirNumberRanges) {
  for (int n : {-100000, -99999, 99999, 100000}) {
    gPictureList.ShowPictures(n, n, "pic.bmp", 1, 1, 0, 0, 1, 255, 0, 0, 100, 0, 0, 0, 0x646464, 0, false, false);
  }
  gPictureList.UpdatePictures();
  for (int layer : {-2, -1, 0, 1}) {
    EXPECT_EQ(LogOf([&] { gPictureList.DrawPictureLayer(layer); }).size(), 1u) << layer;
  }
  EXPECT_TRUE(LogOf([] { gPictureList.DrawPictureLayer(2); }).empty());
}

}  // namespace

TEST_F(PictureDraw, TextPictureIsMeasuredAndPlaced) {
  gTextResources.SetUpFonts();
  gPictureList.ShowStringPictures(3, 3, "ab", 100, 50, 1, 255, 0, 10, 100, 0, 0, 1, 0x646464, 0, false);
  Picture& p = gPictureList.pictures.at(3);
  EXPECT_EQ(p.isTextPicture, 1);
  EXPECT_EQ(p.fileName, "");
  EXPECT_GT(p.cellWidth, 0);
  EXPECT_GT(p.cellHeight, 0);
  // A text picture always fades in at its place.
  EXPECT_EQ(p.fromOpacity, 0);
  EXPECT_EQ(p.fromX, 100);
  for (int i = 0; i < 12; ++i) gPictureList.UpdatePictures();
  const auto log = LogOf([] { gPictureList.DrawPictureLayer(0); });
  EXPECT_FALSE(log.empty());
  // Anchor 1: the origin is the centre less half the measured size.
  EXPECT_EQ(p.textBlock.x, 100 - p.cellWidth / 2);
  EXPECT_EQ(p.hitLeft, p.textBlock.x);
  EXPECT_EQ(p.hitRight, p.textBlock.x + p.cellWidth);
  EXPECT_EQ(GetPictureValue(3, 2), p.cellWidth);
}

TEST_F(PictureDraw, MapBoundTextWrapsOneScreenOver) {
  gTextResources.SetUpFonts();
  gCurrentMap.mapData.header.width = 25;
  gCurrentMap.mapData.header.height = 15;
  gCurrentMap.loopX = 1;
  gPictureList.ShowStringPictures(1, 1, "ab", 10, 0, 1, 255, 0x100, 0, 100, 0, 0, 0, 0x646464, 0, false);
  gPictureList.UpdatePictures();
  Picture& p = gPictureList.pictures.at(1);
  gCurrentMap.scrollX = 4 * 100;
  p.DrawPicture();
  EXPECT_EQ(p.textBlock.x, 10 - 100 + 640);
  EXPECT_EQ(p.offsetX, 320);
}
