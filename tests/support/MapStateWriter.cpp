#include "support/MapStateWriter.h"

#include "gamedata/SaveBuffer.h"
#include "support/ByteBuilder.h"

std::vector<uint8_t> MapStateBlockBytes(const MapStateBlock& block, int version) {
  ByteBuilder out;
  out.Int32(block.mapId).Int32(block.scrollX).Int32(block.scrollY);
  if (version >= 105) {
    out.Int32(block.width).Int32(block.height);
    for (const TileLayer& layer : block.layers) {
      for (const std::vector<int32_t>& column : layer) {
        for (int32_t tile : column) out.Int32(tile);
      }
    }
  }
  for (const std::string& name : block.names) out.Text(name);
  out.Int32(static_cast<int32_t>(block.tileFlags.size()));
  for (int32_t flags : block.tileFlags) {
    if (version >= 100) {
      out.Int32(flags);
    } else {
      out.Uint8(static_cast<uint8_t>(flags));
    }
  }
  out.Int32(static_cast<int32_t>(block.events.size()));
  gSaveBuffer.BeginWrite();
  for (const MapCharacter& event : block.events) event.SaveCharacterState();
  out.Bytes(gSaveBuffer.data);
  out.IntList(block.reservedValues);
  return out.Take();
}
