#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "gamedata/GameText.h"
#include "presentation/Picture.h"
#include "presentation/PictureFileCache.h"
#include "presentation/PictureFixture.h"
#include "presentation/PictureValues.h"

namespace {

constexpr int kKeep = -1000000;
constexpr int kNeutral = 0x646464;
constexpr int kKeepColor = 1 << 24;

struct Show {
  int first = 1, last = 1;
  std::string file = "pic.bmp";
  int xDiv = 1, yDiv = 1, x = 0, y = 0, pattern = 1, opacity = 255, blendFlags = 0, frames = 0;
  int zoom = 100, zoomMode = 0, angle = 0, anchor = 0, color = kNeutral, delay = 0;
  bool relative = false, window = false;
};

void ShowRange(const Show& s) {
  gPictureList.ShowPictures(s.first, s.last, s.file, s.xDiv, s.yDiv, s.x, s.y, s.pattern, s.opacity, s.blendFlags,
                            s.frames, s.zoom, s.zoomMode, s.angle, s.anchor, s.color, s.delay, s.relative, s.window);
}

void Update(int frames = 1) {
  for (int i = 0; i < frames; ++i) gPictureList.UpdatePictures();
}

std::vector<int> Numbers() {
  std::vector<int> numbers;
  for (const auto& [number, p] : gPictureList.pictures) {
    EXPECT_EQ(p.number, number);
    numbers.push_back(number);
  }
  return numbers;
}

class PictureCommands : public PictureTest {
 protected:
  void SetUp() override {
    PictureTest::SetUp();
    WriteImage("pic.bmp", 64, 48);
    WriteImage("sheet.bmp", 64, 32);
  }
};

TEST_F(PictureCommands, NewPictureFadesInAtItsPlace) {
  ShowRange({.x = 100, .y = 50, .opacity = 255, .frames = 30});
  // Shown in the command's frame, then one update per frame.
  const struct {
    int updates, x, y, opacity;
  } rows[] = {{0, 100, 50, 0}, {1, 100, 50, 9}, {15, 100, 50, 128}, {29, 100, 50, 247}, {40, 100, 50, 255}};
  int done = 0;
  for (const auto& row : rows) {
    Update(row.updates - done);
    done = row.updates;
    EXPECT_EQ(GetPictureValue(1, 0), row.x) << row.updates;
    EXPECT_EQ(GetPictureValue(1, 1), row.y) << row.updates;
    EXPECT_EQ(GetPictureValue(1, 5), row.opacity) << row.updates;
  }
  EXPECT_EQ(GetPictureValue(1, 2), 64);
  EXPECT_EQ(GetPictureValue(1, 3), 48);
  EXPECT_EQ(GetPictureValue(1, 9), 1);
}

TEST_F(PictureCommands, RelativeShowContinuesFromTheShownPlace) {
  ShowRange({.x = 0, .frames = 0});
  Update();
  gPictureList.ChangePicturesInRange(1, 1, 100, 0, kKeep, kKeep, 15, 20, kKeep, 0, kKeep, kKeepColor, 0, false);
  Update(10);
  EXPECT_EQ(GetPictureValue(1, 0), 50);
  ShowRange({.x = 10, .frames = 10, .relative = true});
  // The show steps once more (remaining 9 of 20: x 55), starts there and
  // ends 10 further right.
  EXPECT_EQ(GetPictureValue(1, 0), 55);
  Update(10);
  EXPECT_EQ(GetPictureValue(1, 0), 65);
}

TEST_F(PictureCommands, DelayedCommandsRunAfterTheirFrames) {
  for (int step : {1, 2}) {
    gPictureList = PictureList();
    gFrameStep = step;
    ShowRange({.x = 0});
    gPictureList.ChangePicturesInRange(1, 1, 77, 0, kKeep, kKeep, 15, 0, kKeep, 0, kKeep, kKeepColor, 3, false);
    int ranAt = -1;
    for (int frame = 0; frame < 6 && ranAt < 0; ++frame) {
      Update();
      if (GetPictureValue(1, 0) == 77) ranAt = frame;
    }
    EXPECT_EQ(ranAt, step == 1 ? 3 : 2) << "frame step " << step;
  }
}

TEST_F(PictureCommands, FadeOutErasesAndLeavesTheListOnceNothingWaits) {
  ShowRange({.first = 1, .last = 2, .frames = 0});
  Update();
  gPictureList.FadeOutPicturesInRange(1, 2, 4, 0, kKeepColor);
  Update();
  // A second fade while one runs is ignored.
  gPictureList.FadeOutPicturesInRange(1, 1, 100, 0, kKeepColor);
  EXPECT_EQ(gPictureList.pictures.at(1).totalFrames, 4);
  // Picture 2 keeps a waiting command and so stays, erased.
  gPictureList.ChangePicturesInRange(2, 2, 5, 5, kKeep, kKeep, 15, 0, kKeep, 0, kKeep, kKeepColor, 50, false);
  Update(3);
  EXPECT_EQ(Numbers(), (std::vector<int>{2}));
  EXPECT_EQ(GetPictureValue(2, 9), 0);
  EXPECT_EQ(GetPictureValue(1, 9), 0);
  EXPECT_EQ(GetPictureValue(1, 0), -1);
}

TEST_F(PictureCommands, AnchorChangeStartsFromTheDrawnPlace) {
  ShowRange({.x = 100, .y = 100, .frames = 0, .anchor = 1});
  Update();
  ShowRange({.x = 100, .y = 100, .frames = 10, .anchor = 0});
  const Picture& p = gPictureList.pictures.at(1);
  EXPECT_EQ(p.fromX, 68);
  EXPECT_EQ(p.fromY, 76);
  EXPECT_EQ(p.targetX, 100);
}

TEST_F(PictureCommands, ShakeRunsItsHalfSwings) {
  ShowRange({.frames = 0});
  gPictureList.ApplyPictureEffectInRange(1, 1, 3, 10, 0, 3, 4);
  int frames = 0;
  std::vector<int> countAfter;
  while (gPictureList.pictures.at(1).shakeCount > 0 && frames < 100) {
    Update();
    ++frames;
    countAfter.push_back(gPictureList.pictures.at(1).shakeCount);
  }
  EXPECT_EQ(frames, 24);
  EXPECT_EQ(countAfter[7], 2);
  EXPECT_EQ(countAfter[6], 3);
}

TEST_F(PictureCommands, EffectsStoreClampedPackedColoursAndShownValues) {
  ShowRange({.frames = 0});
  gPictureList.ApplyPictureEffectInRange(1, 1, 0, 150, -150, 20, 10);
  const Picture& p = gPictureList.pictures.at(1);
  EXPECT_EQ(p.flashColor, 200 << 16 | 0 << 8 | 120);
  gPictureList.ApplyPictureEffectInRange(1, 1, 1, 100, 0, 0, 10);
  Update(5);
  gPictureList.ApplyPictureEffectInRange(1, 1, 1, 0, 0, 0, 10);
  EXPECT_EQ(p.toneFrom, 150 << 16 | 100 << 8 | 100);
  // Total 0 with frames left (as a save may hold) divides by 1.
  gPictureList.pictures.at(1).shiftTotal = 0;
  gPictureList.pictures.at(1).shiftRemaining = 3;
  gPictureList.ApplyPictureEffectInRange(1, 1, 2, 4, 4, 0, 0);
  EXPECT_EQ(p.shiftFromX, 0);
}

TEST_F(PictureCommands, RangesReuseCreateAndSkip) {
  for (int n : {1, 6, 9}) ShowRange({.first = n, .last = n});
  ShowRange({.first = 5, .last = 7});
  EXPECT_EQ(Numbers(), (std::vector<int>{1, 5, 6, 7, 9}));
  gPictureList.ChangePicturesInRange(8, 8, 5, 5, kKeep, kKeep, 15, 0, kKeep, 0, kKeep, kKeepColor, 0, false);
  gPictureList = PictureList();
  for (int n : {1, 6, 9}) ShowRange({.first = n, .last = n, .x = 0});
  gPictureList.ChangePicturesInRange(5, 7, 33, 0, kKeep, kKeep, 15, 0, kKeep, 0, kKeep, kKeepColor, 0, false);
  EXPECT_EQ(GetPictureValue(1, 0), 0);
  EXPECT_EQ(GetPictureValue(6, 0), 33);
  EXPECT_EQ(GetPictureValue(9, 0), 0);
  // First above last does nothing.
  ShowRange({.first = 20, .last = 10});
  gPictureList.ChangePicturesInRange(9, 1, 44, 0, kKeep, kKeep, 15, 0, kKeep, 0, kKeep, kKeepColor, 0, false);
  EXPECT_EQ(Numbers(), (std::vector<int>{1, 6, 9}));
  EXPECT_EQ(GetPictureValue(6, 0), 33);
}

TEST_F(PictureCommands, KeepValuesAndZoomModes) {
  ShowRange({.file = "sheet.bmp", .xDiv = 2, .pattern = 2, .zoom = 150, .angle = 30});
  ShowRange({.file = "sheet.bmp", .xDiv = 2, .pattern = kKeep, .zoom = kKeep, .angle = kKeep, .color = kKeepColor});
  EXPECT_EQ(GetPictureValue(1, 4), 2);
  EXPECT_EQ(GetPictureValue(1, 6), 30);
  EXPECT_EQ(GetPictureValue(1, 7), 150);
  const struct { int mode, zoomX, zoomY; } rows[] = {{0, 80, 80}, {1, 100, 80}, {2, 80, 100}, {7, 80, 80}};
  for (const auto& row : rows) {
    gPictureList.ChangePicturesInRange(1, 1, 0, 0, kKeep, kKeep, 15, 0, 80, row.mode, kKeep, kKeepColor, 0, false);
    EXPECT_EQ(gPictureList.pictures.at(1).targetZoomX, row.zoomX) << row.mode;
    EXPECT_EQ(gPictureList.pictures.at(1).targetZoomY, row.zoomY) << row.mode;
  }
}

TEST_F(PictureCommands, PatternPastTheCellsIsRefusedWithANotice) {
  ShowRange({.file = "sheet.bmp", .xDiv = 2, .x = 5, .pattern = 1, .frames = 0});
  Update();
  ShowRange({.file = "sheet.bmp", .xDiv = 2, .x = 50, .pattern = 3, .frames = 10});
  ASSERT_EQ(RecordedNotices().size(), 1u);
  EXPECT_NE(RecordedNotices()[0][0].find("Max2"), std::string::npos);
  // The targets stay; the transition is not started.
  EXPECT_EQ(gPictureList.pictures.at(1).targetPattern, 3);
  EXPECT_EQ(gPictureList.pictures.at(1).remainingFrames, -1);
  ClearRecordedNotices();
  ShowRange({.file = "sheet.bmp", .xDiv = 2, .pattern = 0});
  EXPECT_TRUE(RecordedNotices().empty());
}

TEST_F(PictureCommands, ZeroDivisionsBecomeOneWithTheNoticeOnlyInTestPlay) {
  for (int testPlay : {0, 1}) {
    gTestPlay = testPlay;
    ClearRecordedNotices();
    ShowRange({.xDiv = 0, .yDiv = -3});
    EXPECT_EQ(RecordedNotices().size(), static_cast<size_t>(testPlay));
    EXPECT_EQ(gPictureList.pictures.at(1).xDivision, 1);
    EXPECT_EQ(gPictureList.pictures.at(1).cellWidth, 64);
  }
}

TEST_F(PictureCommands, MissingFileErasesThePicture) {
  ShowRange({.file = "none.bmp"});
  EXPECT_EQ(GetPictureValue(1, 9), 0);
  Update();
  EXPECT_TRUE(gPictureList.pictures.empty());
}

TEST_F(PictureCommands, MapBindingAddsTheScroll) {
  gCurrentMap.scrollX = 4 * 40;
  gCurrentMap.scrollY = 4 * 8;
  ShowRange({.x = 10, .y = 10, .blendFlags = 0x100});
  const Picture& p = gPictureList.pictures.at(1);
  EXPECT_EQ(p.targetX, 50);
  EXPECT_EQ(p.isMapBound, 1);
  EXPECT_EQ(GetPictureValue(1, 0), 10);
  // Relative on a bound picture adds no scroll again.
  ShowRange({.x = 5, .blendFlags = 0x100, .relative = true});
  EXPECT_EQ(p.targetX, 55);
}

TEST_F(PictureCommands, PositionSumsStopAtTheIntRange) {
  // Scrolls in pixels: one while showing, one while querying the position.
  // A frame passes after each show but the last.
  const struct {
    const char* what;
    int scroll;
    std::vector<Show> shows;
    int queryScroll, targetX, fromX, shownX;
  } rows[] = {
      {"bound near the top", 100, {{.x = INT_MAX - 10, .blendFlags = 0x100}}, -100, INT_MAX, INT_MAX, INT_MAX},
      {"bound near the bottom", -100, {{.x = INT_MIN + 10, .blendFlags = 0x100}}, 100, INT_MIN, INT_MIN, INT_MIN},
      {"relative past the top",
       0,
       {{.x = INT_MAX - 5}, {.x = 10, .frames = 10, .relative = true}},
       0,
       INT_MAX,
       INT_MAX - 5,
       INT_MAX - 5},
      {"unbinding relative past the bottom",
       100,
       {{.x = INT_MIN + 5, .blendFlags = 0x100}, {.x = -200, .frames = 10, .relative = true}},
       0,
       INT_MIN,
       INT_MIN + 105,
       INT_MIN + 105},
      {"anchor change past the top",
       0,
       {{.x = INT_MAX - 5}, {.x = INT_MAX - 5, .frames = 10, .anchor = 4}},
       0,
       INT_MAX - 5,
       INT_MAX,
       INT_MAX},
  };
  for (const auto& row : rows) {
    gPictureList = PictureList();
    gCurrentMap.scrollX = 4 * row.scroll;
    for (size_t i = 0; i < row.shows.size(); ++i) {
      if (i > 0) Update();
      ShowRange(row.shows[i]);
    }
    gCurrentMap.scrollX = 4 * row.queryScroll;
    const Picture& p = gPictureList.pictures.at(1);
    EXPECT_EQ(p.targetX, row.targetX) << row.what;
    EXPECT_EQ(p.fromX, row.fromX) << row.what;
    EXPECT_EQ(GetPictureValue(1, 0), row.shownX) << row.what;
  }
}

TEST_F(PictureCommands, ShowOverMoreNumbersThanASaveHoldsIsRefused) {
  const struct {
    int first, last;
    bool text, refused;
  } rows[] = {
      {-32761, 5, true, false},
      {1, 32768, false, true},
      {5, 32772, true, true},
      {INT_MIN, INT_MAX, false, true},
  };
  for (const auto& row : rows) {
    gPictureList = PictureList();
    ClearRecordedNotices();
    ShowRange({.first = 5, .last = 5});
    // Delayed shows load nothing, so a wide range stays cheap.
    if (row.text) {
      gPictureList.ShowStringPictures(row.first, row.last, "ab", 0, 0, 1, 255, 0, 0, 100, 0, 0, 0, kNeutral, 1, false);
    } else {
      ShowRange({.first = row.first, .last = row.last, .delay = 1});
    }
    const size_t width = static_cast<size_t>(static_cast<int64_t>(row.last) - row.first + 1);
    EXPECT_EQ(gPictureList.pictures.size(), row.refused ? 1u : width) << row.first << ".." << row.last;
    EXPECT_EQ(RecordedNotices().size(), row.refused ? 1u : 0u) << row.first << ".." << row.last;
    const Picture& five = gPictureList.pictures.at(5);
    EXPECT_EQ(five.delayedCommands.size(), row.refused ? 0u : 1u) << row.first << ".." << row.last;
  }
  ASSERT_EQ(RecordedNotices().size(), 1u);
  EXPECT_EQ(RecordedNotices()[0][0],
            NoticeText("ｴﾗｰ【ピクチャ】表示する番号の範囲が広すぎます！ >ID%d～%d (一度に%d枚まで)",
                       {Decimal(INT_MIN), Decimal(INT_MAX), Decimal(32767)}));
}

TEST_F(PictureCommands, EachShowSetsWhetherThePictureIsAWindowFrame) {
  ShowRange({.file = "pic.bmp", .xDiv = 100, .yDiv = 60, .window = true});
  Update();
  EXPECT_EQ(GetPictureValue(1, 2), 100);
  // An image on the same number, without an erase between, is an image again.
  ShowRange({.file = "sheet.bmp", .xDiv = 2, .yDiv = 1});
  Update();
  const Picture& p = gPictureList.pictures.at(1);
  EXPECT_EQ(p.isWindowFrame, 0);
  EXPECT_EQ(p.cells.size(), 2u);
  EXPECT_EQ(GetPictureValue(1, 2), 32);
  EXPECT_EQ(GetPictureValue(1, 3), 32);
  EXPECT_EQ(LogOf([] { gPictureList.DrawPictureLayer(0); }).size(), 1u);
  ShowRange({.file = "pic.bmp", .xDiv = 90, .yDiv = 50, .window = true});
  EXPECT_EQ(p.isWindowFrame, 1);
  EXPECT_EQ(GetPictureValue(1, 2), 90);
}

TEST_F(PictureCommands, AShowOfAMissingFileLetsGoOfTheOldOne) {
  const auto cached = [](const std::string& name) {
    const std::vector<std::string>& names = gPictureFileCache.fileNames;
    return std::count(names.begin(), names.end(), name);
  };
  ShowRange({.first = 3, .last = 3, .file = "sheet.bmp"});
  ShowRange({.first = 3, .last = 3, .file = "none.bmp"});
  EXPECT_EQ(cached("sheet.bmp"), 0);

  // Kept while another picture shows it; the failed picture, erased but
  // waiting on a delayed change, no longer holds it.
  ShowRange({.first = 1, .last = 2});
  ShowRange({.file = "none.bmp"});
  EXPECT_EQ(cached("pic.bmp"), 1);
  gPictureList.ChangePicturesInRange(1, 1, 5, 5, kKeep, kKeep, 15, 0, kKeep, 0, kKeep, kKeepColor, 50, false);
  gPictureList.FadeOutPicturesInRange(2, 2, 0, 0, kKeepColor);
  Update();
  EXPECT_EQ(Numbers(), (std::vector<int>{1}));
  EXPECT_EQ(cached("pic.bmp"), 0);
}

// The pattern notice names each picture an operation reaches, in its order.
TEST_F(PictureCommands, OperationsVisitPicturesInNumberOrder) {
  const auto noticedIds = [] {
    std::vector<int> ids;
    for (const auto& notice : RecordedNotices()) {
      const size_t at = notice[0].find(">ID");
      ids.push_back(std::stoi(notice[0].substr(at + 3)));
    }
    ClearRecordedNotices();
    return ids;
  };
  for (int n : {9, 2, 7, -3, 5}) ShowRange({.first = n, .last = n, .file = "sheet.bmp", .xDiv = 2});
  EXPECT_EQ(Numbers(), (std::vector<int>{-3, 2, 5, 7, 9}));
  gPictureList.ChangePicturesInRange(0, 8, 0, 0, 3, kKeep, 15, 0, kKeep, 0, kKeep, kKeepColor, 0, false);
  EXPECT_EQ(noticedIds(), (std::vector<int>{2, 5, 7}));
  // Waiting commands run in the frame update, picture by picture.
  gPictureList.ChangePicturesInRange(-5, 10, 0, 0, 3, kKeep, 15, 0, kKeep, 0, kKeep, kKeepColor, 1, false);
  Update(2);
  EXPECT_EQ(noticedIds(), (std::vector<int>{-3, 2, 5, 7, 9}));
  ShowRange({.first = 4, .last = 8, .file = "sheet.bmp", .xDiv = 2, .pattern = 3});
  EXPECT_EQ(noticedIds(), (std::vector<int>{4, 5, 6, 7, 8}));
  EXPECT_EQ(Numbers(), (std::vector<int>{-3, 2, 4, 5, 6, 7, 8, 9}));
}

}  // namespace
