// Slot operations: one variable of a save file read or written without
// loading it, through the slot's snapshot.
#include "gamedata/SaveManager.h"

#include "gamedata/GameText.h"

namespace {

// Ids that name the running event's own self variables mean nothing inside
// a save file.
bool IsOwnSelfId(int id) { return (id >= 1100000 && id <= 1199999) || (id >= 1600000 && id <= 1699999); }
bool IsOwnCommonSelfId(int id) { return id >= 1600000 && id <= 1699999; }

}  // namespace

int SaveManager::ReadSaveSlotVariable(int slot, int id, const std::string& prefix) {
  if (slot < 0 || IsOwnSelfId(id)) return 0;
  if (!ReadSaveFile(slot, false, false, prefix)) return 0;
  SaveStateSnapshot& snapshot = snapshots[SaveFilePath(slot, prefix)];
  return snapshot.variableStore.ReadVariable(id, &snapshot.variableDatabase);
}

std::string SaveManager::ReadSaveSlotString(int slot, int id, const std::string& prefix) {
  if (slot < 0) return Cp932Text("ERROR -1番目以下のデータを読みに行っています");
  if (IsOwnCommonSelfId(id)) return std::string();
  if (!ReadSaveFile(slot, false, false, prefix)) return std::string();
  SaveStateSnapshot& snapshot = snapshots[SaveFilePath(slot, prefix)];
  return snapshot.variableStore.ReadStringVariable(id, &snapshot.variableDatabase);
}

namespace {

// The slot's snapshot ready for one changed value: read from its file, or a
// fresh game when there is none. Null when the file exists but does not
// read: writing back would replace it with a fresh game.
SaveStateSnapshot* SnapshotForWrite(SaveManager& manager, int slot, const std::string& prefix) {
  manager.ReadSaveFile(slot, false, false, prefix);
  const std::string path = SaveManager::SaveFilePath(slot, prefix);
  if (manager.cachedFlags[path]) return &manager.snapshots[path];
  if (!manager.missingFlags[path]) return nullptr;
  SaveStateSnapshot& snapshot = manager.snapshots[path];
  snapshot.ResetSnapshotState();
  return &snapshot;
}

}  // namespace

void SaveManager::WriteSaveSlotVariables(int slot, int id, int value, const std::string& prefix) {
  if (IsOwnSelfId(id)) return;
  SaveStateSnapshot* snapshot = SnapshotForWrite(*this, slot, prefix);
  if (!snapshot) return;
  snapshot->variableStore.WriteVariable(id, value, &snapshot->variableDatabase);
  WriteSaveFile(slot, false, prefix);
}

void SaveManager::WriteSaveSlotStrings(int slot, int id, const std::string& value, const std::string& prefix) {
  if (IsOwnCommonSelfId(id)) return;
  SaveStateSnapshot* snapshot = SnapshotForWrite(*this, slot, prefix);
  if (!snapshot) return;
  snapshot->variableStore.WriteStringVariable(id, value, &snapshot->variableDatabase);
  WriteSaveFile(slot, false, prefix);
}
