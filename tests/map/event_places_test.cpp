#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <random>
#include <utility>
#include <vector>

#include "CharacterWorld.h"
#include "gamedata/DataFileScramble.h"
#include "gamedata/VariableId.h"

namespace {

// Where everyone stands after a frame: x, y and facing of every map event,
// then of the hero.
using Places = std::vector<std::array<int32_t, 3>>;

Places PlacesNow() {
  Places places;
  for (const MapEventCharacter& event : gCurrentMap.eventCharacters)
    places.push_back({event.x, event.y, event.direction});
  places.push_back({gHero.x, gHero.y, gHero.direction});
  return places;
}

// Random worlds of walking events. The frame's map update looks events up in
// its index of their places; the same walk over the events run outside the
// update checks each step against every event in turn. Both must move
// everyone alike, step for step.
class EventPlaces : public CharacterWorld {
 protected:
  int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }
  bool Chance(int percent) { return Pick(0, 99) < percent; }

  int SpanX() const { return 2 * gCurrentMap.GetMapWidth(); }
  int SpanY() const { return 2 * gCurrentMap.GetMapHeight(); }

  static RouteCommand Command(int code, std::vector<int32_t> args = {}) {
    return RouteCommand{static_cast<uint8_t>(code), std::move(args), ""};
  }

  RouteCommand RandomCommand(int eventCount) {
    switch (Pick(0, 9)) {
      case 0:
      case 1:
      case 2: return Command(Pick(0, 7));                      // a step in one of the eight directions
      case 3: return Command(Pick(16, 20));                    // random, toward, away, forward, backward
      case 4: return Command(21, {Pick(-3, 3), Pick(-3, 3)});  // a jump
      case 5: return Command(Pick(22, 27));                    // turns
      case 6: {
        static constexpr int kFlags[4] = {38, 39, 48, 49};  // pass-through on/off, step size 1/2
        return Command(kFlags[Pick(0, 3)]);
      }
      case 7:
        return Chance(50) ? Command(53, {Pick(-2, eventCount)})
                          : Command(54, {Pick(0, SpanX() / 2), Pick(0, SpanY() / 2)});
      case 8: {
        // Another event's place set through its position variable, now and
        // then far off the map.
        const int field = Pick(0, 3);
        const int span = field % 2 == 0 ? SpanX() : SpanY();
        const int target = VariableIdRange::kMapEventPosition + 10 * Pick(0, eventCount - 1) + field;
        return Command(28, {target, Pick(-2 * span, 3 * span)});
      }
      default: return Command(28, {NormalVar(0), Pick(0, 1)});  // the second page on or off
    }
  }

  void RandomPage(EventPage& page, int eventCount) {
    page.graphicName = Chance(80) ? "walker.png" : "";
    MoveSettings& settings = page.moveSettings;
    settings.moveType = 1;
    settings.moveSpeed = static_cast<uint8_t>(Pick(3, 6));
    settings.moveFrequency = static_cast<uint8_t>(Pick(0, 1));
    settings.routeFlags = Chance(70) ? 3 : 1;  // repeat, with or without skipping
    // Bit 3 pass-through, bit 5 tall, bit 6 half a cell higher.
    settings.optionBits =
        static_cast<uint8_t>(2 | (Chance(15) ? 8 : 0) | (Chance(35) ? 32 : 0) | (Chance(10) ? 64 : 0));
    settings.route.clear();
    for (int n = Pick(2, 8); n > 0; --n) settings.route.push_back(RandomCommand(eventCount));
  }

  MapEvent RandomEvent(int id, int eventCount) {
    MapEvent record(id);
    record.x = Pick(0, gCurrentMap.GetMapWidth() - 1);
    record.y = Pick(0, gCurrentMap.GetMapHeight() - 1);
    RandomPage(record.pages[0], eventCount);
    if (Chance(50)) {
      // A second page, chosen while normal variable 0 is 1 or more.
      EventPage second;
      RandomPage(second, eventCount);
      second.conditions.conditionFlags[0] = 1 | (1 << 4);
      second.conditions.conditionLeft[0] = NormalVar(0);
      second.conditions.conditionRight[0] = 1;
      record.pages.push_back(second);
    }
    return record;
  }

  void BuildWorld(uint32_t seed) {
    rng_.seed(seed);
    MakeWorld(Pick(3, 12), Pick(3, 10));
    SharedRandom(2, seed);
    gCurrentMap.loopX = Chance(50) ? 1 : 0;
    gCurrentMap.loopY = Chance(50) ? 1 : 0;
    gGameInfo.settings[2] = static_cast<int8_t>(Chance(50) ? 8 : 4);
    gGameInfo.settings[8] = static_cast<int8_t>(Chance(20) ? 1 : 0);
    for (int cx = 0; cx < gCurrentMap.GetMapWidth(); ++cx) {
      for (int cy = 0; cy < gCurrentMap.GetMapHeight(); ++cy) {
        if (Chance(8)) SetCell(cx, cy, kWallTile);
      }
    }
    gHero.ConstructHero();
    gHero.PlaceHeroAndCenterView(Pick(0, gCurrentMap.GetMapWidth() - 1), Pick(0, gCurrentMap.GetMapHeight() - 1), 0);
    gHero.tall = Chance(50) ? 1 : 0;
    gHero.passThrough = Chance(10) ? 1 : 0;
    const int eventCount = Pick(8, 40);
    for (int i = 0; i < eventCount; ++i) PlaceEvent(RandomEvent(Chance(10) ? Pick(0, eventCount - 1) : i, eventCount));
  }

  // What the test does between frames, the same in both runs: the hero
  // walks and grows, events are erased, set down elsewhere or added.
  void BetweenFrames() {
    std::vector<MapEventCharacter>& events = gCurrentMap.eventCharacters;
    static constexpr int kDirections[8] = {1, 2, 3, 4, 6, 7, 8, 9};
    if (Chance(30) && !gHero.UpdateMovingFlag()) gHero.StepInDirection(kDirections[Pick(0, 7)], 1);
    if (Chance(2)) gHero.tall = gHero.tall ? 0 : 1;
    if (Chance(2))
      events[static_cast<size_t>(Pick(0, static_cast<int>(events.size()) - 1))].StartEventErase(Pick(0, 3));
    if (Chance(3)) {
      MapEventCharacter& moved = events[static_cast<size_t>(Pick(0, static_cast<int>(events.size()) - 1))];
      moved.x = Pick(-SpanX(), 2 * SpanX());
      moved.y = Pick(-SpanY(), 2 * SpanY());
    }
    if (Chance(1)) PlaceEvent(RandomEvent(static_cast<int>(events.size()), static_cast<int>(events.size())));
  }

  // The frames of one world, each update either the map's own or the walk
  // over the events outside it.
  std::vector<Places> Run(uint32_t seed, bool mapUpdate, int frames) {
    BuildWorld(seed);
    std::vector<Places> trace;
    for (int frame = 0; frame < frames; ++frame) {
      BetweenFrames();
      if (mapUpdate) {
        gCurrentMap.UpdateCurrentMap();
      } else {
        if (gCurrentMap.pageRefresh) gCurrentMap.RefreshEventPages();
        std::vector<MapEventCharacter>& events = gCurrentMap.eventCharacters;
        for (size_t i = 0; i < events.size(); ++i) events[i].UpdateMapEvent();
      }
      gHero.UpdateCharacterMotion();
      trace.push_back(PlacesNow());
    }
    return trace;
  }

 private:
  std::mt19937 rng_;
};

TEST_F(EventPlaces, IndexedWalkMovesEveryoneAsTheScanningWalk) {
  constexpr int kFrames = 300;
  int moves = 0;
  for (uint32_t seed = 1; seed <= 40; ++seed) {
    const std::vector<Places> scanned = Run(seed, false, kFrames);
    const std::vector<Places> indexed = Run(seed, true, kFrames);
    for (int frame = 0; frame < kFrames; ++frame) {
      const auto f = static_cast<size_t>(frame);
      ASSERT_EQ(indexed[f], scanned[f]) << "seed " << seed << ", frame " << frame;
      if (frame > 0 && indexed[f] != indexed[f - 1]) ++moves;
    }
  }
  // The worlds do move: most frames see someone step.
  EXPECT_GT(moves, 40 * kFrames / 2);
}

}  // namespace
