#include "gamedata/MapData.h"

#include <algorithm>

#include "gamedata/DataFileCursor.h"
#include "gamedata/StoredText.h"

namespace {

// Longest stored text of a map record, counting its zero.
constexpr int32_t kMapTextLimit = 512;

// Smallest stored sizes, for bounding counts read from the file.
constexpr size_t kMinStoredPage = 69;

}  // namespace

EventPage::EventPage() { InsertDefaultCommand(commands, 0); }

MapEvent::MapEvent(int32_t eventId) : id(eventId) { pages.emplace_back(); }

MapData::MapData() { ResizeMapLayers(true, 0, 0); }

void MapData::ResizeMapLayers(bool clearAll, int32_t oldWidth, int32_t oldHeight) {
  size_t width = static_cast<size_t>(std::max(header.width, 0));
  size_t height = static_cast<size_t>(std::max(header.height, 0));
  for (TileLayer& layer : layers) {
    TileLayer resized(width, std::vector<int32_t>(height, kEmptyTile));
    if (!clearAll) {
      for (size_t x = 0; x < width && static_cast<int64_t>(x) < oldWidth && x < layer.size(); ++x) {
        for (size_t y = 0; y < height && static_cast<int64_t>(y) < oldHeight && y < layer[x].size(); ++y) {
          resized[x][y] = layer[x][y];
        }
      }
    }
    layer = std::move(resized);
  }
}

int MapData::FindMapEventIndex(int32_t id) const {
  for (size_t i = 0; i < events.size(); ++i) {
    if (events[i].id == id) return static_cast<int>(i);
  }
  return -1;
}

void MapData::Reset() {
  idMarks.fill(0);
  header = MapHeader{};
  for (TileLayer& layer : layers) layer.clear();
  events.clear();
}

int32_t MapData::TileAt(int layer, int32_t x, int32_t y) const {
  if (layer < 0 || layer > 2 || x < 0 || y < 0) return kEmptyTile;
  const TileLayer& tiles = layers[static_cast<size_t>(layer)];
  if (static_cast<size_t>(x) >= tiles.size()) return kEmptyTile;
  const std::vector<int32_t>& column = tiles[static_cast<size_t>(x)];
  if (static_cast<size_t>(y) >= column.size()) return kEmptyTile;
  return column[static_cast<size_t>(y)];
}

int32_t MapData::LowestFreeEventId() const {
  std::vector<int32_t> ids;
  ids.reserve(events.size());
  for (const MapEvent& event : events) {
    if (event.id >= 0) ids.push_back(event.id);
  }
  std::sort(ids.begin(), ids.end());
  int32_t free = 0;
  for (int32_t id : ids) {
    if (id > free) break;
    if (id == free) ++free;
  }
  return free;
}

int32_t MapData::AddMapEvent(int32_t x, int32_t y) {
  MapEvent event;
  event.x = x;
  event.y = y;
  return InsertMapEvent(std::move(event));
}

int32_t MapData::DuplicateMapEvent(int32_t sourceId, int32_t x, int32_t y) {
  const int index = FindMapEventIndex(sourceId);
  if (index < 0) return -1;
  MapEvent copy = events[static_cast<size_t>(index)];
  copy.x = x;
  copy.y = y;
  return InsertMapEvent(std::move(copy));
}

int32_t MapData::InsertMapEvent(MapEvent event) {
  event.id = LowestFreeEventId();
  const int32_t id = event.id;
  InsertMapEventSorted(events, std::move(event));
  header.eventCount = static_cast<int32_t>(events.size());
  return id;
}

int32_t MapData::DeleteMapEvent(int32_t id) {
  const int index = FindMapEventIndex(id);
  if (index < 0) return -1;
  events.erase(events.begin() + index);
  header.eventCount = static_cast<int32_t>(events.size());
  return id;
}

void ReadMapHeader(DataFileCursor& cursor, MapHeader& header) {
  header.name = ReadStoredText(cursor, kMapTextLimit);
  header.tilesetNumber = cursor.ReadInt32();
  header.width = cursor.ReadInt32();
  header.height = cursor.ReadInt32();
  header.eventCount = cursor.ReadInt32();
}

void ReadEventPage(DataFileCursor& cursor, EventPage& page) {
  cursor.ReadUint8();  // 121
  page.tileGraphic = cursor.ReadInt32();
  page.graphicName = ReadStoredText(cursor, kMapTextLimit);
  page.direction = cursor.ReadUint8();
  page.pattern = cursor.ReadUint8();
  page.opacity = cursor.ReadUint8();
  page.drawMode = cursor.ReadUint8();
  PageConditions& conditions = page.conditions;
  conditions.conditionHeader = cursor.ReadUint8();
  for (uint8_t& flag : conditions.conditionFlags) flag = cursor.ReadUint8();
  for (int32_t& left : conditions.conditionLeft) left = cursor.ReadInt32();
  for (int32_t& right : conditions.conditionRight) right = cursor.ReadInt32();
  ReadMoveSettings(cursor, page.moveSettings);
  if (cursor.Damaged()) return;
  page.commandCount = cursor.ReadInt32();
  if (cursor.Damaged()) return;
  ReadEventCommandList(cursor, page.commands, page.commandCount);
  ReadGrowingByteList(cursor, page.pageOptions);
  cursor.ReadUint8();  // 122
}

void ReadMapEvent(DataFileCursor& cursor, MapEvent& event) {
  cursor.ReadUint8();  // 111
  cursor.ReadInt32();  // 12345
  event.id = cursor.ReadInt32();
  event.name = ReadStoredText(cursor, kMapTextLimit);
  event.x = cursor.ReadInt32();
  event.y = cursor.ReadInt32();
  event.pageCount = cursor.ReadInt32();
  ReadGrowingByteList(cursor, event.eventOptions);
  if (cursor.Damaged() || !cursor.FitsCount(event.pageCount, kMinStoredPage)) return;
  for (int32_t p = 0; p < event.pageCount && !cursor.Damaged(); ++p) {
    if (static_cast<size_t>(p) >= event.pages.size()) event.pages.emplace_back();
    ReadEventPage(cursor, event.pages[static_cast<size_t>(p)]);
  }
  cursor.ReadUint8();  // 112
}

void InsertMapEventSorted(std::vector<MapEvent>& events, MapEvent event) {
  // Moving the new event forward while its id is below its predecessor's
  // stops after the last event with an id not above it.
  auto position = std::upper_bound(events.begin(), events.end(), event.id,
                                   [](int32_t id, const MapEvent& other) { return id < other.id; });
  events.insert(position, std::move(event));
}
