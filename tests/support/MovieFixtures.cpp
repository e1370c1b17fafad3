#include "support/MovieFixtures.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include <ogg/ogg.h>
#include <theora/theoraenc.h>

namespace movietest {

namespace {

void Append(Bytes& out, const ogg_page& page) {
  out.insert(out.end(), page.header, page.header + page.header_len);
  out.insert(out.end(), page.body, page.body + page.body_len);
}

// The pages of an Ogg file, whole.
std::vector<Bytes> PagesOf(const Bytes& file) {
  std::vector<Bytes> pages;
  ogg_sync_state sync;
  ogg_sync_init(&sync);
  char* buffer = ogg_sync_buffer(&sync, static_cast<long>(file.size()));
  std::memcpy(buffer, file.data(), file.size());
  ogg_sync_wrote(&sync, static_cast<long>(file.size()));
  ogg_page page;
  while (ogg_sync_pageout(&sync, &page) == 1) {
    Bytes b;
    Append(b, page);
    pages.push_back(std::move(b));
  }
  ogg_sync_clear(&sync);
  return pages;
}

uint8_t Clamp(double v) { return static_cast<uint8_t>(std::clamp(static_cast<int>(std::lround(v)), 0, 255)); }

}  // namespace

Bytes EncodeTheoraClip(const ClipSpec& spec) {
  th_info info;
  th_info_init(&info);
  info.frame_width = static_cast<ogg_uint32_t>((spec.width + 15) & ~15);
  info.frame_height = static_cast<ogg_uint32_t>((spec.height + 15) & ~15);
  info.pic_width = static_cast<ogg_uint32_t>(spec.width);
  info.pic_height = static_cast<ogg_uint32_t>(spec.height);
  info.fps_numerator = static_cast<ogg_uint32_t>(spec.rateNumerator);
  info.fps_denominator = static_cast<ogg_uint32_t>(spec.rateDenominator);
  info.pixel_fmt = TH_PF_420;
  info.colorspace = TH_CS_UNSPECIFIED;
  info.quality = 63;
  info.keyframe_granule_shift = 6;
  th_enc_ctx* encoder = th_encode_alloc(&info);
  int interval = spec.keyframeInterval;
  th_encode_ctl(encoder, TH_ENCCTL_SET_KEYFRAME_FREQUENCY_FORCE, &interval, sizeof interval);
  ogg_stream_state stream;
  ogg_stream_init(&stream, 0x7E0);
  th_comment comment;
  th_comment_init(&comment);
  ogg_packet packet;
  ogg_page page;
  Bytes out;
  const std::vector<Bytes> vorbis = spec.vorbis.empty() ? std::vector<Bytes>{} : PagesOf(spec.vorbis);
  // Every stream's first page comes before any other page.
  bool first = true;
  while (th_encode_flushheader(encoder, &comment, &packet) > 0) {
    ogg_stream_packetin(&stream, &packet);
    if (first) {
      while (ogg_stream_flush(&stream, &page) > 0) Append(out, page);
      if (!vorbis.empty()) out.insert(out.end(), vorbis[0].begin(), vorbis[0].end());
      first = false;
    }
  }
  while (ogg_stream_flush(&stream, &page) > 0) Append(out, page);
  for (size_t i = 1; i < vorbis.size(); ++i) out.insert(out.end(), vorbis[i].begin(), vorbis[i].end());

  const int w = static_cast<int>(info.frame_width), h = static_cast<int>(info.frame_height);
  std::vector<uint8_t> y(static_cast<size_t>(w * h)), u(static_cast<size_t>(w * h / 4)), v(u.size());
  for (size_t f = 0; f < spec.frames.size(); ++f) {
    const Rgb c = spec.frames[f];
    // Studio-range BT.601, the inverse of the player's conversion.
    const double yy = 16 + (65.481 * c.red + 128.553 * c.green + 24.966 * c.blue) / 255.0;
    const double cb = 128 + (-37.797 * c.red - 74.203 * c.green + 112.0 * c.blue) / 255.0;
    const double cr = 128 + (112.0 * c.red - 93.786 * c.green - 18.214 * c.blue) / 255.0;
    std::fill(y.begin(), y.end(), Clamp(yy));
    std::fill(u.begin(), u.end(), Clamp(cb));
    std::fill(v.begin(), v.end(), Clamp(cr));
    th_ycbcr_buffer buffer;
    buffer[0] = {w, h, w, y.data()};
    buffer[1] = {w / 2, h / 2, w / 2, u.data()};
    buffer[2] = {w / 2, h / 2, w / 2, v.data()};
    th_encode_ycbcr_in(encoder, buffer);
    const int last = f + 1 == spec.frames.size() ? 1 : 0;
    while (th_encode_packetout(encoder, last, &packet) > 0) ogg_stream_packetin(&stream, &packet);
    while (ogg_stream_pageout(&stream, &page) > 0) Append(out, page);
  }
  while (ogg_stream_flush(&stream, &page) > 0) Append(out, page);
  ogg_stream_clear(&stream);
  th_comment_clear(&comment);
  th_encode_free(encoder);
  th_info_clear(&info);
  return out;
}

}  // namespace movietest
