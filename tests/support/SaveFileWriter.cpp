#include "support/SaveFileWriter.h"

#include "gamedata/SaveBuffer.h"
#include "support/ByteBuilder.h"

namespace {

void Str16Z(ByteBuilder& out, const std::string& text) {
  out.Int16(static_cast<int>(text.size() + 1)).Bytes(text).Uint8(0);
}

void EventSystemBytes(ByteBuilder& out, const EventSystemBlock& es, int v) {
  out.Int8(0).Int8(0).Int32(es.playTimeSeconds).Int32(0).Int32(es.currentBgm).Int32(es.currentBgs).Float(1.0f);
  out.Int32(0);                                                               // frame-skip mode
  for (int32_t value : {0, -1, -1, -1, -1, -1, -1, -1, 0}) out.Int32(value);  // window values
  for (int i = 0; i < 9; ++i) out.Int16(0);                                   // tone
  out.Int16(-1).Int16(-1);
  for (int i = 0; i < 3; ++i) out.Int16(0);  // flash
  out.Int16(-1).Int16(-1);
  for (int32_t value : {22, -1, 0, 0, -1, 0, 0, 0, 255}) out.Int32(value);  // font size, panorama, fog
  out.Int8(0).Int16(es.heroOpacity).Int32(16).Int32(5);
  for (int value : {320, 137, 150, 400}) out.Int16(value);
  out.Int32(120).Int32(1000000).Int32(1).Int8(1);
  if (v <= 96) out.Int32(0x5A5A5A5A);
  out.Int32(es.scrollLock);
  if (v >= 98) out.Int32(es.textRendererSwitch).Int32(0);
  if (v >= 100) {
    out.Int32(es.transitionNumber).Int32(20).Int8(0);
    out.Int32(static_cast<int32_t>(es.savedPartyNames.size()));
    for (const std::string& name : es.savedPartyNames) out.Int32(static_cast<int32_t>(name.size())).Bytes(name);
    out.IntList(es.partyOpacities);
    for (int i = 0; i < 5; ++i) out.Int32(0);
  }
  if (v >= 101)
    for (int32_t code : es.storedKeyCodes) out.Int32(code);
  if (v >= 102) out.Int16(es.partyTrailDistance);
  if (v >= 103) {
    Str16Z(out, es.messagePrefix);
    Str16Z(out, "");
  }
  if (v >= 104) out.Int32(es.frameCounter);
  if (v >= 106) out.Int32(es.bgmMasterVolume).Int32(100).Int32(100);
  if (v >= 108) {
    for (int i = 0; i < 2; ++i) {
      Str16Z(out, "");
      out.Int32(0).Int32(0).Int32(0);
    }
  }
  if (v >= 109) {
    Str16Z(out, es.panoramaFile);
    Str16Z(out, "");
    out.Int8(es.mouseCursorShown);
  }
  if (v >= 110) out.Int8(es.partyFollowing);
}

void VariableStoreBytes(ByteBuilder& out, const SaveFileSpec& spec) {
  out.Int32(spec.randomState).Int32(0);  // no map self variables
  out.Int32(1).IntList(spec.variables);
  out.Int32(static_cast<int32_t>(spec.strings.size()));
  for (const std::string& text : spec.strings) {
    if (spec.version >= 111) {
      out.Text(text);
    } else {
      out.Text16(text);
    }
  }
  out.Int32(0).Int32(0);  // no common-event self variables
}

void HeroBytes(ByteBuilder& out, const SaveFileSpec& spec) {
  gSaveBuffer.BeginWrite();
  spec.hero.SaveCharacterState();
  out.Bytes(gSaveBuffer.data);
  out.Int32(static_cast<int32_t>(spec.party.size()));
  gSaveBuffer.BeginWrite();
  for (const MapCharacter& member : spec.party) member.SaveCharacterState();
  out.Bytes(gSaveBuffer.data);
  out.Uint8(0).Uint8(0).IntList(spec.trail);
}

void PictureBytes(ByteBuilder& out, const std::vector<PictureRecord>& pictures, int v) {
  out.Int16(static_cast<int>(pictures.size()));
  for (const PictureRecord& p : pictures) {
    out.Int32(p.number).Int8(0).Uint8(p.erased).Int16(0).Uint8(p.textPicture).Uint8(0);
    Str16Z(out, p.source);
    out.Int32(p.x).Int32(p.y).Int32(p.divisionsX).Int32(p.divisionsY).Int32(p.pattern);
    out.Int32(255).Int32(0).Int32(0).Int32(0).Int32(p.zoomX).Int32(p.zoomY).Int32(0);
    for (int i = 0; i < 6; ++i) out.Int32(0);
    if (v >= 105)
      for (int32_t value : p.toneChange) out.Int32(value);
    if (v >= 107) out.Uint8(p.mapBound);
  }
}

}  // namespace

std::vector<uint8_t> SaveFileBody(const SaveFileSpec& spec) {
  ByteBuilder out;
  out.Uint8(0x19);
  Str16Z(out, spec.title);
  out.Int16(spec.version);
  out.Bytes(MapStateBlockBytes(spec.map, spec.version));
  EventSystemBytes(out, spec.eventSystem, spec.version);
  VariableStoreBytes(out, spec);
  HeroBytes(out, spec);
  PictureBytes(out, spec.pictures, spec.version);
  out.Uint8(111).Int32(static_cast<int32_t>(spec.variableDatabase.size()));
  for (const DatTypeRecord& type : spec.variableDatabase) AppendDatTypeRecord(out, type);
  if (spec.replayLog.empty()) {
    out.Uint8(0);  // no replay log
  } else {
    out.Bytes(spec.replayLog);
  }
  out.Uint8(0x19);
  out.Fill(spec.trailingBytes, 0x33);
  return out.Take();
}

std::vector<uint8_t> WriteSaveFileImage(const SaveFileSpec& spec) {
  const std::vector<uint8_t> body = SaveFileBody(spec);
  ScrambleOptions options = spec.scramble;
  // The reader sums the body up to the end marker.
  if (!options.checkedLength) options.checkedLength = body.size() - spec.trailingBytes;
  return WriteScrambledFile(DataFileKind::Save, body, options);
}
