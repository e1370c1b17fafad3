// The party command (270): which graphics make up the walking party, and how
// it follows the hero.
#include <string>
#include <vector>

#include "gamedata/GameText.h"
#include "gamedata/GlobalObjects.h"
#include "interpreter/EventRunner.h"
#include "interpreter/InterpreterServices.h"
#include "map/Hero.h"

namespace {

constexpr const char* kErrorText = "<<ERROR>>";

// Slot 0 is the hero, slots 1..P the party members.
std::vector<MapCharacter*> PartySlots() {
  std::vector<MapCharacter*> slots{&gHero};
  for (MapCharacter& member : gHero.party) slots.push_back(&member);
  return slots;
}

void PartyWideOperation(int operation, std::vector<MapCharacter*>& slots) {
  switch (operation) {
    case 0: {  // compact
      std::vector<std::string> names;
      for (MapCharacter* slot : slots)
        if (!slot->graphicName.empty()) names.push_back(slot->graphicName);
      if (names.empty()) break;
      for (size_t k = 0; k < slots.size(); ++k) slots[k]->graphicName = k < names.size() ? names[k] : std::string();
      break;
    }
    case 1:
      for (MapCharacter* slot : slots) slot->graphicName.clear();
      break;
    case 2: gHero.GatherPartyAtHero(); break;
    case 3:
    case 4:
      // The trail is frozen (the members repeat the latest step) or recorded.
      gHero.formationMode = operation == 3 ? 1 : 0;
      gHero.formationDirection = 0;
      break;
    case 5:
    case 6:
      for (MapCharacter* slot : slots) slot->opacity = operation == 5 ? 0 : 255;
      break;
    case 7:
      gEventSystem.savedPartyNames.resize(slots.size());
      for (size_t k = 0; k < slots.size(); ++k) gEventSystem.savedPartyNames[k] = slots[k]->graphicName;
      break;
    case 8: {
      const std::vector<std::string>& saved = gEventSystem.savedPartyNames;
      for (size_t k = 0; k < slots.size(); ++k) slots[k]->graphicName = k < saved.size() ? saved[k] : std::string();
      break;
    }
    case 9: gEventSystem.partyFollowing = 1; break;
    case 10: gEventSystem.partyFollowing = 0; break;
    default: break;
  }
}

}  // namespace

bool EventRunner::CmdPartyOperation() {
  const int word = Param(1);
  const int operation = word & 0x0F;
  // Every member loads its graphic again and takes the party option byte.
  for (MapCharacter& member : gHero.party) {
    member.loadedExtraGraphic = -1;
    if (member.ContactRangeBytes.empty()) member.ContactRangeBytes.resize(1);
    member.ContactRangeBytes[0] = static_cast<uint8_t>(gEventSystem.heroOpacity);
  }
  std::vector<MapCharacter*> slots = PartySlots();

  int position = 0;
  if (operation <= 2) {
    position = RunnerReadValue(Param(2));
    if (position < 1) {
      ShowNoticeBox(Cp932Text("キャラ操作エラー：「0」人目以下の値が指定されました"),
                    Cp932Text("この指定は「1」人目以上でなければなりません"), ErrorLocationText());
      return true;
    }
    if (position > 6) {
      ShowNoticeBox(Cp932Text("キャラ操作エラー：「7」人目以上の値が指定されました"),
                    Cp932Text("この指定は「6」人目以下でなければなりません"), ErrorLocationText());
      return true;
    }
  }
  std::string name;
  if (operation >= 1 && operation <= 3) {
    if (word & 0x100) {
      name = RunnerReadString(Param(3));
      if (name == kErrorText) name = RunnerReadString(RunnerReadValue(Param(3)));
    } else {
      name = StringParam(0);
    }
  }

  // A position past the last slot (a party smaller than five) names nothing.
  const size_t index = static_cast<size_t>(position > 0 ? position - 1 : 0);
  const bool inParty = index < slots.size();
  switch (operation) {
    case 0:
      if (inParty) slots[index]->graphicName.clear();
      break;
    case 1:
      if (!inParty) break;
      for (size_t k = slots.size() - 1; k > index; --k) slots[k]->graphicName = slots[k - 1]->graphicName;
      slots[index]->graphicName = name;
      break;
    case 2:
      if (inParty) slots[index]->graphicName = name;
      break;
    case 3:
      for (MapCharacter* slot : slots)
        if (slot->graphicName == name) slot->graphicName.clear();
      break;
    case 4: PartyWideOperation((word >> 4) & 0x0F, slots); break;
    default: break;
  }
  return true;
}
