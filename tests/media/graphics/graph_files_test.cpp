#include "GraphicsFixture.h"

#include <filesystem>
#include <fstream>

#include "foundation/Archive.h"
#include "media/image/ImageLoader.h"
#include "support/ArchiveSettings.h"
#include "support/ArchiveWriter.h"
#include "support/ImageFileWriters.h"

namespace {

constexpr int kWidth = 16, kHeight = 8;

uint32_t Picture(int x, int y) { return static_cast<uint32_t>((x * 15) << 16 | (y * 30) << 8 | ((x ^ y) * 9)); }

// A 24-bit BMP of the picture.
std::string PictureBmp() {
  std::vector<uint32_t> values;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) values.push_back(Picture(x, y));
  return fixtures::BmpFile(fixtures::BmpOptions{}, kWidth, kHeight, values);
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

class GraphFilesTest : public GraphicsTest {
 protected:
  // The graph drawn at (0, 0) matches the picture's rectangle at (sx, sy).
  void ExpectShows(int graph, int sx, int sy, int width, int height) {
    ClearDrawTarget();
    ASSERT_EQ(PutGraph(0, 0, graph, 0), 0);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) ASSERT_EQ(BackPixel(x, y), Picture(sx + x, sy + y)) << x << "," << y;
  }
  void LoseDevice() {
    platform::SendMessage(gLibrarySystem.mainWindow, platform::kWmDisplayChange, 32, 1024 | (768 << 16));
  }
};

TEST_F(GraphFilesTest, APictureReadsTheSameFromAFolderAndFromAnArchive) {
  StartGraphicsAt(32);
  ArchiveSettingsForGame("GameKey");
  WriteFile("Pics/pic.bmp", PictureBmp());
  ArchiveWriter writer;
  writer.SetKeyString("GameKey");
  writer.AddFile("pic.bmp", PictureBmp());
  writer.Write(std::filesystem::current_path() / "Packed.vorn");
  const int fromFolder = ReadImageFileToGraph("Pics\\pic.bmp", 1, 0, 0);
  const int fromArchive = ReadImageFileToGraph("Packed\\pic.bmp", 1, 0, 0);
  ASSERT_GE(fromFolder, 0);
  ASSERT_GE(fromArchive, 0);
  ExpectShows(fromFolder, 0, 0, kWidth, kHeight);
  ExpectShows(fromArchive, 0, 0, kWidth, kHeight);
  EXPECT_STREQ(GetGraphRecord(fromArchive)->fileName, "Packed\\pic.bmp");
  ArchiveSettingsClear();
}

TEST_F(GraphFilesTest, MissingAndNonImageFilesLogTheirLines) {
  StartGraphicsAt(32);
  WriteFile("notes.png", "just some text, not a picture");
  EXPECT_EQ(ReadImageFileToGraph("none.png", 1, 0, 0), -1);
  EXPECT_EQ(ReadImageFileToGraph("notes.png", 1, 0, 0), -1);
  const std::string log = ReadLog();
  EXPECT_NE(log.find(Sjis("グラフィックファイル none.png がありません")), std::string::npos);
  EXPECT_NE(log.find(Sjis("右記のグラフィックファイルのロードに失敗しました：notes.png \r\n")), std::string::npos);
  EXPECT_EQ(GetGraphCount(), 0);
}

TEST_F(GraphFilesTest, AnAlphaGraphHasAnAlphaChannelAndTheSettingIsReset) {
  StartGraphicsAt(32);
  std::vector<uint32_t> argb;
  // Red varies per pixel (it becomes the alpha); alpha, green and blue do not matter.
  auto red = [](int i) { return static_cast<uint8_t>(i * 30 + 10); };
  for (int i = 0; i < 4 * 2; ++i) argb.push_back(0x80000000u | static_cast<uint32_t>(red(i)) << 16 | 0x4060);
  WriteFile("fade.bgra", fixtures::BgraFile(4, 2, argb, false));
  const int graph = ReadImageFileToAlphaGraph("fade.bgra");
  ASSERT_GE(graph, 0);
  EXPECT_EQ(gDrawState.newGraphLoadAsAlpha, 0);
  GraphRecord* g = GetGraphRecord(graph);
  EXPECT_EQ(g->request.loadAsAlpha, 1);
  EXPECT_EQ(g->request.alphaChannel, 1);
  // A store with an alpha channel and no alpha test.
  Surface2DRecord* view = GetSurface2DRecord(g->storage[0]);
  SurfaceDataRecord* store = GetSurfaceDataRecord(view->store);
  ASSERT_NE(store, nullptr);
  EXPECT_EQ(store->request.alphaTest, 0);
  // The picture's red channel lands in the single-channel store, pixel by pixel.
  ASSERT_EQ(store->softwareImage, 1);
  ASSERT_EQ(store->colorImage.base->pixelFormat, kMemImgChannel8);
  const int pitch = store->colorImage.base->pitch;
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x)
      EXPECT_EQ(store->colorImage.pixels[(view->storeY + y) * pitch + view->storeX + x], red(y * 4 + x))
          << x << "," << y;
}

TEST_F(GraphFilesTest, GraphsFromMemoryDecodeBothBlocksAndMirror) {
  StartGraphicsAt(32);
  const std::string bmp = PictureBmp();
  const int plain = CreateGraphFromMemoryImage(bmp.data(), static_cast<int>(bmp.size()), nullptr, 0, 1, 0);
  ASSERT_GE(plain, 0);
  ExpectShows(plain, 0, 0, kWidth, kHeight);
  EXPECT_STREQ(GetGraphRecord(plain)->fileName, "");
  const int mirrored = CreateGraphFromMemoryImage(bmp.data(), static_cast<int>(bmp.size()), nullptr, 0, 1, 1);
  ASSERT_GE(mirrored, 0);
  ClearDrawTarget();
  PutGraph(0, 0, mirrored, 0);
  EXPECT_EQ(BackPixel(0, 3), Picture(kWidth - 1, 3));
  EXPECT_EQ(CreateGraphFromMemoryImage("BM", 2, nullptr, 0, 1, 0), -1);
}

TEST_F(GraphFilesTest, ADeviceLossReloadsCellsWithOneDecodeAndPassesOverMemoryGraphs) {
  StartGraphicsAt(32);
  WriteFile("cells.bmp", PictureBmp());
  const int sheet = ReadImageFileToGraph("cells.bmp", 1, 0, 0);
  ASSERT_GE(sheet, 0);
  const int left = CreateSubGraph(0, 0, 8, 8, sheet);
  const int right = CreateSubGraph(8, 0, 8, 8, sheet);
  ASSERT_GE(right, 0);
  const std::string bmp = PictureBmp();
  const int fromMemory = CreateGraphFromMemoryImage(bmp.data(), static_cast<int>(bmp.size()), nullptr, 0, 1, 0);
  ASSERT_GE(fromMemory, 0);

  const int before = ImageDecodeCount();
  LoseDevice();
  EXPECT_EQ(ImageDecodeCount() - before, 1);
  for (int graph : {sheet, left, right, fromMemory}) EXPECT_EQ(GetGraphRecord(graph)->restoreNeeded, 0);
  ExpectShows(sheet, 0, 0, kWidth, kHeight);
  ExpectShows(left, 0, 0, 8, 8);
  ExpectShows(right, 8, 0, 8, 8);
  EXPECT_NE(ReadLog().find(Sjis("グラフィックを復帰します\r\n")), std::string::npos);
}

TEST_F(GraphFilesTest, ALongPathReloadsAndTheDirectoryIsSetBack) {
  StartGraphicsAt(32);
  const std::string folder = std::string(60, 'a') + "/" + std::string(60, 'b') + "/" + std::string(60, 'c');
  WriteFile(folder + "/picture.bmp", PictureBmp());
  std::string name = folder + "/picture.bmp";
  for (char& c : name)
    if (c == '/') c = '\\';
  ASSERT_GE(name.size(), 190u);
  const int graph = ReadImageFileToGraph(name.c_str(), 1, 0, 0);
  ASSERT_GE(graph, 0);
  char directory[1024] = {};
  FileLayerGetDirectory(directory);
  const int before = ImageDecodeCount();
  LoseDevice();
  EXPECT_EQ(ImageDecodeCount() - before, 1);
  ExpectShows(graph, 0, 0, kWidth, kHeight);
  char after[1024] = {};
  FileLayerGetDirectory(after);
  EXPECT_STREQ(after, directory);
}

}  // namespace
