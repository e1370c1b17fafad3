// Writing (down to the disk) and peek-reading a large save: a 500 x 500 map
// with 500 events, 1,000 pictures and a Variable database of 100,000 cells.
// A save or a slot read runs inside one frame, so both are held against the
// 16 ms frame.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "gamedata/GameInfo.h"
#include "gamedata/SaveManager.h"

namespace {

constexpr int kSide = 500;
constexpr int kEvents = 500;
constexpr int kPictures = 1000;
constexpr int kRows = 10000;
constexpr int kIntContents = 10;

// A fresh folder as the game folder for the run; removed at the end.
class BenchFolder {
 public:
  BenchFolder() {
    previous_ = std::filesystem::current_path();
    path_ = std::filesystem::temp_directory_path() / ("save_file_bench_" + std::to_string(::getpid()));
    std::filesystem::create_directories(path_ / "Data" / "BasicData");
    std::filesystem::current_path(path_);
    // The Variable database's definitions are read with its block: none.
    if (FILE* project = std::fopen("Data/BasicData/CDataBase.project", "wb")) {
      const unsigned char none[4] = {0, 0, 0, 0};
      std::fwrite(none, 1, sizeof none, project);
      std::fclose(project);
    }
  }
  ~BenchFolder() {
    std::error_code error;
    std::filesystem::current_path(previous_, error);
    std::filesystem::remove_all(path_, error);
  }

 private:
  std::filesystem::path previous_;
  std::filesystem::path path_;
};

void FillLargeState() {
  gGameInfo.strings = {"Bench"};
  MapData& map = gCurrentMap.mapData;
  map.header.width = kSide;
  map.header.height = kSide;
  map.ResizeMapLayers(true, 0, 0);
  for (int x = 0; x < kSide; ++x)
    for (int y = 0; y < kSide; ++y) map.layers[0][x][y] = (x * 7 + y) % 400;
  gCurrentMap.mapId = 0;
  gCurrentMap.tileFlags.assign(2000, 3);
  gCurrentMap.eventCharacters.resize(kEvents);
  for (int i = 0; i < kEvents; ++i) {
    MapEventCharacter& event = gCurrentMap.eventCharacters[static_cast<size_t>(i)];
    event.id = i;
    event.graphicName = "CharaChip/people.png";
    event.route.route.resize(6);
  }
  gHero.trail.assign(100, 2);
  gPictureList.pictures.clear();
  for (int i = 0; i < kPictures; ++i) {
    Picture picture(i);
    picture.fileName = i % 2 ? "Picture/frame.png" : "A text picture " + std::to_string(i);
    picture.isTextPicture = static_cast<uint8_t>(i % 2 == 0);
    gPictureList.pictures.try_emplace(i, picture);
  }
  gPictureList.count = kPictures;
  DatabaseTypeData type;
  type.contentCodes.clear();
  for (int c = 0; c < kIntContents; ++c) type.contentCodes.push_back(1000 + c);
  type.rows.assign(kRows, DatabaseRow{std::vector<int32_t>(kIntContents, 12345), {}});
  gVariableDatabase.types = {type};
  gVariableStore.variableSets[0].assign(5000, 7);
}

void WriteLargeSave(benchmark::State& state) {
  BenchFolder folder;
  FillLargeState();
  for (auto _ : state) {
    if (!gSaveManager.WriteSaveFile(1, true, "Save\\SaveData")) state.SkipWithError("the save failed");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(std::filesystem::file_size("Save/SaveData01.sav")));
}
BENCHMARK(WriteLargeSave)->Unit(benchmark::kMillisecond)->UseRealTime();

void PeekLargeSave(benchmark::State& state) {
  BenchFolder folder;
  FillLargeState();
  if (!gSaveManager.WriteSaveFile(1, true, "Save\\SaveData")) state.SkipWithError("the save failed");
  for (auto _ : state) {
    // Not cached: every read goes to the file.
    gSaveManager.ClearSaveManager();
    if (!gSaveManager.ReadSaveFile(1, false, false, "Save\\SaveData")) state.SkipWithError("the read failed");
  }
}
BENCHMARK(PeekLargeSave)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
