#include "platform/midi/Midi.h"

#include <fluidsynth.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/audio/Audio.h"

namespace platform {

namespace {

struct Song {
  std::vector<uint8_t> data;
  fluid_player_t* player = nullptr;  // made on the song's first play
  ~Song() {
    if (player) {
      fluid_player_stop(player);
      delete_fluid_player(player);
    }
  }
};

struct Synth {
  std::mutex lock;  // the synthesiser and its players against the audio thread
  // Started: the mixer runs and the SoundFont looks usable. The synthesiser
  // and the SoundFont (megabytes) load on the first play, not at start.
  bool started = false;
  bool loadFailed = false;
  std::string soundFont = kGeneralMidiSoundFont;
  fluid_settings_t* settings = nullptr;
  fluid_synth_t* synth = nullptr;
  int renderer = -1;
  std::vector<std::unique_ptr<Song>> songs;
  std::vector<float> left, right;
  double tempo = 1.0;
  double gain = -1;  // below 0: the synthesiser's own
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

// A readable file with a SoundFont's RIFF header: what start checks instead
// of loading it.
bool LooksLikeSoundFont(const std::string& path) {
  std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
  if (!file) return false;
  char header[12];
  return std::fread(header, 1, sizeof header, file.get()) == sizeof header && std::memcmp(header, "RIFF", 4) == 0 &&
         std::memcmp(header + 8, "sfbk", 4) == 0;
}

void SilenceFluidLog() {
  fluid_set_log_function(FLUID_WARN, nullptr, nullptr);
  fluid_set_log_function(FLUID_INFO, nullptr, nullptr);
  fluid_set_log_function(FLUID_DBG, nullptr, nullptr);
}

// The synthesiser with the SoundFont, made once on the main thread. The
// load runs outside the lock so the audio thread is not held up by it; only
// the main thread ever sets gSynth.synth. A failed load is remembered: its
// songs cannot play.
bool LoadSynth() {
  if (gSynth.synth) return true;
  if (!gSynth.started || gSynth.loadFailed) return false;
  fluid_settings_t* settings = new_fluid_settings();
  fluid_synth_t* synth = nullptr;
  if (settings) {
    fluid_settings_setnum(settings, "synth.sample-rate", kMixRate);
    // No effect tails: a stopped song is silent at once.
    fluid_settings_setint(settings, "synth.reverb.active", 0);
    fluid_settings_setint(settings, "synth.chorus.active", 0);
    fluid_settings_setstr(settings, "player.timing-source", "sample");
    synth = new_fluid_synth(settings);
  }
  if (!synth || fluid_synth_sfload(synth, gSynth.soundFont.c_str(), 1) == FLUID_FAILED) {
    if (synth) delete_fluid_synth(synth);
    if (settings) delete_fluid_settings(settings);
    gSynth.loadFailed = true;
    return false;
  }
  if (gSynth.gain >= 0) fluid_synth_set_gain(synth, static_cast<float>(gSynth.gain));
  std::lock_guard lock(gSynth.lock);
  gSynth.settings = settings;
  gSynth.synth = synth;
  return true;
}

}  // namespace

void SetMidiSoundFont(const std::string& path) { gSynth.soundFont = path; }

bool IsMidiSoundFontLoaded() { return gSynth.synth != nullptr; }

bool StartMidi() {
  if (gSynth.started) return true;
  if (!IsAudioStarted() || !LooksLikeSoundFont(gSynth.soundFont)) return false;
  SilenceFluidLog();
  gSynth.started = true;
  gSynth.loadFailed = false;
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
  gSynth.started = false;
  gSynth.loadFailed = false;
  gSynth.gain = -1;
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
  if (!gSynth.started || !data || !MidiChunksComplete(data, size)) return -1;
  auto song = std::make_unique<Song>();
  song->data.assign(data, data + size);
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
  if (!Find(song) || !LoadSynth()) return false;
  std::lock_guard lock(gSynth.lock);
  Song* s = Find(song);
  if (!s->player) {
    s->player = new_fluid_player(gSynth.synth);
    if (!s->player || fluid_player_add_mem(s->player, s->data.data(), s->data.size()) != FLUID_OK) return false;
  }
  fluid_player_set_loop(s->player, looping ? -1 : 1);
  fluid_player_set_tempo(s->player, FLUID_PLAYER_TEMPO_INTERNAL, gSynth.tempo);
  fluid_player_seek(s->player, std::max(startTick, 0));
  return fluid_player_play(s->player) == FLUID_OK;
}

void StopMidiSong(int song) {
  std::lock_guard lock(gSynth.lock);
  Song* s = Find(song);
  if (!s || !s->player) return;
  // The player goes with the stop: a stopped one still silences every
  // channel on its next tick, cutting the notes of the song played next.
  fluid_player_stop(s->player);
  delete_fluid_player(s->player);
  s->player = nullptr;
  fluid_synth_all_sounds_off(gSynth.synth, -1);
}

bool IsMidiSongPlaying(int song) {
  std::lock_guard lock(gSynth.lock);
  Song* s = Find(song);
  return s && s->player && fluid_player_get_status(s->player) == FLUID_PLAYER_PLAYING;
}

void SetMidiGain(double gain) {
  std::lock_guard lock(gSynth.lock);
  gSynth.gain = std::clamp(gain, 0.0, 10.0);
  if (gSynth.synth) fluid_synth_set_gain(gSynth.synth, static_cast<float>(gSynth.gain));
}

void SetMidiTempo(double multiplier) {
  std::lock_guard lock(gSynth.lock);
  gSynth.tempo = std::clamp(multiplier, 0.001, 1000.0);
  for (auto& s : gSynth.songs)
    if (s && s->player) fluid_player_set_tempo(s->player, FLUID_PLAYER_TEMPO_INTERNAL, gSynth.tempo);
}

}  // namespace platform
