#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "gamedata/SaveBuffer.h"
#include "presentation/PictureFixture.h"
#include "presentation/PictureValues.h"

namespace {

// An image picture, a window frame and a text picture at rest, saved as the
// picture list's block.
class PictureLoad : public PictureTest {
 protected:
  void SetUp() override {
    PictureTest::SetUp();
    gTextResources.SetUpFonts();
    WriteImage("pic.bmp", 64, 48);
    WriteImage("skin.bmp", 48, 48);
    gPictureList.ShowPictures(1, 1, "pic.bmp", 2, 1, 10, 20, 2, 255, 0, 0, 100, 0, 0, 0, 0x646464, 0, false, false);
    gPictureList.ShowPictures(2, 2, "skin.bmp", 100, 60, 200, 20, 1, 255, 0, 0, 100, 0, 0, 0, 0x646464, 0, false, true);
    gPictureList.ShowStringPictures(3, 3, "ab", 300, 50, 1, 255, 0, 0, 100, 0, 0, 1, 0x646464, 0, false);
    Settle();
    shown_ = DrawAll();
    gSaveBuffer.BeginWrite();
    gPictureList.SavePictureList();
    block_ = gSaveBuffer.data;
  }

  static void Settle() {
    for (int i = 0; i < 12; ++i) gPictureList.UpdatePictures();
  }
  // The draw log with graph handles left out: a reload makes new ones.
  static std::vector<std::string> DrawAll() {
    static const std::regex handle(R"(^(PutGraphStretched\((?:-?\d+,){4})\d+)");
    std::vector<std::string> lines = LogOf([] { gPictureList.DrawPictureLayer(0); });
    for (std::string& line : lines) line = std::regex_replace(line, handle, "$1g");
    return lines;
  }
  // A load replaces every picture and every picture image of the live list.
  bool Load(bool applyLive) {
    gPictureList.ClearPictureList(true);
    gSaveBuffer.BeginRead(block_);
    gSaveBuffer.formatNumber = 111;
    return gPictureList.LoadPictureList(applyLive);
  }

  std::vector<std::string> shown_;
  std::vector<uint8_t> block_;
};

TEST_F(PictureLoad, ImageFrameAndTextPicturesDrawAsBeforeAfterALoad) {
  // One line per picture at least: the image first, then the frame's nine.
  ASSERT_GE(shown_.size(), 3u);
  const Picture text = gPictureList.pictures.at(3);
  ASSERT_TRUE(Load(true));
  ASSERT_EQ(gPictureList.pictures.size(), 3u);
  const Picture& frame = gPictureList.pictures.at(2);
  EXPECT_EQ(frame.xDivision, 100);
  EXPECT_EQ(frame.yDivision, 60);
  EXPECT_EQ(gPictureList.pictures.at(1).cells.size(), 2u);
  EXPECT_EQ(gPictureList.pictures.at(3).textBlock.pendingText, "ab");
  EXPECT_EQ(gPictureList.pictures.at(3).cellWidth, text.cellWidth);
  EXPECT_EQ(gPictureList.pictures.at(3).cellHeight, text.cellHeight);
  Settle();
  EXPECT_EQ(DrawAll(), shown_);
  EXPECT_EQ(GetPictureValue(3, 2), text.cellWidth);
  EXPECT_TRUE(platform::RecordedMessageBoxes().empty());
}

TEST_F(PictureLoad, APeekLoadsNoImageAndAMissingFileLeavesThePictureUndrawn) {
  ASSERT_TRUE(Load(false));
  EXPECT_EQ(gPictureList.pictures.at(1).isHidden, 1);
  EXPECT_TRUE(gPictureList.pictures.at(1).cells.empty());
  EXPECT_TRUE(gPictureFileCache.fileNames.empty());

  std::filesystem::remove(std::filesystem::path(gDataFolderPath) / "pic.bmp");
  ASSERT_TRUE(Load(true));
  EXPECT_EQ(gPictureList.pictures.at(1).isHidden, 1);
  EXPECT_EQ(gPictureList.pictures.at(2).isHidden, 0);
  EXPECT_EQ(platform::RecordedMessageBoxes().size(), 1u);
  Settle();
  EXPECT_EQ(DrawAll(), std::vector<std::string>(shown_.begin() + 1, shown_.end()));
}

TEST_F(PictureLoad, ALoadedPictureLetsGoOfItsFileWhenItShowsAnother) {
  WriteImage("other.bmp", 16, 16);
  for (bool text : {false, true}) {
    ASSERT_TRUE(Load(true));
    ASSERT_EQ(gPictureFileCache.fileNames.size(), 2u);
    if (text) {
      gPictureList.ShowStringPictures(1, 1, "ab", 0, 0, 1, 255, 0, 0, 100, 0, 0, 0, 0x646464, 0, false);
    } else {
      gPictureList.ShowPictures(1, 1, "other.bmp", 1, 1, 0, 0, 1, 255, 0, 0, 100, 0, 0, 0, 0x646464, 0, false, false);
    }
    const std::vector<std::string>& names = gPictureFileCache.fileNames;
    EXPECT_EQ(std::count(names.begin(), names.end(), "pic.bmp"), 0) << (text ? "text" : "image");
  }
}

// A damaged block may list numbers out of order or twice: the list comes out
// in number order and a repeated number keeps its first record, whose file
// alone is loaded.
TEST_F(PictureLoad, ABlockOutOfOrderOrRepeatingANumberLoadsEachNumberOnce) {
  WriteImage("other.bmp", 16, 16);
  const auto image = [](int number, const std::string& file, int x) {
    Picture picture(number);
    picture.fileName = file;
    picture.targetX = x;
    return picture;
  };
  gSaveBuffer.BeginWrite();
  WriteInt16(gSaveBuffer, 3);
  for (const Picture& picture : {image(9, "pic.bmp", 90), image(2, "pic.bmp", 20), image(9, "other.bmp", 91)})
    SavePictureState(picture);
  block_ = gSaveBuffer.data;
  ASSERT_TRUE(Load(true));
  std::vector<int> numbers;
  for (const auto& [number, picture] : gPictureList.pictures) numbers.push_back(picture.number);
  EXPECT_EQ(numbers, (std::vector<int>{2, 9}));
  EXPECT_EQ(gPictureList.count, 2);
  EXPECT_EQ(gPictureList.pictures.at(9).targetX, 90);
  EXPECT_EQ(gPictureFileCache.fileNames, (std::vector<std::string>{"pic.bmp"}));
}

}  // namespace
