#include "presentation/MapView.h"

#include <algorithm>
#include <cstdint>

#include "gamedata/GameInfo.h"
#include "gamedata/GlobalObjects.h"
#include "map/CurrentMap.h"
#include "map/Hero.h"
#include "media/PublicFunctions.h"
#include "shell/StartupGlobals.h"

namespace {

int SettingsTileSize() {
  const int ts = gGameInfo.settings.empty() ? 0 : static_cast<uint8_t>(gGameInfo.settings[0]);
  return ts == 16 ? 16 : 32;
}

// Remainder with the sign of the dividend, as the bands are counted.
int64_t BandOf(int64_t groundY, int64_t R) { return (groundY / 8) % R; }

void Append(DrawOrderList& order, int group, int64_t bucket, int32_t entry) {
  auto& buckets = order.buckets[static_cast<size_t>(group)];
  if (bucket < 0 || static_cast<size_t>(bucket) >= buckets.size()) return;
  buckets[static_cast<size_t>(bucket)].push_back(entry);
  ++order.bucketSizes[static_cast<size_t>(group)][static_cast<size_t>(bucket)];
}

}  // namespace

MapView::MapView() { RebuildCharacterSprites(*this); }

void RebuildCharacterSprites(MapView& view) {
  view.heroSprite = CharacterSprite(&gHero);
  view.partySprites.clear();
  for (size_t i = 0; i < static_cast<size_t>(kPartySize); ++i) {
    view.partySprites.emplace_back(i < gHero.party.size() ? &gHero.party[i] : nullptr);
  }
  view.eventSprites.clear();
  for (MapEventCharacter& event : gCurrentMap.eventCharacters) view.eventSprites.emplace_back(&event);
  view.tileView = TileMapView();
  ResetPanoramaLayer(view.panorama);
  ResetFogLayer(view.fog);
}

void ApplyScreenTone(const EventSystem& owner, bool positivePass, bool reset, int* values) {
  const int red = owner.toneState[0], green = owner.toneState[1], blue = owner.toneState[2];
  if (reset) {
    SetDrawTint(255, 255, 255);
    return;
  }
  if (positivePass) {
    SetBlendState(2, 255);
    SetDrawTint(255, 255, 255);
    if (red <= 0 && green <= 0 && blue <= 0) return;
    PutBox(0, 0, 640, 480, PackColor(std::max(0, red), std::max(0, green), std::max(0, blue)), 1);
    return;
  }
  if (red > 0 && green > 0 && blue > 0) return;
  const int r = red <= 0 ? 255 + red : 255;
  const int g = green <= 0 ? 255 + green : 255;
  const int b = blue <= 0 ? 255 + blue : 255;
  SetDrawTint(r, g, b);
  if (values != nullptr) {
    values[0] = r;
    values[1] = g;
    values[2] = b;
  }
}

void BuildDrawOrder(DrawOrderList& order) {
  const int ts = SettingsTileSize();
  const int64_t k = ts / 8;
  const int64_t height = std::max(gCurrentMap.GetMapHeight(), 0);
  int64_t R = height * k;
  if (height == 15) R += 2 * k;
  order.group = order.bucket = order.position = 0;
  order.bucketCount = static_cast<int32_t>(R);
  for (size_t g = 0; g < 3; ++g) {
    order.buckets[g].assign(R > 0 ? static_cast<size_t>(R + 1) : 0, {});
    order.bucketSizes[g].assign(R > 0 ? static_cast<size_t>(R + 1) : 0, 0);
  }
  // A map without rows has nothing to sort.
  if (R <= 0) return;
  const auto rowsOf = [&](const MapCharacter& c) { return (c.spriteCellHeight / ts + 17) * k; };
  const std::vector<MapEventCharacter>& events = gCurrentMap.eventCharacters;
  for (size_t j = 0; j < events.size(); ++j) {
    const MapEventCharacter& e = events[j];
    if (!e.passThrough || e.aboveAll) continue;
    const int64_t b = BandOf(e.GetCharacterScreenBaseY(true), R);
    if (b >= -1 && b <= 17 * k) Append(order, 0, b + 1, static_cast<int32_t>(j));
  }
  for (size_t j = 0; j < events.size(); ++j) {
    const MapEventCharacter& e = events[j];
    if (e.passThrough || e.aboveAll) continue;
    const int64_t b = BandOf(e.GetCharacterScreenBaseY(true), R);
    if (b >= -1 && b <= rowsOf(e)) Append(order, 1, b + 1, static_cast<int32_t>(j));
  }
  const int64_t heroBand = std::max<int64_t>(gHero.GetCharacterScreenBaseY(true) / 8, 0);
  Append(order, 1, heroBand % R + 1, -10);
  for (size_t i = 0; i < static_cast<size_t>(kPartySize) && i < gHero.party.size(); ++i) {
    const MapCharacter& member = gHero.party[i];
    const int64_t v = std::max<int64_t>(member.GetCharacterScreenBaseY(true) / 8, 0);
    const int64_t b = v % R;
    if (b <= rowsOf(member)) Append(order, 1, b + 1, -11 - static_cast<int32_t>(i));
  }
  for (size_t j = 0; j < events.size(); ++j) {
    const MapEventCharacter& e = events[j];
    if (!e.aboveAll) continue;
    const int64_t b = BandOf(e.GetCharacterScreenBaseY(true), R);
    if (b >= -1 && b <= rowsOf(e)) Append(order, 2, b + 1, static_cast<int32_t>(j));
  }
}

int NextDrawOrderEntry(DrawOrderList& order, int scrollY) {
  const int64_t ts = gTileSize;
  const int64_t k = ts / 8;
  const int64_t R = order.bucketCount;
  const int64_t L1 = std::min<int64_t>(R, ts * 44 / 16);
  const int64_t L2 = std::min<int64_t>(R, ts * 34 / 16);
  const int64_t a = scrollY;
  // The phase u and offset t of the upper-tile rows for this scroll.
  int64_t u = 0, t = 0;
  if (a >= 0) {
    const int64_t m = a % ts;
    if (m == 0) {
      u = ts == 32 ? 2 : 0;
      t = ts == 32 ? 32 : 0;
    } else if (m <= ts / 2) {
      u = 1;
      t = ts - m;
    } else if (m <= 3 * ts / 4 || ts != 32) {
      u = 0;
      t = ts - m;
    } else {
      u = 2;
      t = 2 * ts - m;
    }
  } else {
    const int64_t m = (-a) % ts;
    if (m >= ts / 2) {
      u = 1;
      t = m;
    } else if (ts != 32) {
      u = 0;
      t = m;
    } else {
      u = m < ts / 4 ? 2 : 3;
      t = m + ts;
    }
  }
  for (;;) {
    if (order.bucket > L1) {
      if (order.group >= 2) return -1;
      ++order.group;
      order.bucket = 0;
      order.position = 0;
    }
    const auto& sizes = order.bucketSizes[static_cast<size_t>(order.group)];
    if (order.bucket >= 0 && static_cast<size_t>(order.bucket) < sizes.size() &&
        order.position < sizes[static_cast<size_t>(order.bucket)]) {
      ++order.position;
      return order.buckets[static_cast<size_t>(order.group)][static_cast<size_t>(order.bucket)]
                          [static_cast<size_t>(order.position - 1)];
    }
    ++order.bucket;
    order.position = 0;
    if (order.bucket > L2) continue;
    if (order.group == 1 && order.bucket % k == u) {
      return static_cast<int>(-998 - order.bucket / k - (a + t) / ts);
    }
  }
}

void DrawMap(MapView& view) {
  ApplyScreenTone(gEventSystem, false, false, nullptr);
  DrawPanorama(view.panorama);
  gPictureList.DrawPictureLayer(-2);
  view.tileView.DrawTileLayers(0, -1);
  SetDrawSampling(0);
  gPictureList.DrawPictureLayer(-1);
  SetDrawSampling(0);
  BuildDrawOrder(view.drawOrder);
  int tint[3] = {255, 255, 255};
  ApplyScreenTone(gEventSystem, false, false, tint);
  for (;;) {
    SetDrawTint(tint[0], tint[1], tint[2]);
    const int e = NextDrawOrderEntry(view.drawOrder, view.tileView.scrollY);
    if (e == -1) break;
    if (e >= 0) {
      if (static_cast<size_t>(e) < view.eventSprites.size())
        DrawCharacterSprite(view.eventSprites[static_cast<size_t>(e)]);
    } else if (e == -10) {
      DrawCharacterSprite(view.heroSprite);
    } else if (e <= -20) {
      view.tileView.DrawTileLayers(1, -e - 1000);
    } else if (e >= -19 && e <= -11) {
      const size_t slot = static_cast<size_t>(-e - 11);
      if (slot < view.partySprites.size()) DrawCharacterSprite(view.partySprites[slot]);
    }
  }
  view.tileView.DrawTileLayers(2, -1);
  DrawFog(view.fog);
}

void UpdatePanoramaAndFog(MapView& view) {
  StepPanoramaScroll(view.panorama);
  StepFogScroll(view.fog);
}
