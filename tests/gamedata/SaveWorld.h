#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "gamedata/GameInfo.h"
#include "gamedata/SaveBuffer.h"
#include "gamedata/SaveManager.h"
#include "map/MapWorld.h"
#include "shell/GamePaths.h"
#include "support/ScrambledFileWriter.h"
#include "support/ScratchFolder.h"

// The map world with a title, a Variable database and every save block's
// object filled: changed tiles, events mid-route, a party with a trail, an
// image and a text picture, and event-system fields away from their start
// values.
class SaveWorldTest : public MapWorldTest {
 protected:
  void SetUp() override {
    MapWorldTest::SetUp();
    gGameInfo.strings = {"Title"};
    // 100 normal variables in a fresh store, and self cells for every
    // common event.
    gSystemDatabase.types.resize(16);
    gSystemDatabase.types[14].rows.resize(100);
    gVariableStore = VariableStore(gCommonEventList.Count());
    gVariableStore.context = &gEventSystem;
    gExeFolderPath.clear();
    gSaveManager = SaveManager();
    gReplayPlaying = 0;
    gRandomSeedLog = RandomSeedLog();
  }
  void TearDown() override {
    gSaveManager = SaveManager();
    gReplayPlaying = 0;
    MapWorldTest::TearDown();
  }

  static void FillLiveState() {
    gCurrentMap.ChangeMap(0);
    gCurrentMap.mapData.layers[1][3][4] = 42;
    gCurrentMap.tileFlags[2] = 0x77;
    gCurrentMap.scrollX = 64;
    MapEventCharacter& event = gCurrentMap.eventCharacters[0];
    event.x = 11;
    event.routeRunning = 1;
    event.routePosition = 2;
    event.route.route.resize(3);
    event.graphicName = "Walker.png";
    gHero.graphicName = "Hero.png";
    gHero.x = 6;
    gHero.y = 8;
    gHero.party[0].graphicName = "Friend.png";
    gHero.party[1].opacity = 90;
    gHero.trail = {2, 4, 6, 8};
    gHero.formationMode = 1;

    Picture image(3);
    image.fileName = "Pic.png";
    image.xDivision = 2;
    image.targetX = -40;
    image.targetBlend = 2;
    image.anchor = 1;
    image.remainingFrames = 7;
    image.totalFrames = 9;
    image.targetColor = {10, -20, 30};
    image.toneTarget = 0x102030;
    image.shiftRemaining = 4;
    image.effectZoomFrom = 150;
    image.isMapBound = 1;
    Picture text(100001);
    text.isTextPicture = 1;
    text.textBlock.pendingText = "Hello \x82\xA0";
    text.targetOpacity = 200;
    gPictureList.pictures = {{image.number, image}, {text.number, text}};
    gPictureList.count = 2;

    DatabaseTypeData type;
    type.contentCodes = {2000, 1000, 1001};
    type.rows.assign(3, DatabaseRow{{1, 2}, {"row"}});
    type.rows[2].ints = {-7, 9};
    gVariableDatabase.types = {type};

    EventSystem& es = gEventSystem;
    es.playTimeSeconds = 3600;
    es.drawFactor = 0.5f;
    es.messageWindowX = 12;
    es.toneState = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    es.flashFrames = 4;
    es.fogValues = {1, 2, 3, 4, 5};
    es.heroOpacity = 128;
    es.choiceWindowMode = 0;
    es.scrollLock = 1;
    es.windowsFollowMouse = 1;
    es.transitionNumber = 3;
    es.transitionFlag = 1;
    es.savedPartyNames = {"A", "", "C"};
    es.partyOpacities = {1, 2, 3, 4, 5, 6};
    es.keyCodes = {1, 2, 3, 0x10, 0x20, 0x40};
    es.partyTrailDistance = 3;
    es.messagePrefix = "<";
    es.messageSuffix = ">";
    es.frameCounter = 77;
    es.seVolume = 50;
    es.bgmFileText = "Song.ogg";
    es.bgsFileValues = {1, 2, 3};
    es.panoramaFile = "Sky.png";
    es.partyFollowing = 0;

    gVariableStore.variableSets[0][5] = 55;
    gVariableStore.stringVariables = {"one", "two"};
  }

  // The blocks the live state writes (what a load must give back).
  static std::vector<uint8_t> LiveBlocks() {
    SaveStateSnapshot snapshot;
    snapshot.CaptureLiveState();
    gSaveBuffer.BeginWrite();
    snapshot.WriteSnapshotBlocks();
    return gSaveBuffer.data;
  }

  static std::filesystem::path SlotFile(int slot) {
    char name[32];
    std::snprintf(name, sizeof name, "Save/SaveData%.2i.sav", slot);
    return slot == 0 ? std::filesystem::path("Save/SaveData") : std::filesystem::path(name);
  }

  static std::vector<uint8_t> FileBytes(const std::filesystem::path& path) {
    const std::string text = ScratchFolder::Read(path);
    return std::vector<uint8_t>(text.begin(), text.end());
  }

  // The plain body of a save file on disk, its stored check byte verified.
  static std::vector<uint8_t> PlainBody(const std::filesystem::path& path) {
    std::vector<uint8_t> bytes = FileBytes(path);
    if (bytes.size() < 20) return {};
    std::vector<uint8_t> body(bytes.begin() + 20, bytes.end());
    ScrambleBytes(body.data(), body.size(), {bytes[0], bytes[3], bytes[9]});
    uint8_t sum = 0;
    for (uint8_t byte : body) sum = static_cast<uint8_t>(sum + byte);
    EXPECT_EQ(sum, bytes[2]);
    EXPECT_EQ(bytes[6], 0);
    EXPECT_EQ(bytes[8], 0);
    return body;
  }
};
