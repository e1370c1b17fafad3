// The picture list's block in save files: the final values of each picture
// (a change in progress keeps where it ends; its start values are not kept).
#include <limits>

#include "gamedata/GlobalObjects.h"
#include "gamedata/SaveBuffer.h"
#include "presentation/PictureFileCache.h"

namespace {

// First save formats with the colour-tone change state and the map-bound flag.
constexpr int kVersionWithTone = 105;
constexpr int kVersionWithMapBound = 107;
// The smallest record of the oldest format: fixed fields and an empty source.
constexpr size_t kMinPictureRecordBytes = 84;

// The colour-tone change state of a picture, in stored order (format 105 on):
// the packed tone colours, then the flash, tone and shift counters and the
// shake amplitude across, then the zoom effect's counters and zoom pair.
template <typename P>
auto ToneChangeFields(P& p) {
  return std::array{&p.toneTarget,      &p.toneFrom,         &p.flashColor,     &p.flashTotal,      &p.flashRemaining,
                    &p.toneTotal,       &p.toneRemaining,    &p.shiftTargetX,   &p.shiftFromX,      &p.shiftTargetY,
                    &p.shiftFromY,      &p.shiftTotal,       &p.shiftRemaining, &p.shakeAmplitudeX, &p.effectTotal,
                    &p.effectRemaining, &p.effectZoomTarget, &p.effectZoomFrom};
}

// Makes a loaded picture drawable again: an image picture takes its file's
// graphs anew, a text picture its measured size.
void RebuildLoadedPicture(Picture& picture) {
  if (picture.isTextPicture) {
    picture.isHidden = 0;
    picture.textBlock.revealSpeed = gEventSystem.fallbackRevealSpeed;
    int width = 0, height = 0;
    picture.textBlock.MeasureTextBlock(width, height);
    picture.cellWidth = width;
    picture.cellHeight = height;
    return;
  }
  if (ReloadPictureImage(picture)) picture.isHidden = 0;
}

}  // namespace

void SavePictureState(const Picture& picture) {
  SaveBuffer& buffer = gSaveBuffer;
  buffer.WriteInt32(picture.number);
  buffer.WriteUint8(static_cast<uint8_t>(picture.targetBlend));
  buffer.WriteUint8(picture.isErased);
  WriteInt16(buffer, picture.anchor);
  buffer.WriteUint8(picture.isTextPicture);
  buffer.WriteUint8(picture.isWindowFrame);
  // A text picture's source is its text.
  buffer.WriteStr16Z(picture.isTextPicture ? picture.textBlock.pendingText : picture.fileName);
  buffer.WriteInt32(picture.targetX);
  buffer.WriteInt32(picture.targetY);
  buffer.WriteInt32(picture.xDivision);
  buffer.WriteInt32(picture.yDivision);
  buffer.WriteInt32(picture.targetPattern);
  buffer.WriteInt32(picture.targetOpacity);
  buffer.WriteInt32(picture.fromOpacity);
  buffer.WriteInt32(picture.remainingFrames);
  buffer.WriteInt32(picture.totalFrames);
  buffer.WriteInt32(picture.targetZoomX);
  buffer.WriteInt32(picture.targetZoomY);
  buffer.WriteInt32(picture.targetAngle);
  for (int32_t value : picture.targetColor) buffer.WriteInt32(value);
  for (int32_t value : picture.fromColor) buffer.WriteInt32(value);
  for (const int32_t* value : ToneChangeFields(picture)) buffer.WriteInt32(*value);
  buffer.WriteUint8(picture.isMapBound);
}

bool LoadPictureState(Picture& picture, bool applyLive) {
  SaveBuffer& buffer = gSaveBuffer;
  const int version = buffer.formatNumber;
  uint8_t blend = 0;
  std::string source;
  if (!buffer.ReadInt32(picture.number) || !buffer.ReadUint8(blend) || !buffer.ReadUint8(picture.isErased) ||
      !ReadInt16(buffer, picture.anchor) || !buffer.ReadUint8(picture.isTextPicture) ||
      !buffer.ReadUint8(picture.isWindowFrame) || !buffer.ReadStr16Z(source) || !buffer.ReadInt32(picture.targetX) ||
      !buffer.ReadInt32(picture.targetY) || !buffer.ReadInt32(picture.xDivision) ||
      !buffer.ReadInt32(picture.yDivision)) {
    return false;
  }
  picture.targetBlend = blend;
  if (picture.isTextPicture) {
    picture.textBlock.pendingText = source;
  } else {
    // The file is the one the picture lets go when it shows another.
    picture.fileName = source;
    picture.previousFileName = source;
  }
  if (applyLive) RebuildLoadedPicture(picture);
  if (!buffer.ReadInt32(picture.targetPattern) || !buffer.ReadInt32(picture.targetOpacity) ||
      !buffer.ReadInt32(picture.fromOpacity) || !buffer.ReadInt32(picture.remainingFrames) ||
      !buffer.ReadInt32(picture.totalFrames) || !buffer.ReadInt32(picture.targetZoomX) ||
      !buffer.ReadInt32(picture.targetZoomY) || !buffer.ReadInt32(picture.targetAngle)) {
    return false;
  }
  for (int32_t& value : picture.targetColor)
    if (!buffer.ReadInt32(value)) return false;
  for (int32_t& value : picture.fromColor)
    if (!buffer.ReadInt32(value)) return false;
  if (version >= kVersionWithTone) {
    for (int32_t* value : ToneChangeFields(picture))
      if (!buffer.ReadInt32(*value)) return false;
  }
  if (version >= kVersionWithMapBound && !buffer.ReadUint8(picture.isMapBound)) return false;
  return true;
}

bool PictureList::SavePictureList() const {
  SaveBuffer& buffer = gSaveBuffer;
  // The count field is 16 bits: more pictures cannot be saved.
  if (pictures.size() > static_cast<size_t>(std::numeric_limits<int16_t>::max())) buffer.writeFailed = true;
  WriteInt16(buffer, static_cast<int16_t>(pictures.size()));
  for (const auto& [number, picture] : pictures) SavePictureState(picture);
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
  pictures.clear();
  for (int16_t i = 0; i < stored; ++i) {
    Picture picture;
    if (!LoadPictureState(picture, false)) return false;
    // A save holds each number once; a damaged one that repeats a number
    // keeps the first record, and no graphs are made for the others.
    const auto [at, added] = pictures.try_emplace(picture.number, std::move(picture));
    if (added && applyLive) RebuildLoadedPicture(at->second);
  }
  count = static_cast<int32_t>(pictures.size());
  return true;
}
