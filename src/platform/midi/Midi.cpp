#include "platform/midi/Midi.h"

#include <fluidsynth.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/audio/Audio.h"

namespace platform {

namespace {

struct Song {
  std::vector<uint8_t> data;
  fluid_player_t* player = nullptr;
  ~Song() {
    if (player) {
      fluid_player_stop(player);
      delete_fluid_player(player);
    }
  }
};

struct Synth {
  std::mutex lock;  // the synthesiser and its players against the audio thread
  fluid_settings_t* settings = nullptr;
  fluid_synth_t* synth = nullptr;
  int renderer = -1;
  std::vector<std::unique_ptr<Song>> songs;
  std::vector<float> left, right;
  double tempo = 1.0;
};

Synth gSynth;

void Render(int32_t* mix, int frames) {
  std::lock_guard lock(gSynth.lock);
  if (!gSynth.synth) return;
  if (static_cast<int>(gSynth.left.size()) < frames) {
    gSynth.left.resize(frames);
    gSynth.right.resize(frames);
  }
  // Floats, not the 16-bit output: that one adds dither noise to silence.
  fluid_synth_write_float(gSynth.synth, frames, gSynth.left.data(), 0, 1, gSynth.right.data(), 0, 1);
  constexpr float kScale = 32768.0f * 256.0f;
  for (int i = 0; i < frames; ++i) {
    mix[2 * static_cast<size_t>(i)] += static_cast<int32_t>(std::clamp(gSynth.left[i], -1.0f, 1.0f) * kScale);
    mix[2 * static_cast<size_t>(i) + 1] += static_cast<int32_t>(std::clamp(gSynth.right[i], -1.0f, 1.0f) * kScale);
  }
}

Song* Find(int song) {
  if (song < 0 || song >= static_cast<int>(gSynth.songs.size())) return nullptr;
  return gSynth.songs[song].get();
}

}  // namespace

bool StartMidi() {
  {
    std::lock_guard lock(gSynth.lock);
    if (gSynth.synth) return true;
    if (!IsAudioStarted()) return false;
    fluid_set_log_function(FLUID_WARN, nullptr, nullptr);
    fluid_set_log_function(FLUID_INFO, nullptr, nullptr);
    fluid_set_log_function(FLUID_DBG, nullptr, nullptr);
    gSynth.settings = new_fluid_settings();
    fluid_settings_setnum(gSynth.settings, "synth.sample-rate", kMixRate);
    // No effect tails: a stopped song is silent at once.
    fluid_settings_setint(gSynth.settings, "synth.reverb.active", 0);
    fluid_settings_setint(gSynth.settings, "synth.chorus.active", 0);
    fluid_settings_setstr(gSynth.settings, "player.timing-source", "sample");
    gSynth.synth = new_fluid_synth(gSynth.settings);
    if (!gSynth.synth || fluid_synth_sfload(gSynth.synth, kGeneralMidiSoundFont, 1) == FLUID_FAILED) {
      if (gSynth.synth) delete_fluid_synth(gSynth.synth);
      delete_fluid_settings(gSynth.settings);
      gSynth.synth = nullptr;
      gSynth.settings = nullptr;
      return false;
    }
  }
  gSynth.renderer = AddAudioRenderer(Render);
  return true;
}

void EndMidi() {
  if (gSynth.renderer >= 0) RemoveAudioRenderer(gSynth.renderer);
  gSynth.renderer = -1;
  std::lock_guard lock(gSynth.lock);
  gSynth.songs.clear();
  if (gSynth.synth) delete_fluid_synth(gSynth.synth);
  if (gSynth.settings) delete_fluid_settings(gSynth.settings);
  gSynth.synth = nullptr;
  gSynth.settings = nullptr;
}

namespace {

uint32_t BigEndian32(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

// A standard MIDI file whose header and every chunk it declares lie within
// the data. The synthesiser's player retries a cut-short file for ever, so
// such data is refused here.
bool MidiChunksComplete(const uint8_t* data, size_t size) {
  if (size < 14 || std::memcmp(data, "MThd", 4) != 0) return false;
  const uint32_t headerLength = BigEndian32(data + 4);
  if (headerLength < 6 || headerLength > size - 8) return false;
  const unsigned tracks = unsigned{data[10]} << 8 | data[11];
  unsigned found = 0;
  size_t at = 8 + headerLength;
  while (found < tracks) {
    if (size - at < 8) return false;
    const uint32_t length = BigEndian32(data + at + 4);
    if (length > size - at - 8) return false;
    if (std::memcmp(data + at, "MTrk", 4) == 0) ++found;
    at += 8 + static_cast<size_t>(length);
  }
  return tracks > 0;
}

}  // namespace

int OpenMidiSong(const uint8_t* data, size_t size) {
  std::lock_guard lock(gSynth.lock);
  if (!gSynth.synth || !data || !MidiChunksComplete(data, size)) return -1;
  auto song = std::make_unique<Song>();
  song->data.assign(data, data + size);
  song->player = new_fluid_player(gSynth.synth);
  if (!song->player || fluid_player_add_mem(song->player, song->data.data(), song->data.size()) != FLUID_OK) return -1;
  for (size_t i = 0; i < gSynth.songs.size(); ++i)
    if (!gSynth.songs[i]) {
      gSynth.songs[i] = std::move(song);
      return static_cast<int>(i);
    }
  gSynth.songs.push_back(std::move(song));
  return static_cast<int>(gSynth.songs.size() - 1);
}

void CloseMidiSong(int song) {
  std::lock_guard lock(gSynth.lock);
  if (Find(song)) gSynth.songs[song].reset();
}

bool PlayMidiSong(int song, bool looping) { return PlayMidiSongFrom(song, looping, 0); }

bool PlayMidiSongFrom(int song, bool looping, int startTick) {
  std::lock_guard lock(gSynth.lock);
  Song* s = Find(song);
  if (!s) return false;
  fluid_player_set_loop(s->player, looping ? -1 : 1);
  fluid_player_set_tempo(s->player, FLUID_PLAYER_TEMPO_INTERNAL, gSynth.tempo);
  fluid_player_seek(s->player, std::max(startTick, 0));
  return fluid_player_play(s->player) == FLUID_OK;
}

void StopMidiSong(int song) {
  std::lock_guard lock(gSynth.lock);
  Song* s = Find(song);
  if (!s) return;
  fluid_player_stop(s->player);
  fluid_synth_all_sounds_off(gSynth.synth, -1);
}

bool IsMidiSongPlaying(int song) {
  std::lock_guard lock(gSynth.lock);
  Song* s = Find(song);
  return s && fluid_player_get_status(s->player) == FLUID_PLAYER_PLAYING;
}

void SetMidiGain(double gain) {
  std::lock_guard lock(gSynth.lock);
  if (gSynth.synth) fluid_synth_set_gain(gSynth.synth, static_cast<float>(std::clamp(gain, 0.0, 10.0)));
}

void SetMidiTempo(double multiplier) {
  std::lock_guard lock(gSynth.lock);
  gSynth.tempo = std::clamp(multiplier, 0.001, 1000.0);
  for (auto& s : gSynth.songs)
    if (s) fluid_player_set_tempo(s->player, FLUID_PLAYER_TEMPO_INTERNAL, gSynth.tempo);
}

}  // namespace platform
