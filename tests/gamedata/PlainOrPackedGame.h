#pragma once

#include <gtest/gtest.h>

#include "gamedata/GameFolder.h"
#include "media/PublicFunctions.h"
#include "platform/dialogs/MessageBox.h"
#include "support/GameFolderBuilder.h"

// A game folder whose Data is a plain folder (parameter false) or packed into
// Data.vorn (true), with the archive reader set up to find it.
class PlainOrPackedGameTest : public testing::TestWithParam<bool> {
 protected:
  explicit PlainOrPackedGameTest(int archiveVersion = 3) : archiveVersion_(archiveVersion) {}

  void SetUp() override {
    platform::ClearRecordedMessageBoxes();
    if (GetParam()) {
      ArchiveUseSet(1);
      ArchiveExtensionSet("vorn");
      ArchiveKeyStringSet(kKeyString);
      game.PackData(kKeyString, archiveVersion_);
    }
  }
  void TearDown() override { ArchiveUseSet(0); }

  static constexpr const char* kKeyString = "gamekey";
  GameFolder folder;
  GameFolderBuilder game;

 private:
  int archiveVersion_;
};

inline std::string PlainOrPackedName(const testing::TestParamInfo<bool>& info) {
  return info.param ? "Packed" : "Plain";
}
