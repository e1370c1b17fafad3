#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "support/Commands.h"
#include "support/DemoGame.h"
#include "support/GameOnXvfb.h"
#include "support/PngReader.h"
#include "support/SaveFileWriter.h"
#include "support/ScratchFolder.h"

// A damaged demo played by the real Game, headless with a frame limit: each
// damage ends the game with a notice on stderr or lets it go on to the last
// frame; never a crash, a sanitizer report or a hang.

namespace {

namespace fs = std::filesystem;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitizerBuild = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitizerBuild = true;
#else
constexpr bool kSanitizerBuild = false;
#endif
#else
constexpr bool kSanitizerBuild = false;
#endif

// The demo's tour up to its first frames in the cave: new game, the talk
// with the sign, the door; the run's last frame is in the cave.
constexpr int kFramesToTheCave = 460;
DemoInput TourToTheCave() {
  DemoInput runs;
  int frames = 0;
  for (const auto& [length, keys] : DemoTour()) {
    if (frames >= kFramesToTheCave) break;
    runs.emplace_back(std::min(length, kFramesToTheCave - frames), keys);
    frames += runs.back().first;
  }
  return runs;
}

// "Load" on the title (the choice's second line), and a while after.
const DemoInput kLoadOnTheTitle = {{30, 0}, {3, kDemoDown}, {10, 0}, {3, kDemoConfirm}};
constexpr int kFramesAfterLoad = 120;

void WriteBytes(const fs::path& file, const std::vector<uint8_t>& bytes) {
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> ReadBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct GameRun {
  int exitCode = -1;
  std::string errors;  // stderr
  bool reachedLastFrame = false;
};

// Plays `game` with the replay for `frames` frames; a screenshot after the
// last frame tells that the game went on to the end.
GameRun Play(const ScratchFolder& scratch, const fs::path& game, const DemoInput& input, int frames) {
  const fs::path replay = scratch.Path() / "input.replay";
  const fs::path shot = scratch.Path() / "last.png";
  const fs::path errors = scratch.Path() / "stderr.txt";
  // Input to past the last frame, so that no end-of-replay notice comes.
  DemoInput padded = input;
  padded.emplace_back(frames, 0);
  WriteBytes(replay, DemoReplayLog(padded));
  const std::string output =
      // A lock folder of its own: a Game of a parallel test is no second copy.
      RunCommand("XDG_RUNTIME_DIR=" + scratch.Path().string() + " timeout -k 5 120 " + GameExecutable().string() +
                 " --headless " + std::to_string(frames) + " --replay " + replay.string() + " --screenshot " +
                 std::to_string(frames) + ":" + shot.string() + " " + game.string() + " >/dev/null 2>" +
                 errors.string() + "; echo $?");
  GameRun run;
  run.exitCode = std::atoi(output.c_str());
  run.errors = ScratchFolder::Read(errors);
  run.reachedLastFrame = fs::exists(shot);
  return run;
}

// What every damaged run must show: an end of its own (no hang: timeout gives
// 124; no crash: a signal gives 128 + n), no sanitizer report, and either the
// last frame or a notice.
void ExpectCleanEnd(const GameRun& run, const std::string& what) {
  EXPECT_NE(run.exitCode, 124) << what << ": the game hung\n" << run.errors;
  EXPECT_TRUE(run.exitCode == 0 || run.exitCode == 1) << what << ": exit code " << run.exitCode << "\n" << run.errors;
  EXPECT_EQ(run.errors.find("Sanitizer"), std::string::npos) << what << "\n" << run.errors;
  EXPECT_EQ(run.errors.find("runtime error"), std::string::npos) << what << "\n" << run.errors;
  if (!run.reachedLastFrame) {
    EXPECT_NE(run.errors.find('['), std::string::npos) << what << ": ended without a notice";
  }
}

// Every file of the demo, relative to its folder, in name order.
std::vector<fs::path> DemoFiles(const fs::path& game) {
  std::vector<fs::path> files;
  for (const auto& entry : fs::recursive_directory_iterator(game))
    if (entry.is_regular_file()) files.push_back(fs::relative(entry.path(), game));
  std::sort(files.begin(), files.end());
  return files;
}

TEST(DamagedDemoTest, TheUndamagedDemoPlaysToTheLastFrameWithoutANotice) {
  if (!fs::exists(GameExecutable())) GTEST_SKIP() << "Game is not built";
  for (const DemoForm form : {DemoForm::Plain, DemoForm::Packed}) {
    ScratchFolder scratch;
    const fs::path game = scratch.Path() / "game";
    WriteDemoGame(game, form);
    const GameRun run = Play(scratch, game, TourToTheCave(), kFramesToTheCave);
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_TRUE(run.reachedLastFrame) << run.errors;
    EXPECT_EQ(run.errors.find('['), std::string::npos) << run.errors;
  }
}

// Each file of the plain demo cut to half its length, one at a time. A
// sanitizer build, some twenty times slower, cuts one file of each kind.
TEST(DamagedDemoTest, EachFileCutShortEndsWithANoticeOrGoesOn) {
  if (!fs::exists(GameExecutable())) GTEST_SKIP() << "Game is not built";
  ScratchFolder scratch;
  const fs::path pristine = scratch.Path() / "pristine";
  WriteDemoGame(pristine, DemoForm::Plain);
  const std::vector<fs::path> files = DemoFiles(pristine);
  ASSERT_GT(files.size(), 10u);
  std::set<fs::path> kindsCut;
  for (const fs::path& file : files) {
    if (kSanitizerBuild && !kindsCut.insert(file.extension()).second) continue;
    const fs::path game = scratch.Path() / "game";
    fs::remove_all(game);
    fs::copy(pristine, game, fs::copy_options::recursive);
    std::vector<uint8_t> bytes = ReadBytes(game / file);
    bytes.resize(bytes.size() > 1 ? bytes.size() / 2 : 0);
    WriteBytes(game / file, bytes);
    ExpectCleanEnd(Play(scratch, game, TourToTheCave(), kFramesToTheCave), file.string() + " cut short");
  }
}

// The packed demo's archive damaged three ways.
TEST(DamagedDemoTest, ABrokenArchiveEndsWithANoticeOrGoesOn) {
  if (!fs::exists(GameExecutable())) GTEST_SKIP() << "Game is not built";
  struct Damage {
    const char* name;
    void (*apply)(std::vector<uint8_t>&);
  };
  const Damage damages[] = {
      {"cut to half", [](std::vector<uint8_t>& b) { b.resize(b.size() / 2); }},
      {"emptied", [](std::vector<uint8_t>& b) { b.clear(); }},
      {"middle overwritten",
       [](std::vector<uint8_t>& b) {
         for (size_t i = b.size() / 3; i < b.size() * 2 / 3; ++i) b[i] ^= 0x5A;
       }},
      {"header overwritten",
       [](std::vector<uint8_t>& b) {
         for (size_t i = 0; i < b.size() && i < 64; ++i) b[i] = static_cast<uint8_t>(0xFF - i);
       }},
  };
  for (const Damage& damage : damages) {
    ScratchFolder scratch;
    const fs::path game = scratch.Path() / "game";
    WriteDemoGame(game, DemoForm::Packed);
    int archives = 0;
    for (const fs::path& file : DemoFiles(game)) {
      if (file.extension() != ".vorn") continue;
      std::vector<uint8_t> bytes = ReadBytes(game / file);
      damage.apply(bytes);
      WriteBytes(game / file, bytes);
      ++archives;
    }
    ASSERT_GT(archives, 0);
    ExpectCleanEnd(Play(scratch, game, TourToTheCave(), kFramesToTheCave), std::string("archive ") + damage.name);
  }
}

// The title's light pixels (its text is white) in the rows about its place,
// after kTitleFrame frames of the title screen.
constexpr int kTitleFrame = 30;
struct TitleShot {
  GameRun run;
  std::vector<std::vector<bool>> ink;  // rows of the light pixels' bounding box
  int x0 = 0, y0 = 0;
  int count = 0;
};
TitleShot ShootTitle(const ScratchFolder& scratch, const fs::path& game) {
  TitleShot shot;
  shot.run = Play(scratch, game, {{kTitleFrame, 0}}, kTitleFrame);
  int width = 0, height = 0;
  const std::vector<uint32_t> pixels = ReadPngFile((scratch.Path() / "last.png").string(), &width, &height);
  if (width != 640 || height != 480) return shot;
  const auto light = [&](int x, int y) {
    const uint32_t c = pixels[static_cast<size_t>(y * width + x)];
    return (c >> 16 & 0xFF) >= 0xE0 && (c >> 8 & 0xFF) >= 0xE0 && (c & 0xFF) >= 0xE0;
  };
  int x0 = width, y0 = height, x1 = 0, y1 = 0;
  for (int y = kDemoTitleY - 24; y < kDemoTitleY + 24; ++y)
    for (int x = 0; x < width; ++x)
      if (light(x, y)) {
        x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x + 1), y1 = std::max(y1, y + 1);
        ++shot.count;
      }
  shot.x0 = x0;
  shot.y0 = y0;
  for (int y = y0; y < y1; ++y) {
    shot.ink.emplace_back();
    for (int x = x0; x < x1; ++x) shot.ink.back().push_back(light(x, y));
  }
  return shot;
}

// The demo's own font, a font file in its folder, draws the title letter for
// letter as it was designed. With the file gone the title is drawn in the
// installed face instead, and the game plays on to the last frame without a
// notice.
TEST(DamagedDemoTest, AMissingFontLetsTheGameGoOn) {
  if (!fs::exists(GameExecutable())) GTEST_SKIP() << "Game is not built";
  ScratchFolder scratch;
  const fs::path game = scratch.Path() / "game";
  WriteDemoGame(game, DemoForm::Plain);
  ASSERT_TRUE(fs::exists(game / kDemoTitleFontFile));

  const std::vector<std::string> design = DemoTitleInk();
  std::vector<std::vector<bool>> designed;
  for (const std::string& row : design) {
    designed.emplace_back();
    for (const char c : row) designed.back().push_back(c == '#');
  }
  const TitleShot own = ShootTitle(scratch, game);
  ASSERT_TRUE(own.run.reachedLastFrame) << own.run.errors;
  EXPECT_EQ(own.run.errors.find('['), std::string::npos) << own.run.errors;
  EXPECT_TRUE(own.ink == designed) << own.ink.size() << " rows at " << own.x0 << "," << own.y0;
  // Centred at (320, kDemoTitleY), above the choice window.
  EXPECT_LE(std::abs(own.x0 + static_cast<int>(design[0].size()) / 2 - 320), 2) << own.x0;
  EXPECT_LE(std::abs(own.y0 + static_cast<int>(design.size()) / 2 - kDemoTitleY), 4) << own.y0;

  for (const fs::path& file : DemoFiles(game))
    if (file.extension() == ".ttf" || file.extension() == ".ttc") fs::remove(game / file);
  ASSERT_FALSE(fs::exists(game / kDemoTitleFontFile));
  const TitleShot installed = ShootTitle(scratch, game);
  EXPECT_EQ(installed.run.exitCode, 0) << installed.run.errors;
  ASSERT_TRUE(installed.run.reachedLastFrame) << installed.run.errors;
  EXPECT_EQ(installed.run.errors.find('['), std::string::npos) << installed.run.errors;
  EXPECT_GT(installed.count, 200);
  EXPECT_FALSE(installed.ink == designed);

  const GameRun run = Play(scratch, game, TourToTheCave(), kFramesToTheCave);
  EXPECT_EQ(run.exitCode, 0) << run.errors;
  EXPECT_TRUE(run.reachedLastFrame) << run.errors;
  EXPECT_EQ(run.errors.find('['), std::string::npos) << run.errors;
}

// A save another game wrote, in the demo's slot 1: loading it from the title
// shows the save error with that game's title and the demo goes on.
TEST(DamagedDemoTest, ASaveFromAnotherGameShowsTheSaveErrorAndTheGameGoesOn) {
  if (!fs::exists(GameExecutable())) GTEST_SKIP() << "Game is not built";
  for (const DemoForm form : {DemoForm::Plain, DemoForm::Packed}) {
    ScratchFolder scratch;
    const fs::path game = scratch.Path() / "game";
    WriteDemoGame(game, form);
    SaveFileSpec other;
    other.title = "Another Game";
    WriteBytes(game / "Save" / "SaveData01.sav", WriteSaveFileImage(other));
    const GameRun run = Play(scratch, game, kLoadOnTheTitle, 46 + kFramesAfterLoad);
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_TRUE(run.reachedLastFrame) << run.errors;
    EXPECT_NE(
        run.errors.find("[notice] セーブエラー | 異なるゲーム「Another Game」のセーブデータをロードしようとしました"),
        std::string::npos)
        << run.errors;
  }
}

}  // namespace
