// The picture list's block in save files: the final values of each picture
// (a change in progress keeps only where it ends).
#include <limits>

#include "gamedata/GlobalObjects.h"
#include "gamedata/SaveBuffer.h"

namespace {

// First save formats with the colour-tone change state and the map-bound flag.
constexpr int kVersionWithTone = 105;
constexpr int kVersionWithMapBound = 107;
// The smallest record of the oldest format: fixed fields and an empty source.
constexpr size_t kMinPictureRecordBytes = 84;

}  // namespace

void SavePictureState(const Picture& picture) {
  SaveBuffer& buffer = gSaveBuffer;
  buffer.WriteInt32(picture.number);
  buffer.WriteInt8(0);  // picture byte A
  buffer.WriteUint8(picture.erased);
  WriteInt16(buffer, 0);  // picture value A
  buffer.WriteUint8(picture.textPicture);
  buffer.WriteUint8(picture.frameMode);
  buffer.WriteStr16Z(picture.source);
  buffer.WriteInt32(picture.x);
  buffer.WriteInt32(picture.y);
  buffer.WriteInt32(picture.divisionsX);
  buffer.WriteInt32(picture.divisionsY);
  buffer.WriteInt32(picture.pattern);
  buffer.WriteInt32(picture.opacity);
  buffer.WriteInt32(0);  // picture value B
  buffer.WriteInt32(picture.framesLeft);
  buffer.WriteInt32(picture.framesTotal);
  buffer.WriteInt32(picture.zoomX);
  buffer.WriteInt32(picture.zoomY);
  buffer.WriteInt32(picture.angle);
  for (int i = 0; i < 6; ++i) buffer.WriteInt32(0);  // tone triples
  buffer.WriteInt32(0x646464);                       // tone colours A, B
  buffer.WriteInt32(0x646464);
  for (int i = 0; i < 12; ++i) buffer.WriteInt32(0);  // values C-N
  for (int32_t value : {0, 0, 100, 100}) buffer.WriteInt32(value);  // values O-R
  buffer.WriteUint8(picture.mapBound);
}

bool LoadPictureState(Picture& picture, bool applyLive) {
  SaveBuffer& buffer = gSaveBuffer;
  const int version = buffer.formatNumber;
  int8_t byteA = 0;
  int16_t valueA = 0;
  int32_t valueB = 0;
  if (!buffer.ReadInt32(picture.number) || !buffer.ReadInt8(byteA) || !buffer.ReadUint8(picture.erased) ||
      !ReadInt16(buffer, valueA) || !buffer.ReadUint8(picture.textPicture) || !buffer.ReadUint8(picture.frameMode) ||
      !buffer.ReadStr16Z(picture.source) || !buffer.ReadInt32(picture.x) || !buffer.ReadInt32(picture.y) ||
      !buffer.ReadInt32(picture.divisionsX) || !buffer.ReadInt32(picture.divisionsY)) {
    return false;
  }
  // An image picture is ready once its image is made again.
  if (applyLive && picture.textPicture) picture.notReady = 0;
  std::array<int32_t, 6> tone{};
  if (!buffer.ReadInt32(picture.pattern) || !buffer.ReadInt32(picture.opacity) || !buffer.ReadInt32(valueB) ||
      !buffer.ReadInt32(picture.framesLeft) || !buffer.ReadInt32(picture.framesTotal) ||
      !buffer.ReadInt32(picture.zoomX) || !buffer.ReadInt32(picture.zoomY) || !buffer.ReadInt32(picture.angle)) {
    return false;
  }
  for (int32_t& value : tone)
    if (!buffer.ReadInt32(value)) return false;
  if (version >= kVersionWithTone) {
    int32_t value = 0;
    for (int i = 0; i < 2 + 12 + 4; ++i)
      if (!buffer.ReadInt32(value)) return false;
  }
  if (version >= kVersionWithMapBound && !buffer.ReadUint8(picture.mapBound)) return false;
  return true;
}

bool PictureList::SavePictureList() const {
  SaveBuffer& buffer = gSaveBuffer;
  // The count field is 16 bits: more pictures cannot be saved.
  if (pictures.size() > static_cast<size_t>(std::numeric_limits<int16_t>::max())) buffer.writeFailed = true;
  WriteInt16(buffer, static_cast<int16_t>(pictures.size()));
  for (const Picture& picture : pictures) SavePictureState(picture);
  return true;
}

bool PictureList::LoadPictureList(bool applyLive) {
  SaveBuffer& buffer = gSaveBuffer;
  int16_t stored = 0;
  if (!ReadInt16(buffer, stored)) return false;
  // A negative count is refused without the short-data flag; the blocks
  // after it then fail the end-marker test.
  if (stored < 0) return false;
  if (!FitsCount(buffer, stored, kMinPictureRecordBytes)) return false;
  pictures.resize(static_cast<size_t>(stored));
  for (Picture& picture : pictures) {
    picture = Picture();
    if (!LoadPictureState(picture, applyLive)) return false;
  }
  count = stored;
  if (stored > 0) {
    quartileKeys = {pictures[static_cast<size_t>(stored / 4)].number,
                    pictures[static_cast<size_t>(2 * stored / 4)].number,
                    pictures[static_cast<size_t>(3 * stored / 4)].number};
  }
  return true;
}
