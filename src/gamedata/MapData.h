#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "gamedata/EventCommand.h"
#include "gamedata/MoveRoute.h"
#include "platform/text/Cp932Literal.h"

// Tile number of an empty cell.
inline constexpr int32_t kEmptyTile = 100000;
// Largest map side a file or a save may give, for maps whose other side is 0
// and so store no tiles that would bound it.
inline constexpr int32_t kMaxMapSide = 10000;

struct MapHeader {
  std::string name = Cp932<"なし">;  // "none"
  int32_t tilesetNumber = 0;
  int32_t width = 20;
  int32_t height = 15;
  int32_t eventCount = 0;

  bool operator==(const MapHeader&) const = default;
};

// Start conditions of an event page: up to four comparisons of a variable
// with an operand, each in use when bit 0 of its flag is set, its operator in
// the high nibble.
struct PageConditions {
  uint8_t conditionHeader = 0;  // stored as read; the map reads it as the start type
  std::array<uint8_t, 4> conditionFlags{32, 32, 32, 32};
  std::array<int32_t, 4> conditionLeft{0, 0, 0, 0};
  std::array<int32_t, 4> conditionRight{0, 0, 0, 0};

  bool operator==(const PageConditions&) const = default;
};

struct EventPage {
  EventPage();

  int32_t tileGraphic = -1;
  std::string graphicName;
  uint8_t direction = 2;
  uint8_t pattern = 1;
  uint8_t opacity = 255;
  uint8_t drawMode = 0;
  PageConditions conditions;
  MoveSettings moveSettings;
  int32_t commandCount = 0;
  EventCommandList commands;
  std::vector<uint8_t> pageOptions{0, 0, 0};

  bool operator==(const EventPage&) const = default;
};

struct MapEvent {
  explicit MapEvent(int32_t id = -1);

  int32_t id = -1;
  std::string name;
  int32_t x = 0;
  int32_t y = 0;
  int32_t pageCount = 1;
  std::vector<uint8_t> eventOptions;
  std::vector<EventPage> pages;

  bool operator==(const MapEvent&) const = default;
};

// Three tile layers addressed [layer][x][y].
using TileLayer = std::vector<std::vector<int32_t>>;

struct MapData {
  MapData();

  // One byte per event id; the loader clears them and nothing else in the
  // runtime sets them.
  std::array<uint8_t, 1024> idMarks{};
  MapHeader header;
  std::array<TileLayer, 3> layers;
  std::vector<MapEvent> events;  // ascending id; equal ids in file order

  // Three layers of header.width x header.height; a cell keeps its value only
  // when clearAll is false and it lies inside the old size.
  void ResizeMapLayers(bool clearAll, int32_t oldWidth, int32_t oldHeight);

  // Index of the first event with the id, -1 when none.
  int FindMapEventIndex(int32_t id) const;

  // Header to its defaults, layers and events emptied.
  void Reset();

  // The tile number at a cell, or kEmptyTile outside the layers.
  int32_t TileAt(int layer, int32_t x, int32_t y) const;

  // Event editing, for map editors: new events take the lowest id no event
  // has (0 and up); the list stays sorted and the header's event count
  // follows it. Each returns the id it used, or -1 when nothing was done.
  int32_t LowestFreeEventId() const;
  // A constructed event at cell (x, y).
  int32_t AddMapEvent(int32_t x, int32_t y);
  // A copy of event sourceId moved to cell (x, y).
  int32_t DuplicateMapEvent(int32_t sourceId, int32_t x, int32_t y);
  // The given record (e.g. one cut before) under the lowest free id.
  int32_t InsertMapEvent(MapEvent event);
  // Removes the first event with the id.
  int32_t DeleteMapEvent(int32_t id);

  bool operator==(const MapData&) const = default;
};

// Whether the start conditions of a page of map event eventId hold now. Reads
// the live variable store.
bool CheckPageConditions(const PageConditions& conditions, int32_t eventId);

class DataFileCursor;

// Readers of the stored records at the data-file cursor. Damaged counts and
// texts mark the cursor damaged; the map loader then refuses the file.
void ReadMapHeader(DataFileCursor& cursor, MapHeader& header);
void ReadMapEvent(DataFileCursor& cursor, MapEvent& event);
void ReadEventPage(DataFileCursor& cursor, EventPage& page);

// Appends the event and moves it toward the front past every event with a
// larger id: a stable insertion sort, equal ids keep their order.
void InsertMapEventSorted(std::vector<MapEvent>& events, MapEvent event);
