#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

#include "platform/midi/Midi.h"
#include "platform/modules/Modules.h"

namespace platform {

namespace {

// Lists by id: the song and its file image (the tempo map for start positions).
struct MidiList {
  int song = -1;
  std::vector<uint8_t> data;
};
std::map<int, MidiList> gLists;
int gPlaying = -1;  // the list id now playing

void StopPlaying() {
  const auto found = gLists.find(gPlaying);
  if (found != gLists.end()) StopMidiSong(found->second.song);
  gPlaying = -1;
}

void DeleteList(int id) {
  const auto found = gLists.find(id);
  if (found == gLists.end()) return;
  if (gPlaying == id) StopPlaying();
  CloseMidiSong(found->second.song);
  gLists.erase(found);
}

int SetDevice(int, int) { return StartMidi() ? 0 : -1; }

int ReadList(const void* data, int size, int, int id) {
  if (!data || size <= 0) return -1;
  DeleteList(id);
  const auto* bytes = static_cast<const uint8_t*>(data);
  const int song = OpenMidiSong(bytes, static_cast<size_t>(size));
  if (song < 0) return -1;  // a damaged file plays nothing
  gLists[id] = MidiList{song, std::vector<uint8_t>(bytes, bytes + size)};
  return 0;
}

void DeleteListEntry(int id) { DeleteList(id); }

int Play(int, int id, int positionMs) {
  const auto found = gLists.find(id);
  if (found == gLists.end()) return -1;
  StopPlaying();
  const int tick = MidiTickAtMs(found->second.data.data(), found->second.data.size(), positionMs);
  if (!PlayMidiSongFrom(found->second.song, true, tick)) return -1;
  gPlaying = id;
  return 0;
}

void Stop() { StopPlaying(); }

// v / 25 percent points off the full volume, heard as a wave sound at that
// volume would be (amplitude the square root of volume / 255).
void MasterVolume(int v) {
  const double volume = 100.0 + v / 25;  // NOLINT(bugprone-integer-division): whole volume steps
  constexpr double kUsualGain = 0.2;     // the synthesiser's own gain, heard at volume 100
  SetMidiGain(volume <= 0 ? 0.0 : kUsualGain * std::sqrt(std::min(volume, 255.0) / 100.0));
}

// t above 0 speeds up by 2t percent, t below 0 slows down by t / 2 percent.
void TempoDepth(int t) {
  const double percent = t >= 0 ? 100.0 + 2.0 * t : 100.0 + t / 2.0;
  SetMidiTempo(std::max(percent, 1.0) / 100.0);
}

void Free() {
  StopPlaying();
  for (auto& [id, list] : gLists) CloseMidiSong(list.song);
  gLists.clear();
  EndMidi();
}

template <typename F>
ModuleProc Proc(F f) {
  return reinterpret_cast<ModuleProc>(f);
}

}  // namespace

std::vector<ModuleEntry> MidiModuleEntries() {
  return {{"GGSSetDevice", Proc(&SetDevice)},
          {"GGSReadList", Proc(&ReadList)},
          {"GGSDeleteList", Proc(&DeleteListEntry)},
          {"GGSPlay", Proc(&Play)},
          {"GGSStop", Proc(&Stop)},
          {"GGSMasterVolume", Proc(&MasterVolume)},
          {"GGSTempoDepth", Proc(&TempoDepth)},
          {"GGSFree", Proc(&Free)}};
}

}  // namespace platform
