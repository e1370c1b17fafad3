#include "shell/Startup.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "gamedata/CommonEvent.h"
#include "gamedata/Database.h"
#include "gamedata/GameInfo.h"
#include "gamedata/GameText.h"
#include "gamedata/GlobalObjects.h"
#include "gamedata/RandomSeedLog.h"
#include "gamedata/SaveBuffer.h"
#include "gamedata/SaveManager.h"
#include "gamedata/VariableStore.h"
#include "interpreter/EventRunner.h"
#include "interpreter/LinkPass.h"
#include "map/CurrentMap.h"
#include "map/Hero.h"
#include "media/PublicFunctions.h"
#include "platform/dialogs/MessageBox.h"
#include "platform/display/Desktop.h"
#include "platform/files/Files.h"
#include "platform/fonts/Fonts.h"
#include "platform/process/ExecutableFolder.h"
#include "platform/text/Text.h"
#include "platform/window/Window.h"
#include "presentation/RestoreGraphics.h"
#include "presentation/TextResources.h"
#include "shell/Frame.h"
#include "shell/FrameControls.h"
#include "shell/GameIni.h"
#include "shell/GamePaths.h"
#include "shell/GameSystem.h"
#include "shell/MidiLibrary.h"
#include "shell/NoticeBox.h"
#include "shell/PlayerInput.h"
#include "shell/Replay.h"
#include "shell/ShellServices.h"
#include "shell/SoundManager.h"
#include "shell/SpeechLibrary.h"
#include "shell/StartupGlobals.h"

namespace {

// Registers the game's own fonts of the current folder ("*.ttf", then
// "*.ttc"); the list keeps the names they are removed by at shutdown.
void RegisterFolderFonts(std::vector<std::string>& fonts) {
  for (const char* pattern : {"*.ttf", "*.ttc"}) {
    platform::FindData found{};
    const int search = platform::FindFirst(pattern, &found);
    if (search <= 0) continue;
    do {
      if (found.directory) continue;
      // By absolute path, so removal finds it whatever the current folder.
      std::error_code error;
      const auto full = std::filesystem::absolute(platform::NativePath(found.name), error);
      if (error) continue;
      const std::string name = platform::Utf8ToCp932(full.string());
      if (platform::AddApplicationFont(name)) fonts.push_back(name);
    } while (platform::FindNext(search, &found));
    platform::FindClose(search);
  }
}

void RemoveFonts(std::vector<std::string>& fonts) {
  for (const std::string& name : fonts) platform::RemoveApplicationFont(name);
  fonts.clear();
}

std::string ExecutableFolderPath(const GameOptions& options) {
  std::string path;
  if (!options.gameFolder.empty()) {
    std::error_code error;
    const auto full = std::filesystem::absolute(options.gameFolder, error);
    path = platform::RuntimeAbsolutePath(full.lexically_normal().string());
  } else {
    path = platform::ExecutablePath();
    const size_t cut = path.rfind('\\');
    path = cut == std::string::npos ? std::string() : path.substr(0, cut);
  }
  while (!path.empty() && path.back() == '\\') path.pop_back();
  return path + "\\";
}

int SettingsByte(int index) {
  return index < static_cast<int>(gGameInfo.settings.size()) ? gGameInfo.settings[static_cast<size_t>(index)] : 0;
}

}  // namespace

bool ParseGameArguments(const std::vector<std::string>& arguments, GameOptions& options, std::string& error) {
  std::string rest;
  bool firstPlain = true;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    const bool hasValue = i + 1 < arguments.size();
    if (argument == "--headless") {
      if (!hasValue) return error = "--headless needs a frame count", false;
      char* end = nullptr;
      const long frames = std::strtol(arguments[++i].c_str(), &end, 10);
      if (*end != '\0' || frames < 0 || frames > 100000000) return error = "--headless needs a frame count", false;
      options.headless = true;
      options.frames = static_cast<int>(frames);
    } else if (argument == "--screenshot") {
      const std::string value = hasValue ? arguments[++i] : std::string();
      const size_t colon = value.find(':');
      const std::string number = colon == std::string::npos ? std::string() : value.substr(0, colon);
      char* end = nullptr;
      const long frame = number.empty() ? -1 : std::strtol(number.c_str(), &end, 10);
      if (frame < 1 || *end != '\0' || colon + 1 >= value.size()) return error = "--screenshot needs FRAME:FILE", false;
      options.screenshots.emplace_back(static_cast<int>(frame), value.substr(colon + 1));
    } else if (argument == "--replay") {
      if (!hasValue) return error = "--replay needs a file", false;
      options.replayFile = arguments[++i];
    } else if (argument == "--opengl" || argument == "--software") {
      const auto renderer = argument == "--opengl" ? GameOptions::Renderer::OpenGl : GameOptions::Renderer::Software;
      if (options.renderer != GameOptions::Renderer::Settings && options.renderer != renderer)
        return error = "--opengl and --software exclude each other", false;
      options.renderer = renderer;
    } else if (argument == "--help" || argument == "-h") {
      options.help = true;
    } else if (argument.size() > 2 && argument.compare(0, 2, "--") == 0) {
      return error = "unknown option " + argument, false;
    } else if (options.gameFolder.empty() &&
               (std::filesystem::is_directory(argument) || (firstPlain && argument.find('/') != std::string::npos))) {
      // A path in the game folder's place names the game folder even when
      // it is mistyped: the start then says it is missing.
      options.gameFolder = argument;
      firstPlain = false;
    } else {
      if (!rest.empty()) rest += ' ';
      rest += argument;
      firstPlain = false;
    }
  }
  if (!options.screenshots.empty() && !options.headless) return error = "--screenshot needs --headless", false;
  for (const auto& [frame, file] : options.screenshots)
    if (frame > options.frames)
      return error = "--screenshot " + std::to_string(frame) + ":" + file + " comes after the last frame (" +
                     std::to_string(options.frames) + ")",
             false;
  if (!options.replayFile.empty())
    options.replayFile = platform::Utf8ToCp932(std::filesystem::absolute(options.replayFile).string());
  // Screenshot files named relative to where the player was started.
  for (auto& [frame, file] : options.screenshots)
    file = platform::Utf8ToCp932(std::filesystem::absolute(file).string());
  options.commandLine = rest;
  return true;
}

std::string GameUsage(const std::string& command) {
  return "usage: " + command + " [OPTION]... [GAME_FOLDER] [Play_As_Test]\n" +
         "Plays the game in GAME_FOLDER, or in the folder of " + command + " itself.\n" +
         "\n"
         "  --headless N             run N frames without a window, then end\n"
         "  --replay FILE            take the input from the replay log in FILE\n"
         "  --screenshot FRAME:FILE  (with --headless) write the screen after FRAME to FILE as PNG\n"
         "  --opengl                 draw with OpenGL, even on a software rasteriser\n"
         "  --software               draw in software (as SoftModeFlag=1 in Game.ini)\n"
         "  -h, --help               show this text and end\n"
         "  Play_As_Test             test play, when nothing else is left after the options\n";
}

std::string CommandName(const char* argv0) {
  const std::string path = argv0 != nullptr ? argv0 : "";
  const std::string name = path.substr(path.rfind('/') + 1);
  return name.empty() ? "Game" : name;
}

void RestartGame(bool firstPass) {
  ShowMouseCursor(gEventSystem.mouseCursorShown);
  RebuildCommonEvents();
  for (int kind = 0; kind < 3; ++kind) PlaySoundChannel(kind, -1, 0, 0);
  for (int i = 0; i < 3; ++i) UpdateSounds();
  DeleteAllSoundHandles(0);
  ResetSoundManager();
  SizeSoundTables();
  UpdateSounds();
  gEventAbortFlag = 0;
  RenewReplayLogAtRestart();
  if (!firstPass) LoadDatabases();
  gTextResources.SetUpFonts();
  // The old record's screen graphs go with it: a restart leaks no graph.
  GameSystem fresh = ConstructGameSystem();
  ReleaseGameSystemGraphs(gGameSystem);
  gGameSystem = std::move(fresh);
  ComputeSoundListSizes();
  if (gTestPlay) gGameSystem.infoMode = 1;
  gVariableDatabase = Database();
  gVariableDatabase.LoadDatabaseFiles("BasicData\\CDataBase");
  gVariableStore = VariableStore(gCommonEventList.Count());
  gEventSystem = EventSystem(EventSystem::StaticInit{});
  gHero.ConstructHero();
  if (gGameInfo.strings.size() > 7) gHero.graphicName = gGameInfo.strings[7];
  gCurrentMap = CurrentMap();
  gCurrentMap.ResetCurrentMap();
  gPictureList = PictureList(false);
  ResetInputState(gInput);
  gVariableStore.context = &gEventSystem;
  gHero.ApplyMovementSettings();
  SelectDrawTarget(-2);
  gFrameSkipMode = gFrameSkipSetting;
  SetFrameSkipMode(gFrameSkipMode);
  gSaveManager = SaveManager();
  gGameSystem.runState = 1;
  gCurrentMap.mapId = -1;
  gGameSystem.transferPending = 0;
  gGameSystem.transferMapId = gSystemDatabase.ReadDatabaseInt(7, 0, 0);
  gGameSystem.transferX = gSystemDatabase.ReadDatabaseInt(7, 0, 1) * 2;
  gGameSystem.transferY = gSystemDatabase.ReadDatabaseInt(7, 0, 2) * 2;
  if (gTestPlay) BuildDatabaseNameIndexes();
  LinkCommonEventCommands();
  gEventSystem.StartEventRunner(0, 1);
  LinkDatabases();
}

bool LoadReplayLog(const std::vector<uint8_t>& bytes) {
  gSaveBuffer.BeginRead(bytes);
  RandomSeedLog log;
  std::swap(log, gRandomSeedLog);
  if (!gRandomSeedLog.LoadRandomSeedLog() || gRandomSeedLog.codes.empty()) {
    std::swap(log, gRandomSeedLog);
    return false;
  }
  gRandomSeedLog.replayCounter = 0;
  gReplayPlaying = 1;
  gReplayFinished = 0;
  return true;
}

namespace {

// Far beyond any real replay log (a few bytes per run of equal frames).
constexpr int64_t kMaxReplayBytes = int64_t{64} << 20;

// Takes the replay log named on the command line; on failure, why not.
bool LoadReplayFile(const std::string& path, std::string& problem) {
  std::string bytes;
  switch (platform::ReadSmallRegularFile(path, kMaxReplayBytes, &bytes)) {
    case platform::SmallFileRead::Ok: break;
    case platform::SmallFileRead::Missing: return problem = "does not exist", false;
    case platform::SmallFileRead::Unreadable: return problem = "cannot be read", false;
    case platform::SmallFileRead::NotRegular: return problem = "is not a regular file", false;
    case platform::SmallFileRead::TooLarge: return problem = "is larger than 64 MiB", false;
  }
  if (!LoadReplayLog(std::vector<uint8_t>(bytes.begin(), bytes.end()))) return problem = "holds no replay log", false;
  return true;
}

// Why a screenshot cannot be written to `file` (a path on disk), or nothing:
// told before playing rather than found at the frame.
std::string ScreenshotProblem(const std::filesystem::path& file) {
  std::error_code error;
  const auto status = std::filesystem::status(file, error);
  if (std::filesystem::exists(status)) {
    if (std::filesystem::is_directory(status)) return "is a folder";
    return access(file.c_str(), W_OK) == 0 ? std::string() : "cannot be written";
  }
  const std::filesystem::path folder = file.parent_path();
  if (!std::filesystem::is_directory(folder, error)) return "is in no folder that exists";
  return access(folder.c_str(), W_OK | X_OK) == 0 ? std::string() : "is in a folder that cannot be written";
}

// The files and the folder the command line names, checked before anything
// is started or written. False after a line on stderr saying what is wrong.
bool CheckCommandLineFiles(const GameOptions& options) {
  const char* command = options.command.c_str();
  if (!options.gameFolder.empty() && !std::filesystem::is_directory(options.gameFolder)) {
    const bool exists = std::filesystem::exists(options.gameFolder);
    (void)std::fprintf(stderr, exists ? "%s: %s is not a folder\n" : "%s: the folder %s does not exist\n", command,
                       options.gameFolder.c_str());
    return false;
  }
  for (const auto& [frame, file] : options.screenshots) {
    const std::string problem = ScreenshotProblem(platform::NativePath(file));
    if (problem.empty()) continue;
    (void)std::fprintf(stderr, "%s: the screenshot file %s %s\n", command, platform::Cp932ToUtf8(file).c_str(),
                       problem.c_str());
    return false;
  }
  std::string problem;
  if (!options.replayFile.empty() && !LoadReplayFile(options.replayFile, problem)) {
    (void)std::fprintf(stderr, "%s: the replay file %s %s\n", command,
                       platform::Cp932ToUtf8(options.replayFile).c_str(), problem.c_str());
    return false;
  }
  return true;
}

}  // namespace

bool RunHeadlessPass(GameSession& session) {
  if (RunMessageLoopRound() != 0) return false;
  if (gGameSystem.runState == 0) {
    RestartGame(session.firstPass);
    session.firstPass = false;
    // As the main loop does on entry.
    session.scene.drawAccumulator = 0.0f;
    RebuildCharacterSprites(*session.scene.mapView);
  }
  const bool playing = RunLoopPass(session.scene);
  EndLoopPass(session.scene);
  return playing || gGameSystem.runState == 0;
}

int GameMain(const GameOptions& options) {
  GameSession session;
  const int started = StartGame(options, session);
  // A missing Game.dat is a failed start, not a normal end.
  if (started == 0) return 1;
  if (started != 1) return started;
  const bool played = PlayGame(options, session);
  ShutDownGame(session);
  return played ? 0 : 1;
}

int StartGame(const GameOptions& options, GameSession& session) {
  if (!CheckCommandLineFiles(options)) return 0;
  gTestPlay = options.commandLine == "Play_As_Test" ? 1 : 0;
  const int desktopDepth = platform::DesktopColorDepth();
  SetMainWindowIcon(101);
  SetUse3DForNewGraphs(1);
  gExeFolderPath = ExecutableFolderPath(options);
  gDataFolderPath = gExeFolderPath + "\\Data\\";
  if (!options.gameFolder.empty()) platform::CurrentDirectorySet(gExeFolderPath);

  std::vector<std::string>& fonts = session.fonts;
  RegisterFolderFonts(fonts);
  platform::CurrentDirectorySet(gDataFolderPath);
  RegisterFolderFonts(fonts);
  platform::CurrentDirectorySet(gExeFolderPath);

  if (!gGameInfo.LoadGameInfoFile("Game.dat")) {
    // The box names the file only; which folder was searched matters when
    // the folder came from the command line or Game's own place.
    (void)std::fprintf(stderr, "%s: no Game.dat in %s\n", options.command.c_str(),
                       platform::NativePath(gExeFolderPath).c_str());
    platform::CurrentDirectorySet(gExeFolderPath);
    RemoveFonts(fonts);
    FreeSpeechLibrary();
    return 0;
  }
  // Saves and Game.ini are replaced through temporary files, which a run
  // killed mid-write leaves behind. A young one may be another run's of this
  // folder still writing.
  platform::RemoveReplaceLeftovers("Save\\*.sav", 60);
  platform::RemoveReplaceLeftovers("Game.ini", 60);
  SetRunWhileInactive(1);
  for (size_t index : {size_t{15}, size_t{16}})
    if (index < gGameInfo.settings.size() && gGameInfo.settings[index] < 4) gGameInfo.settings[index] = 4;
  gMidiAvailable = 1;
  EnableLibraryLog(gTestPlay);
  const int depth = desktopDepth == 16 ? 16 : 32;
  if (SettingsByte(0) == 32 || SettingsByte(0) == 16) {
    gTileSize = SettingsByte(0);
    SetScreenResolution(640, 480, depth, 60);
    gScreenScale = gTileSize == 32 ? 1 : 2;
  }
  gFrameStep = FrameStepFromDivisor(SettingsByte(4));
  gEventSystem.ApplyTileSizeLayout();
  SetMainWindowTitle(Cp932Text("起動中です、この処理にはしばらく時間がかかることがあります").c_str());

  GameIniValues ini;
  ReadGameIni(ini);
  gSoftModeFlag = ini.softMode;
  gWindowModeFlag = ini.windowMode;
  gSoundSetting = ini.sound;
  gFrameSkipSetting = ini.frameSkip;
  if (desktopDepth == 24 && gWindowModeFlag == 1) {
    gWindowModeFlag = 0;
    platform::ShowMessageBox(Cp932Text("24ビットカラーの画面モードでは、\r\nウィンドウモードでの起動ができません。\r\n"
                                       "強制的に全画面で起動します。"),
                             Cp932Text("画面モード調整"), platform::kMbOk);
  }
  // Headless runs draw as a window does but keep the player's setting, which
  // Game.ini gets back.
  ChangeWindowMode(options.headless ? 1 : gWindowModeFlag);
  if (options.renderer == GameOptions::Renderer::OpenGl) ForceHardwareRendering(1);
  if (StartMediaLibrary() == -1) {
    const std::string failure = platform::WindowStartFailure();
    if (!failure.empty())
      (void)std::fprintf(stderr, "%s: %s; --headless N plays without a window\n", options.command.c_str(),
                         failure.c_str());
    return -1;
  }
  SetNoticeOutput(options.headless ? NoticeOutput::Stderr : NoticeOutput::Screen);

  // The command line's choice holds for this run only; an unfinished start
  // or the soft-mode flag switch to software for good.
  using Renderer = GameOptions::Renderer;
  if (options.renderer == Renderer::Settings && (ini.start == 1 || gSoftModeFlag == 1)) {
    WriteGameIni(1, 1, 0);
    gSoftModeFlag = 1;
    SetUse3DForNewGraphs(0);
    SetHardwareRendering(0);
  } else if (options.renderer == Renderer::Software) {
    WriteGameIni(1, gSoftModeFlag, 0);
    SetUse3DForNewGraphs(0);
    SetHardwareRendering(0);
  } else {
    WriteGameIni(1, gSoftModeFlag, 0);
  }
  if (SettingsByte(3) == 1 && GGSSetDevice(SettingsByte(6) == 0 ? -1 : -1000, 0) != 0) {
    gMidiAvailable = 0;
    GGSFree();
  }
  if (SpeechLibraryPresent()) LoadSpeechLibrary();
  WriteGameIni(0, gSoftModeFlag, 0);
  ArchiveUseSet(1);
  ArchiveExtensionSet("vorn");
  ArchiveKeyStringSet(gGameInfo.strings.size() > 2 ? gGameInfo.strings[2].c_str() : "");
  SetTransparentColorKey(254, 0, 254);
  session.firstPass = true;
  LoadDatabases();
  BuildDatabaseNameIndexes();
  ConstructScene(session.scene);
  gTextResources.LoadIconList();
  SetGraphRestoreCallback(RestoreGraphics);
  ResetFrameControls();
  gGameSystem.runState = 0;
  return 1;
}

bool PlayGame(const GameOptions& options, GameSession& session) {
  if (options.headless) {
    int frame = 1;
    for (; frame <= options.frames; ++frame) {
      if (!RunHeadlessPass(session)) break;
      for (const auto& [at, file] : options.screenshots) {
        if (at != frame || SaveScreenAreaPng(0, 0, 640, 480, file.c_str(), 9) == 0) continue;
        (void)std::fprintf(stderr, "%s: the screenshot file %s could not be written\n", options.command.c_str(),
                           platform::Cp932ToUtf8(file).c_str());
        return false;
      }
    }
    // A game that ended early leaves later screenshots unwritten.
    for (const auto& [at, file] : options.screenshots) {
      if (at < frame) continue;
      (void)std::fprintf(stderr, "%s: the game ended before the screenshot of frame %d\n", options.command.c_str(), at);
      return false;
    }
    return true;
  }
  for (;;) {
    RestartGame(session.firstPass);
    session.firstPass = false;
    while (gGameSystem.runState == 1) {
      if (RunMessageLoopRound() != 0 || RunSceneMode(session.scene) != 0) gGameSystem.runState = -1;
    }
    if (gGameSystem.runState == -1) break;
  }
  return true;
}

void ShutDownGame(GameSession& session) {
  ReleaseAllGraphs(0);
  DeleteAllSoundHandles(0);
  ResetFontSystem();
  EndMediaLibrary();
  SetNoticeOutput(NoticeOutput::Report);
  if (SettingsByte(3) == 1) GGSFree();
  WriteGameIni(0, gSoftModeFlag, gFrameSkipMode);
  DestroyScene(session.scene);
  platform::CurrentDirectorySet(gExeFolderPath);
  RemoveFonts(session.fonts);
  FreeSpeechLibrary();
}
