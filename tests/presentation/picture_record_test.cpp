#include <gtest/gtest.h>

#include "gamedata/GlobalObjects.h"
#include "presentation/Picture.h"
#include "presentation/PictureValues.h"

namespace {

TEST(PictureRecord, StartsHiddenWithItsNumberAndNeutralValues) {
  const Picture picture(7);
  EXPECT_EQ(picture.number, 7);
  EXPECT_EQ(picture.isHidden, 1);
  EXPECT_EQ(picture.targetPattern, 1);
  EXPECT_EQ(picture.targetZoomX, 100);
  EXPECT_EQ(picture.effectZoomTarget, 100);
  EXPECT_EQ(picture.toneTarget, 0x646464);
  EXPECT_EQ(picture.hitLeft, -100);
  EXPECT_EQ(picture.xDivision, 1);
  EXPECT_EQ(Picture().number, -1);
}

TEST(PictureRecord, MissingNumberReadsMinusOneAndZeroForCodeNine) {
  gPictureList = PictureList();
  gPictureList.pictures.emplace_back(3);
  gPictureList.count = 1;
  for (int code = 0; code <= 8; ++code) EXPECT_EQ(GetPictureValue(4, code), -1) << code;
  EXPECT_EQ(GetPictureValue(4, 9), 0);
  EXPECT_EQ(GetPictureValue(3, 9), 1);
  EXPECT_EQ(GetPictureValue(3, 10), -1);
  gPictureList = PictureList();
}

TEST(PictureRecord, ZoomPropertyReadsDownWhenAcrossIsHundred) {
  Picture picture(1);
  picture.targetZoomY = 150;
  picture.fromZoomY = 150;
  EXPECT_EQ(picture.GetPictureProperty(7), 150);
  picture.targetZoomX = 120;
  EXPECT_EQ(picture.GetPictureProperty(7), 120);
}

// Stale keys (a save may bring any) never hide a picture.
TEST(PictureRecord, StaleKeysDoNotChangeTheQuery) {
  gPictureList = PictureList();
  for (int n : {1, 5, 6, 7, 9}) gPictureList.pictures.emplace_back(n);
  gPictureList.count = 5;
  for (const std::array<int32_t, 7>& keys :
       {std::array<int32_t, 7>{}, std::array<int32_t, 7>{-50, -40, -30}, std::array<int32_t, 7>{100, 200, 300}}) {
    gPictureList.keys = keys;
    for (int n : {1, 5, 6, 7, 9}) EXPECT_EQ(GetPictureValue(n, 9), 1) << n;
  }
  gPictureList.count = 1000;
  gPictureList.keys = {-9, -8, -7};
  EXPECT_EQ(GetPictureValue(1, 9), 1);
  gPictureList = PictureList();
}

}  // namespace
