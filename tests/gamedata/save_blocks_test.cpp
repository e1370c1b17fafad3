#include <gtest/gtest.h>

#include <filesystem>

#include "gamedata/SaveWorld.h"
#include "support/ByteBuilder.h"

namespace {

class SaveBlocksTest : public SaveWorldTest {};
INSTANTIATE_TEST_SUITE_P(Plain, SaveBlocksTest, testing::Values(false));

// The BGM and BGS entries at offsets 10 and 14 of the event-system block.
std::pair<int32_t, int32_t> StoredSounds(const EventSystem& es) {
  gSaveBuffer.BeginWrite();
  es.SaveEventSystemState();
  int32_t bgm = 0, bgs = 0;
  std::memcpy(&bgm, gSaveBuffer.data.data() + 10, 4);
  std::memcpy(&bgs, gSaveBuffer.data.data() + 14, 4);
  return {bgm, bgs};
}

TEST_P(SaveBlocksTest, SoundsInTheSpareRowsAreStoredAsFileNamed) {
  // 20 BGM rows and 15 BGS rows: the last ten of each are the spare rows.
  gSystemDatabase.types[1].rows.resize(20);
  gSystemDatabase.types[2].rows.resize(15);
  struct Case {
    int32_t bgm, bgs, storedBgm, storedBgs;
  };
  const std::vector<Case> cases{{9, 4, 9, 4}, {10, 5, -3, -3}, {-1, -1, -1, -1}, {-3, 6, -3, -3}};
  EventSystem es;
  for (const Case& c : cases) {
    es.currentBgm = c.bgm;
    es.currentBgs = c.bgs;
    EXPECT_EQ(StoredSounds(es), std::make_pair(c.storedBgm, c.storedBgs));
  }
  // Fewer than ten rows: even "none" is stored as file-named.
  gSystemDatabase.types[1].rows.resize(5);
  es.currentBgm = -1;
  EXPECT_EQ(StoredSounds(es).first, -3);
}

TEST_P(SaveBlocksTest, KeyCodesAreStoredKeyAndPadInTurn) {
  EventSystem es;
  es.keyCodes = {1, 2, 3, 4, 5, 6};
  gSaveBuffer.BeginWrite();
  es.SaveEventSystemState();
  std::vector<uint8_t> block = gSaveBuffer.data;
  // The key codes follow the five int32 of row 27, which follow the two lists.
  ByteBuilder keys;
  for (int32_t code : {1, 4, 2, 5, 3, 6}) keys.Int32(code);
  auto at = std::search(block.begin(), block.end(), keys.Data().begin(), keys.Data().end());
  EXPECT_NE(at, block.end());
  gSaveBuffer.BeginRead(block);
  gSaveBuffer.formatNumber = 111;
  EventSystem read;
  ASSERT_TRUE(read.LoadEventSystemState());
  EXPECT_EQ(read.keyCodes, es.keyCodes);
  EXPECT_EQ(gSaveBuffer.position, block.size());
}

TEST_P(SaveBlocksTest, FieldsTooLongForTheirPlaceFailTheSave) {
  FillLiveState();
  // The longest text a 16-bit length holds is written and read back whole.
  gEventSystem.messagePrefix = std::string(32766, 'p');
  gHero.graphicName = std::string(32766, 'g');
  ASSERT_TRUE(gSaveManager.WriteSaveFile(1, true, "Save\\SaveData"));
  gSaveManager = SaveManager();
  ASSERT_TRUE(gSaveManager.ReadSaveFile(1, true, false, "Save\\SaveData"));
  EXPECT_EQ(gEventSystem.messagePrefix.size(), 32766u);
  EXPECT_EQ(gHero.graphicName.size(), 32766u);
  const std::string before = ScratchFolder::Read(SlotFile(1));

  struct Case {
    const char* what;
    void (*change)();
  };
  const std::vector<Case> cases{
      {"message prefix", [] { gEventSystem.messagePrefix = std::string(32767, 'p'); }},
      {"character graphic", [] { gHero.party[0].graphicName = std::string(32767, 'g'); }},
      {"picture source", [] { gPictureList.pictures.begin()->second.fileName = std::string(40000, 'f'); }},
      {"picture count",
       [] {
         for (int n = 0; gPictureList.pictures.size() < 32768; ++n) gPictureList.pictures.try_emplace(n, n);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FillLiveState();
    c.change();
    EXPECT_FALSE(gSaveManager.WriteSaveFile(1, true, "Save\\SaveData"));
    EXPECT_EQ(ScratchFolder::Read(SlotFile(1)), before);
  }
}

TEST_P(SaveBlocksTest, PictureCountsAndKeys) {
  struct Case {
    const char* what;
    ByteBuilder block;
    bool result;
    bool shortData;
  };
  std::vector<Case> cases;
  cases.push_back({"no pictures", ByteBuilder().Int16(0), true, false});
  cases.push_back({"negative count", ByteBuilder().Int16(-1).Fill(200), false, false});
  cases.push_back({"count beyond the data", ByteBuilder().Int16(3).Fill(200), false, true});
  for (Case& c : cases) {
    SCOPED_TRACE(c.what);
    PictureList list;
    list.pictures.try_emplace(4, 4);
    gSaveBuffer.BeginRead(c.block.Data());
    gSaveBuffer.formatNumber = 111;
    EXPECT_EQ(list.LoadPictureList(false), c.result);
    EXPECT_EQ(gSaveBuffer.shortData, c.shortData);
    // A refused count leaves the list as it was.
    EXPECT_EQ(list.pictures.count(4), c.result ? 0u : 1u);
  }
}

}  // namespace
