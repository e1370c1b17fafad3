#include <gtest/gtest.h>

#include "gamedata/GameText.h"
#include "gamedata/GlobalObjects.h"
#include "presentation/ChoiceWindow.h"
#include "presentation/Picture.h"
#include "presentation/PresentationFixture.h"

namespace {

class GraphicCaches : public PresentationTest {
 protected:
  // The colour of the image pixel that a graph shows at its top left.
  static uint32_t FirstPixel(int graph) {
    ClearDrawTarget();
    PutGraph(0, 0, graph, 0);
    return BackPixel(0, 0);
  }
};

std::vector<int> EntryHandles(const std::string& name) {
  return gGraphicCache.cellHandles[static_cast<size_t>(gGraphicCache.nameIndex.at(name))];
}

std::pair<int, int> SizeOf(int graph) {
  int w = -1, h = -1;
  QueryGraphSize(graph, &w, &h);
  return {w, h};
}

TEST_F(GraphicCaches, CellsAreCutRowByRowAndNameFixesTheCut) {
  WriteImage("strip.bmp", 100, 8, [](int x, int y) { return static_cast<uint32_t>(x << 8 | y); });
  WriteImage("sheet.bmp", 96, 128);
  ASSERT_TRUE(LoadGraphic("strip.bmp", 3, 1, 0));
  const auto strip = EntryHandles("strip.bmp");
  ASSERT_EQ(strip.size(), 4u);
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(SizeOf(strip[static_cast<size_t>(k) + 1]), std::make_pair(33, 8));
    EXPECT_EQ(FirstPixel(strip[static_cast<size_t>(k) + 1]), static_cast<uint32_t>((33 * k) << 8)) << k;
  }
  // Cells of 32 pixels: 3 by 4 cells, 13 handles.
  ASSERT_TRUE(LoadGraphic("sheet.bmp", 32, 32, 1));
  EXPECT_EQ(EntryHandles("sheet.bmp").size(), 13u);
  EXPECT_EQ(gGraphicCache.xDivisions[1], 3);
  EXPECT_EQ(gGraphicCache.yDivisions[1], 4);
  // The second load with other divisions changes nothing; another letter case is a new entry.
  EXPECT_TRUE(LoadGraphic("strip.bmp", 1, 1, 0));
  EXPECT_EQ(EntryHandles("strip.bmp"), strip);
  EXPECT_TRUE(LoadGraphic("STRIP.bmp", 1, 1, 0));
  EXPECT_EQ(gGraphicCache.nameIndex.size(), 3u);
  // An empty name is cached without an entry.
  EXPECT_TRUE(LoadGraphic("", 1, 1, 0));
  EXPECT_EQ(gGraphicCache.cellHandles.size(), 3u);
  // A cut that gives cells of 0 pixels cuts none.
  WriteImage("narrow.bmp", 2, 2);
  ASSERT_TRUE(LoadGraphic("narrow.bmp", 5, 1, 0));
  EXPECT_EQ(EntryHandles("narrow.bmp").size(), 1u);
  EXPECT_TRUE(platform::RecordedMessageBoxes().empty());
}

TEST_F(GraphicCaches, FilesThatDoNotLoadAreFailuresWithTheirBox) {
  WriteDataFile("empty.bmp", "");
  WriteDataFile("short.bmp", "BM\x10");
  WriteDataFile("noise.bmp", std::string(64, 'x'));
  for (const char* name : {"missing.bmp", "empty.bmp", "short.bmp", "noise.bmp"}) {
    platform::ClearRecordedMessageBoxes();
    EXPECT_FALSE(LoadGraphic(name, 1, 1, 0)) << name;
    EXPECT_EQ(gGraphicCache.nameIndex.count(name), 0u) << name;
    ASSERT_EQ(platform::RecordedMessageBoxes().size(), 1u) << name;
    EXPECT_EQ(platform::RecordedMessageBoxes()[0].text,
              NoticeText("■LoadGraphic error:ファイル %s が見つかりません\n", {gDataFolderPath + name}));
    EXPECT_EQ(platform::RecordedMessageBoxes()[0].caption, Cp932Text("ファイル読み込みエラー"));
    EXPECT_EQ(LoadGraphicSP(name, 2, 2, nullptr, true), -1);
  }
  platform::ClearRecordedMessageBoxes();
  EXPECT_EQ(LoadGraphicSP("missing.bmp", 2, 3, nullptr, true), -1);
  EXPECT_TRUE(platform::RecordedMessageBoxes().empty());
  EXPECT_EQ(LoadGraphicSP("missing.bmp", 2, 3, nullptr, false), -1);
  ASSERT_EQ(platform::RecordedMessageBoxes().size(), 1u);
  EXPECT_EQ(platform::RecordedMessageBoxes()[0].text,
            NoticeText("■LoadGraphicSP error:ファイル %s (分割 %d,%d)が見つかりません\n",
                       {gDataFolderPath + "missing.bmp", "2", "3"}));
}

TEST_F(GraphicCaches, ReloadStopsAtTheFirstMissingFileAndReleaseStartsOver) {
  for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) WriteImage(name, 8, 8);
  // Loaded out of byte order: the reload walks a, b, c.
  ASSERT_TRUE(LoadGraphic("c.bmp", 2, 2, 0));
  ASSERT_TRUE(LoadGraphic("a.bmp", 2, 2, 0));
  ASSERT_TRUE(LoadGraphic("b.bmp", 2, 2, 0));
  const auto a = EntryHandles("a.bmp"), b = EntryHandles("b.bmp"), c = EntryHandles("c.bmp");
  RemoveDataFile("b.bmp");
  EXPECT_FALSE(ReLoadGraphic());
  EXPECT_NE(EntryHandles("a.bmp"), a);
  EXPECT_EQ(EntryHandles("a.bmp").size(), 5u);
  EXPECT_EQ(EntryHandles("b.bmp"), b);
  EXPECT_EQ(EntryHandles("c.bmp"), c);
  EXPECT_EQ(gGraphicCache.nameIndex.at("a.bmp"), 1);
  ASSERT_EQ(platform::RecordedMessageBoxes().size(), 1u);
  EXPECT_EQ(platform::RecordedMessageBoxes()[0].text,
            NoticeText("■ReLoadGraphic error:ファイル %s が見つかりません\n%s", {gDataFolderPath + "b.bmp", "b.bmp"}));

  const int before = GetGraphCount();
  EXPECT_TRUE(ReleaseAllGraphics());
  EXPECT_EQ(GetGraphCount(), before - 15);
  EXPECT_TRUE(gGraphicCache.nameIndex.empty());
  ASSERT_TRUE(LoadGraphic("c.bmp", 1, 1, 0));
  EXPECT_EQ(gGraphicCache.nameIndex.at("c.bmp"), 0);
}

TEST_F(GraphicCaches, LoadGraphicSPFillsTheCallersListOnlyForMoreThanOneCell) {
  WriteImage("w.bmp", 30, 30);
  std::vector<int> list{77};
  const int whole = LoadGraphicSP("w.bmp", 1, 1, &list, false);
  ASSERT_GE(whole, 0);
  EXPECT_EQ(list, std::vector<int>{77});
  const int again = LoadGraphicSP("w.bmp", 3, 3, &list, false);
  ASSERT_EQ(list.size(), 10u);
  EXPECT_EQ(list[0], again);
  EXPECT_EQ(SizeOf(list[9]), std::make_pair(10, 10));
}

TEST_F(GraphicCaches, PicturesShareFileEntriesUntilTheLastLetsGo) {
  WriteImage("p.bmp", 64, 32);
  gPictureList = PictureList();
  Picture first, second;
  first.number = 1;
  second.number = 2;
  first.fileName = second.fileName = "p.bmp";
  ASSERT_TRUE(PictureControl(first, "p.bmp", 2, 1));
  ASSERT_TRUE(PictureControl(second, "p.bmp", 2, 1));
  EXPECT_EQ(gPictureFileCache.fileNames.size(), 1u);
  EXPECT_EQ(first.imageHandle, second.imageHandle);
  EXPECT_EQ(first.cells.size(), 2u);
  EXPECT_EQ(first.cellWidth, 32);
  gPictureList.pictures = {{1, first}, {2, second}};
  // Picture 1 lets go while picture 2 still shows the file.
  ReleasePictureFile("p.bmp", false, 1);
  EXPECT_EQ(gPictureFileCache.fileNames.size(), 1u);
  gPictureList.pictures.erase(gPictureList.pictures.begin());
  ReleasePictureFile("p.bmp", false, 2);
  EXPECT_TRUE(gPictureFileCache.fileNames.empty());

  // Two division pairs are two entries; releasing the file removes both.
  gPictureList.pictures.clear();
  ASSERT_TRUE(PictureControl(first, "p.bmp", 1, 1));
  ASSERT_TRUE(PictureControl(first, "p.bmp", 4, 1));
  EXPECT_EQ(gPictureFileCache.fileNames.size(), 2u);
  EXPECT_EQ(gPictureFileCache.cellWidths[1], 16);
  ReleasePictureFile("p.bmp", true, 0);
  EXPECT_TRUE(gPictureFileCache.wholeHandles.empty());
  EXPECT_TRUE(gPictureFileCache.cellHeights.empty());
}

TEST_F(GraphicCaches, TooManyDivisionsGiveOneCellAndQuietFailures) {
  WriteImage("p.bmp", 64, 32);
  Picture picture;
  ASSERT_TRUE(PictureControl(picture, "p.bmp", 100, 1));
  ASSERT_EQ(RecordedNotices().size(), 1u);
  EXPECT_EQ(RecordedNotices()[0][0],
            Cp932Text("分割数が画像サイズより大きすぎます！ 横100分割 縦1分割  サイズX=64 Y=32"));
  EXPECT_EQ(picture.xDivision, 1);
  EXPECT_EQ(picture.yDivision, 1);
  ASSERT_EQ(picture.cells.size(), 1u);
  EXPECT_EQ(SizeOf(picture.cells[0]), std::make_pair(64, 32));
  EXPECT_EQ(gPictureFileCache.xDivisions[0], 100);
  // The reload cuts such an entry as one cell.
  gPictureList = PictureList();
  RePictureControl(gPictureList);
  EXPECT_EQ(gPictureFileCache.cellHandles[0].size(), 1u);

  Picture other;
  EXPECT_FALSE(PictureControl(other, "<<ERROR>>", 1, 1));
  EXPECT_FALSE(PictureControl(other, "", 1, 1));
  EXPECT_TRUE(platform::RecordedMessageBoxes().empty());
  EXPECT_FALSE(PictureControl(other, "gone.bmp", 1, 1));
  ASSERT_EQ(platform::RecordedMessageBoxes().size(), 1u);
  EXPECT_EQ(other.imageHandle, Picture().imageHandle);
}

TEST_F(GraphicCaches, IconListReadsItsListFileOrTheIconFiles) {
  WriteImage("BasicData/icon003.png", 24, 20);
  WriteImage("BasicData/icon010.png", 12, 10);
  WriteImage("BasicData/icon011.png", 12, 10);
  WriteDataFile("BasicData/EncodedIconList.xxxxx", "icon003.png\r\nicon010.png\r\nico\r\n\r\nicon011.png\r\n");
  gTextResources.LoadIconList();
  ASSERT_EQ(gTextResources.iconHandles.size(), 11u);
  for (int n = 0; n < 11; ++n)
    EXPECT_EQ(gTextResources.iconHandles[static_cast<size_t>(n)] > 0, n == 3 || n == 10) << n;
  EXPECT_EQ(gTextResources.iconWidths[3], 24);
  EXPECT_EQ(gTextResources.iconHeights[10], 10);
  EXPECT_EQ(gTextResources.iconWidths.size(), 1000u);
  // Without the list file every icon???.png of the folder counts; a missing icon is silent.
  RemoveDataFile("BasicData/EncodedIconList.xxxxx");
  gTextResources.LoadIconList();
  EXPECT_EQ(gTextResources.iconHandles.size(), 12u);
  EXPECT_GT(gTextResources.iconHandles[11], 0);
  EXPECT_TRUE(platform::RecordedMessageBoxes().empty());
}

TEST_F(GraphicCaches, ChoiceSkinsAreCutByTheirFrameCounts) {
  WriteImage("skin.bmp", 48, 48);
  WriteImage("cursor.bmp", 96, 128);
  SetSkin(1, "skin.bmp", 0);
  SetSkin(2, "cursor.bmp", 4);
  ChoiceWindow window;
  EXPECT_TRUE(window.skinLoaded);
  EXPECT_EQ(window.skinCells.size(), 10u);
  EXPECT_EQ(window.skinCellWidth, 16);
  ASSERT_EQ(window.cursorCells.size(), 5u);
  EXPECT_EQ(SizeOf(window.cursorCells[1]), std::make_pair(96, 32));
  EXPECT_EQ(window.cursorCellWidth, 32);
  EXPECT_EQ(window.cursorCellHeight, 42);
  // Released lists are emptied: a second release deletes nothing twice.
  const int before = GetGraphCount();
  DestroyChoiceWindow(window);
  EXPECT_EQ(GetGraphCount(), before - 15);
  DestroyChoiceWindow(window);
  EXPECT_EQ(GetGraphCount(), before - 15);
}

}  // namespace
