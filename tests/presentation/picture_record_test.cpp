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
  gPictureList.pictures.try_emplace(3, 3);
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

// A stale count (a save may bring any) never hides a picture.
TEST(PictureRecord, StaleCountDoesNotChangeTheQuery) {
  gPictureList = PictureList();
  for (int n : {1, 5, 6, 7, 9}) gPictureList.pictures.try_emplace(n, n);
  for (int count : {5, 0, -7, 1000}) {
    gPictureList.count = count;
    for (int n : {1, 5, 6, 7, 9}) EXPECT_EQ(GetPictureValue(n, 9), 1) << n << " count " << count;
  }
  gPictureList = PictureList();
}

}  // namespace
