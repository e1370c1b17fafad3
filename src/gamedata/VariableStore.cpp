#include "gamedata/VariableStore.h"

#include "gamedata/DataFileScramble.h"
#include "gamedata/Database.h"
#include "gamedata/GameText.h"
#include "map/CurrentMap.h"
#include "map/Hero.h"
#include "shell/NoticeBox.h"

using namespace VariableIdRange;

VariableStore gVariableStore;
ErrorLocation gErrorLocation;

namespace {

constexpr const char* kError = "<<ERROR>>";

template <typename T>
bool InRange(long long index, const std::vector<T>& list) {
  return index >= 0 && static_cast<unsigned long long>(index) < list.size();
}

template <typename T>
void GrowToHold(std::vector<T>& list, size_t index) {
  if (list.size() <= index) list.resize(index + 1);
}

bool Between(int id, int first, int last) { return id >= first && id <= last; }

bool IsCommonSelfStringCell(int cell) { return cell >= 5 && cell <= 9; }

// The character a position id names, or null: a map event of the current map
// by its event id, or the hero (member 0) and the party members (member n).
MapCharacter* PositionCharacter(int id) {
  if (Between(id, kMapEventPosition, kPartyPosition - 1)) {
    int eventId = (id % kMapEventPosition) / 10;
    for (MapEventCharacter& character : gCurrentMap.eventCharacters)
      if (character.id == eventId) return &character;
    return nullptr;
  }
  int member = (id % kPartyPosition) / 10;
  if (member == 0) return &gHero;
  if (!InRange(member - 1, gHero.party)) return nullptr;
  return &gHero.party[static_cast<size_t>(member - 1)];
}

int ReadPositionField(const MapCharacter& character, int field) {
  switch (field) {
    case 0: return character.x / 2;
    case 1: return character.y / 2;
    case 2: return character.x;
    case 3: return character.y;
    case 4: return character.heightOffset;
    default: return 0;
  }
}

void WritePositionField(MapCharacter& character, int field, int value) {
  switch (field) {
    case 0: character.SetPlace(static_cast<int>(static_cast<unsigned>(value) * 2u), character.y); break;
    case 1: character.SetPlace(character.x, static_cast<int>(static_cast<unsigned>(value) * 2u)); break;
    case 2: character.SetPlace(value, character.y); break;
    case 3: character.SetPlace(character.x, value); break;
    case 4: character.heightOffset = value; break;
    default: break;
  }
}

struct DatabaseCell {
  Database* database = nullptr;
  int type = 0;
  int data = 0;
  int content = 0;
  bool variableDatabase = false;
};

// The database cell an id of 1,000,000,000 or more names; no database for ids
// outside the three database ranges.
DatabaseCell DecodeDatabaseCell(int id, Database* passedVariableDatabase) {
  DatabaseCell cell;
  int base = 0;
  if (Between(id, kUserDatabase, kVariableDatabase - 1)) {
    cell.database = &gUserDatabase;
    base = kUserDatabase;
  } else if (Between(id, kVariableDatabase, 1199999999)) {
    cell.database = passedVariableDatabase != nullptr ? passedVariableDatabase : &gVariableDatabase;
    cell.variableDatabase = true;
    base = kVariableDatabase;
  } else if (Between(id, kSystemDatabase, 1399999999)) {
    cell.database = &gSystemDatabase;
    base = kSystemDatabase;
  } else {
    return cell;
  }
  cell.type = (id % base) / 1000000;
  cell.data = (id % 1000000) / 100;
  cell.content = id % 100;
  return cell;
}

// A Variable-database type grows to hold the addressed row before an access.
void GrowForAccess(const DatabaseCell& cell) {
  if (cell.database->GetDatabaseDataCount(cell.type) <= cell.data)
    cell.database->ResizeDatabaseType(cell.type, cell.data + 1);
}

std::string SetName(int set) {
  if (set == 0) return Cp932Text("通常変数");
  return Cp932Text("予備変数") + Decimal(set);
}

}  // namespace

std::string ErrorLocationText() {
  return NoticeText(
      "処理地点:【マップEv %d コモンEv %d 行%d】  　※もし並列処理のｴﾗｰなら地点不明です",
      {Decimal(gErrorLocation.mapId), Decimal(gErrorLocation.commonEventId), Decimal(gErrorLocation.line)});
}

void VariableStore::ResetVariableStore(int commonEventCount) {
  ContextMapId = -1;
  mapSelfVariables.clear();
  variableSets.clear();
  stringVariables.clear();
  commonSelfVariables.clear();
  commonSelfStrings.clear();
  if (commonEventCount < 0) commonEventCount = 0;
  commonSelfVariables.assign(static_cast<size_t>(commonEventCount), std::vector<int32_t>(100, 0));
  commonSelfStrings.assign(static_cast<size_t>(commonEventCount), std::vector<std::string>(5));
  variableSets.resize(10);
  if (gSystemDatabase.GetDatabaseTypeCount() >= 16) {
    for (int set = 0; set < 10; ++set) {
      int size = gSystemDatabase.GetDatabaseDataCount(14 + set);
      if (size > 0) variableSets[static_cast<size_t>(set)].assign(static_cast<size_t>(size), 0);
    }
  }
}

int VariableStore::TakeContextMap() {
  int mapId = ContextMapId >= 0 ? ContextMapId : gCurrentMap.mapId;
  ContextMapId = -1;
  return mapId;
}

int VariableStore::ReadVariable(int id, Database* variableDatabase) {
  if (id >= kUserDatabase) {
    DatabaseCell cell = DecodeDatabaseCell(id, variableDatabase);
    if (cell.database == nullptr) return 0;
    // A passed database (a save slot's) is read as it stands.
    if (cell.variableDatabase && variableDatabase == nullptr) GrowForAccess(cell);
    return cell.database->ReadDatabaseInt(cell.type, cell.data, cell.content);
  }
  const int mapId = TakeContextMap();
  if (Between(id, kOldCommonSelf, kRelativeCommonSelf - 1)) {
    ShowNoticeBox(Cp932Text("読込先IDが1500000～1600000[旧ｺﾓﾝｲﾍﾞﾝﾄｾﾙﾌ変数]です、読み込めません"), ErrorLocationText(),
                  "");
    return 0;
  }
  if (id < kMapSelf) return id;
  if (Between(id, kMapSelf, kOldCommonSelf - 1)) {
    int event = (id % 100000) / 10;
    int cell = id % 10;
    if (!InRange(mapId, mapSelfVariables)) return 0;
    const auto& events = mapSelfVariables[static_cast<size_t>(mapId)];
    if (!InRange(event, events) || !InRange(cell, events[static_cast<size_t>(event)])) return 0;
    return events[static_cast<size_t>(event)][static_cast<size_t>(cell)];
  }
  if (Between(id, kCommonSelf, 15999999)) {
    int commonEvent = (id % 1000000) / 100;
    int cell = id % 100;
    if (IsCommonSelfStringCell(cell) || !InRange(commonEvent, commonSelfVariables)) return 0;
    const auto& cells = commonSelfVariables[static_cast<size_t>(commonEvent)];
    return InRange(cell, cells) ? cells[static_cast<size_t>(cell)] : 0;
  }
  if (Between(id, kVariableSets, kStringVariables - 1)) {
    int set = (id - kVariableSets) / 100000;
    int index = id % 100000;
    if (!InRange(set, variableSets) || !InRange(index, variableSets[static_cast<size_t>(set)])) return 0;
    return variableSets[static_cast<size_t>(set)][static_cast<size_t>(index)];
  }
  if (Between(id, kStringVariables, 3999999)) {
    ShowNoticeBox(NoticeText("「変数」呼び出し時の呼び出しIDが不適切です => ID %d", {Decimal(id)}), ErrorLocationText(),
                  "");
    return -1;
  }
  if (Between(id, kRandom, 8999999)) {
    uint32_t range = static_cast<uint32_t>(id - kRandom) + 1;
    return static_cast<int>(SharedRandom(0, 0) % range);
  }
  if (Between(id, kSystemVariables, 9099999)) return ReadSystemVariable(id % 1000000);
  if (Between(id, kMapEventPosition, 9189999)) {
    MapCharacter* character = PositionCharacter(id);
    if (character == nullptr) return id >= kPartyPosition ? -1 : 0;
    return ReadPositionField(*character, id % 10);
  }
  return 0;
}

void VariableStore::WriteVariable(int id, int value, Database* variableDatabase) {
  if (Between(id, kVariableDatabase, 1199999999)) {
    DatabaseCell cell = DecodeDatabaseCell(id, variableDatabase);
    GrowForAccess(cell);
    if (!cell.database->WriteDatabaseInt(cell.type, cell.data, cell.content, value))
      ShowNoticeBox(Cp932Text("可変DBの「変数」を格納すべき場所に「文字列変数」を代入しようとしました"),
                    ErrorLocationText(), NoticeText("格納先 %d", {Decimal(id)}));
    return;
  }
  if (id >= kVariableDatabase) {
    ShowNoticeBox(NoticeText("格納先 %d 代入値 %d  変数処理:エラー、代入できません", {Decimal(id), Decimal(value)}),
                  ErrorLocationText(), "");
    return;
  }
  const int mapId = TakeContextMap();
  if (Between(id, kMapSelf, kOldCommonSelf - 1)) {
    if (mapId < 0) return;
    size_t event = static_cast<size_t>((id % 100000) / 10);
    size_t cell = static_cast<size_t>(id % 10);
    GrowToHold(mapSelfVariables, static_cast<size_t>(mapId));
    auto& events = mapSelfVariables[static_cast<size_t>(mapId)];
    GrowToHold(events, event);
    GrowToHold(events[event], cell);
    events[event][cell] = value;
    return;
  }
  if (Between(id, kCommonSelf, 15999999)) {
    int commonEvent = (id % 1000000) / 100;
    int cell = id % 100;
    if (IsCommonSelfStringCell(cell)) {
      ShowNoticeBox(Cp932Text("整数をコモンセルフの文字列域に代入しようとしました"), "", "");
      return;
    }
    if (InRange(commonEvent, commonSelfVariables) &&
        InRange(cell, commonSelfVariables[static_cast<size_t>(commonEvent)]))
      commonSelfVariables[static_cast<size_t>(commonEvent)][static_cast<size_t>(cell)] = value;
    return;
  }
  if (Between(id, kVariableSets, kStringVariables - 1)) {
    int set = (id - kVariableSets) / 100000;
    int index = id % 100000;
    if (InRange(set, variableSets) && InRange(index, variableSets[static_cast<size_t>(set)])) {
      variableSets[static_cast<size_t>(set)][static_cast<size_t>(index)] = value;
      return;
    }
    ShowNoticeBox(ErrorLocationText(),
                  Cp932Text("エラー：変数の保存領域が確保されていません、指定変数のサイズを増やしてください"),
                  SetName(set) + " " + Decimal(index));
    return;
  }
  if (Between(id, kSystemVariables, 9099999)) {
    WriteSystemVariable(id % 1000000, value);
    return;
  }
  if (Between(id, kMapEventPosition, 9189999)) {
    if (MapCharacter* character = PositionCharacter(id)) WritePositionField(*character, id % 10, value);
    return;
  }
  if (id < kMapSelf) {
    ShowNoticeBox(NoticeText("格納先IDが1000000未満です => %d", {Decimal(id)}), ErrorLocationText(), "");
    return;
  }
  if (Between(id, kOldCommonSelf, kRelativeCommonSelf - 1)) {
    ShowNoticeBox(Cp932Text("格納先IDが1500000～1600000[旧ｺﾓﾝｲﾍﾞﾝﾄｾﾙﾌ変数指定]です、格納できません"),
                  ErrorLocationText(), "");
    return;
  }
}

std::string VariableStore::ReadStringVariable(int id, Database* variableDatabase) {
  if (Between(id, kOldCommonSelf, kRelativeCommonSelf - 1)) {
    ShowNoticeBox(Cp932Text("読込先IDが1500000～1600000[旧ｺﾓﾝｲﾍﾞﾝﾄｾﾙﾌ変数]です、読み込めません"), ErrorLocationText(),
                  "");
    return kError;
  }
  if (Between(id, kCommonSelf, 15999999)) {
    int commonEvent = (id % 1000000) / 100;
    int cell = id % 100;
    if (!IsCommonSelfStringCell(cell)) return kError;
    if (!InRange(commonEvent, commonSelfStrings)) return "";
    const auto& strings = commonSelfStrings[static_cast<size_t>(commonEvent)];
    return InRange(cell - 5, strings) ? strings[static_cast<size_t>(cell - 5)] : "";
  }
  if (Between(id, kStringVariables, 3999999)) {
    int index = id % 1000000;
    return InRange(index, stringVariables) ? stringVariables[static_cast<size_t>(index)] : "";
  }
  if (Between(id, kSystemStrings, 9999999)) return ReadSystemString(id % 100000);
  if (id >= kUserDatabase) {
    DatabaseCell cell = DecodeDatabaseCell(id, variableDatabase);
    if (cell.database == nullptr) return kError;
    if (cell.variableDatabase && variableDatabase == nullptr) GrowForAccess(cell);
    return cell.database->ReadDatabaseString(cell.type, cell.data, cell.content);
  }
  return kError;
}

void VariableStore::WriteStringVariable(int id, const std::string& text, Database* variableDatabase) {
  TakeContextMap();
  if (Between(id, kOldCommonSelf, kRelativeCommonSelf - 1)) {
    ShowNoticeBox(Cp932Text("格納先IDが1500000～1600000[旧ｺﾓﾝｲﾍﾞﾝﾄｾﾙﾌ変数指定]です､格納できません"),
                  ErrorLocationText(), "");
    return;
  }
  if (Between(id, kCommonSelf, 15999999)) {
    size_t commonEvent = static_cast<size_t>((id % 1000000) / 100);
    int cell = id % 100;
    if (!IsCommonSelfStringCell(cell)) {
      ShowNoticeBox(Cp932Text("文字列をコモンセルフの整数域に代入しようとしました"), ErrorLocationText(),
                    NoticeText("格納先 %d", {Decimal(id)}));
      return;
    }
    GrowToHold(commonSelfStrings, commonEvent);
    auto& strings = commonSelfStrings[commonEvent];
    GrowToHold(strings, static_cast<size_t>(cell - 5));
    strings[static_cast<size_t>(cell - 5)] = text;
    return;
  }
  if (Between(id, kStringVariables, 3999999)) {
    size_t index = static_cast<size_t>(id % 1000000);
    GrowToHold(stringVariables, index);
    stringVariables[index] = text;
    return;
  }
  if (Between(id, kSystemStrings, 9999999)) {
    WriteSystemString(id % 100000, text);
    return;
  }
  if (Between(id, kVariableDatabase, 1199999999)) {
    DatabaseCell cell = DecodeDatabaseCell(id, variableDatabase);
    GrowForAccess(cell);
    if (!cell.database->WriteDatabaseString(cell.type, cell.data, cell.content, text)) {
      const char* line = variableDatabase == nullptr
                             ? "DBの「文字列」を格納すべき場所に「変数」を代入しようとしました"
                             : "可変DBの「文字列」を格納すべき場所に「変数」を代入しようとしました";
      ShowNoticeBox(Cp932Text(line), ErrorLocationText(), NoticeText("格納先 %d", {Decimal(id)}));
    }
    return;
  }
  ShowNoticeBox(
      NoticeText("格納先 %d 代入値「%s」  文字列操作：「文字列」を格納すべき場所に「変数」を代入しようとしました",
                 {Decimal(id), text}),
      ErrorLocationText(), "");
}

bool VariableStore::IsNumericVariableId(int id) const {
  if (id > 16000000) {
    DatabaseCell cell = DecodeDatabaseCell(id, nullptr);
    if (cell.database == nullptr) return true;
    return cell.database->GetDatabaseContentKind(cell.type, cell.content) == 1;
  }
  if (Between(id, 1600005, 1600009)) return false;
  if (id < kStringVariables) return true;
  if (Between(id, kCommonSelf, 15999999)) return !IsCommonSelfStringCell(id % 100);
  if (Between(id, kStringVariables, 3999999) || Between(id, kSystemStrings, 9999999)) return false;
  return true;
}

int32_t* VariableStore::ResolveVariableCell(int id, int commonEventIndex) {
  if (id > 16000000) {
    DatabaseCell cell = DecodeDatabaseCell(id, nullptr);
    if (cell.database == nullptr) return nullptr;
    return cell.database->GetDatabaseCellPointer(cell.type, cell.data, cell.content, true);
  }
  if (Between(id, kVariableSets, kStringVariables - 1)) {
    int set = (id - kVariableSets) / 100000;
    int index = id % 100000;
    if (!InRange(set, variableSets) || !InRange(index, variableSets[static_cast<size_t>(set)])) return nullptr;
    return &variableSets[static_cast<size_t>(set)][static_cast<size_t>(index)];
  }
  if (commonEventIndex < 0 || Between(id, 1600005, 1600009)) return nullptr;
  if (Between(id, kRelativeCommonSelf, 1600099)) {
    int cell = id % 100;
    if (!InRange(commonEventIndex, commonSelfVariables)) return nullptr;
    auto& cells = commonSelfVariables[static_cast<size_t>(commonEventIndex)];
    return InRange(cell, cells) ? &cells[static_cast<size_t>(cell)] : nullptr;
  }
  return nullptr;
}
