#pragma once

#include <cstdint>
#include <vector>

// Ogg Theora clips for the movie tests, made with libtheora's encoder.
namespace movietest {

using Bytes = std::vector<uint8_t>;

struct Rgb {
  int red, green, blue;
};

struct ClipSpec {
  int width = 64, height = 48;  // picture size; the encoded size is rounded up to 16
  int rateNumerator = 30000, rateDenominator = 1001;
  int keyframeInterval = 4;
  std::vector<Rgb> frames;  // one solid colour per frame
  Bytes vorbis;             // an Ogg Vorbis file whose stream joins the clip, or empty
};

Bytes EncodeTheoraClip(const ClipSpec& spec);

}  // namespace movietest
