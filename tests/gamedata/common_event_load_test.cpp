#include <gtest/gtest.h>

#include "gamedata/CommonEvent.h"
#include "gamedata/GameFolder.h"
#include "media/PublicFunctions.h"
#include "platform/dialogs/MessageBox.h"
#include "support/CommandListBuilder.h"
#include "support/GameFolderBuilder.h"

namespace {

std::vector<CommonEvent> AsRead(std::vector<CommonEvent> events, int first = 0) {
  for (size_t i = 0; i < events.size(); ++i) events[i].id = first + static_cast<int>(i);
  return events;
}

class CommonEventLoadTest : public testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    platform::ClearRecordedMessageBoxes();
    if (GetParam()) {
      ArchiveUseSet(1);
      ArchiveExtensionSet("vorn");
      ArchiveKeyStringSet("events");
      game.PackData("events");
    }
  }
  void TearDown() override {
    ArchiveUseSet(0);
    gCommonEventList = CommonEventList{};
    gCommonEventNameIndex.clear();
    gCommonFileIndex.clear();
  }

  GameFolder folder;
  GameFolderBuilder game;
};

TEST_P(CommonEventLoadTest, ReadsCommonEventDat) {
  game.Write(folder.Root());
  CommonEventList list;
  ASSERT_TRUE(list.LoadCommonEventData("BasicData\\CommonEvent.dat"));
  EXPECT_EQ(list.events, AsRead(GameFolderBuilder::DefaultCommonEvents()));
  EXPECT_TRUE(platform::RecordedMessageBoxes().empty());
}

TEST_P(CommonEventLoadTest, MissingCommonEventDatIsReported) {
  game.Without("BasicData\\CommonEvent.dat");
  game.Write(folder.Root());
  CommonEventList list;
  EXPECT_FALSE(list.LoadCommonEventData("BasicData\\CommonEvent.dat"));
  EXPECT_EQ(list.Count(), 10);
  auto boxes = platform::RecordedMessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text,
            "\x83R\x83\x82\x83\x93\x83\x43\x83x\x83\x93\x83g\x83\x66\x81[\x83^\x82\xCC\x93\xC7\x82\xDD\x8D\x9E\x82\xDD"
            "\x82\xC9\x8E\xB8\x94s\x82\xB5\x82\xDC\x82\xB5\x82\xBD");
  EXPECT_EQ(boxes[0].caption, "\x93\xC7\x82\xDD\x8D\x9E\x82\xDD\x83G\x83\x89\x81[");
  EXPECT_EQ(boxes[0].flags, platform::kMbOk);
}

TEST_P(CommonEventLoadTest, SingleFilesFromTheGameFolderAndTheArchive) {
  CommonEvent extra;
  extra.name = "Extra";
  extra.commands = CommandListBuilder().Add(150, {1}).Build();
  game.CommonFile("Events\\Extra.common", {extra});
  game.DataFile("Packed.common", CommonFileImage({extra, extra}));
  game.Write(folder.Root());
  CommonEventList list;
  EXPECT_EQ(list.ReadCommonEventFile("Events\\Extra.common", 10, true), 1);
  ASSERT_EQ(list.Count(), 11);
  EXPECT_EQ(list.events[10], AsRead({extra}, 10)[0]);
  EXPECT_EQ(list.ReadCommonEventFile("Data\\Packed.common", 11, true), 2);
  EXPECT_EQ(list.Count(), 13);
  EXPECT_EQ(list.ReadCommonEventFile("Events\\Missing.common", 13, true), -1);
  EXPECT_EQ(list.Count(), 13);
  EXPECT_TRUE(platform::RecordedMessageBoxes().empty());
}

TEST_P(CommonEventLoadTest, RebuildLeavesNoStaleIndexEntries) {
  game.Write(folder.Root());
  // The state a call by name leaves: a ".common" event appended and indexed.
  gCommonEventList.ResizeCommonEventList(12);
  gCommonEventList.events[11].name = "FromFile";
  gCommonFileIndex["Extra.common"] = 11;
  gCommonEventNameIndex["FromFile"] = 11;

  EXPECT_TRUE(RebuildCommonEvents());
  EXPECT_EQ(gCommonEventList.events, AsRead(GameFolderBuilder::DefaultCommonEvents()));
  EXPECT_TRUE(gCommonFileIndex.empty());
  EXPECT_EQ(gCommonEventNameIndex, (std::map<std::string, int>{{"Greet", 0}, {"Step", 1}}));
}

INSTANTIATE_TEST_SUITE_P(PlainAndPacked, CommonEventLoadTest, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& info) { return info.param ? "Packed" : "Plain"; });

}  // namespace
