#include <gtest/gtest.h>

#include "support/GeometryDrawFixture.h"

namespace {

using geometry_test::BlendCase;
using geometry_test::ExpectBlendCases;
using geometry_test::Path;
using geometry_test::RunBlendCase;
using K = geometry_test::Kind;
constexpr uint32_t kWhite = 0xFFFFFF;

TEST(BlendMode1, CaseList) {
  ExpectBlendCases({
      {"255 is a whole-pixel copy", 1, K::Opaque, 1, 255, kWhite, false, -1, 0, 0x80123456, 0, 0x80123456},
      {"0 draws nothing", 1, K::Opaque, 1, 0, kWhite, false, -1, 0x11223344, 0x00FFFFFF, 0, 0x11223344},
      {"0 draws nothing with coverage and alpha", 1, K::Alpha, 1, 0, kWhite, false, 200, 0x11223344, 0x80FFFFFF, 0,
       0x11223344},
      {"a 1, d 100: s 200 stays, s 99 and s 0 give 99", 1, K::Opaque, 1, 1, kWhite, false, -1, 0x00646464, 0x000063C8,
       0, 0x00636364},
      {"a 128 both ways gives 127, byte 3 kept", 1, K::Opaque, 1, 128, kWhite, false, -1, 0xAAFF00FF, 0x0000FF00, 0,
       0xAA7F7F7F},
      {"a 254 toward white gives 253", 1, K::Opaque, 1, 254, kWhite, false, -1, 0, 0x00FFFFFF, 0, 0x00FDFDFD},
      {"16-bit a 128 white toward black", 0, K::Opaque, 1, 128, kWhite, false, -1, 0xFFFF, 0, 0, 0x8410},
      {"16-bit a 128 black toward white", 0, K::Opaque, 1, 128, kWhite, false, -1, 0, 0xFFFF, 0, 0x7BEF},
      {"16-bit a 1 keeps white", 0, K::Opaque, 1, 1, kWhite, false, -1, 0xFFFF, 0, 0, 0xFFFF},
      {"16-bit a 1 keeps black", 0, K::Opaque, 1, 1, kWhite, false, -1, 0, 0xFFFF, 0, 0},
      {"16-bit coverage 255, a 254 toward white", 0, K::Opaque, 1, 254, kWhite, false, 255, 0, 0xFFFF, 0, 0xF7DE},
      {"16-bit coverage 255, a 254 toward black", 0, K::Opaque, 1, 254, kWhite, false, 255, 0xFFFF, 0, 0, 0},
      {"16-bit red brightness 200", 0, K::Opaque, 1, 254, 0xC8FFFF, false, -1, 0, 0xF800, 0, 0xB800},
      {"alpha 255 with the flag", 1, K::Alpha, 1, 254, kWhite, true, -1, 0, 0xFFFFFFFF, 0, 0x00FDFDFD},
      {"alpha 255 without the flag", 1, K::Alpha, 1, 254, kWhite, false, -1, 0, 0xFFFFFFFF, 0, 0x00FCFCFC},
      {"alpha 0 without the flag keeps the pixel", 1, K::Alpha, 1, 128, kWhite, false, -1, 0x33445566, 0x00FFFFFF, 0,
       0x33445566},
      {"coverage 0 keeps the pixel", 1, K::Opaque, 1, 128, kWhite, false, 0, 0x33445566, 0x00FFFFFF, 0, 0x33445566},
      {"coverage, alpha and parameter toward white", 1, K::Alpha, 1, 254, kWhite, false, 255, 0, 0xFFFFFFFF, 0,
       0x00FBFBFB},
      {"coverage, alpha and parameter toward black", 1, K::Alpha, 1, 254, kWhite, false, 255, 0x00FFFFFF, 0xFF000000, 0,
       0x00030303},
      {"16-bit alpha 128, a 128", 0, K::Alpha, 1, 128, kWhite, false, -1, 0, 0xFFFF, 128, 0x39E7},
  });
}

// Parameter 255 runs the mode-0 loops in every combination.
TEST(BlendMode1, Parameter255IsMode0) {
  const K kinds[] = {K::Opaque, K::Alpha, K::Palette};
  for (int format : {0, 1}) {
    for (K kind : kinds) {
      for (int coverage : {-1, 77}) {
        for (uint32_t tint : {0xFFFFFFu, 0x40C0FFu}) {
          for (bool flag : {false, true}) {
            for (int alpha : {0, 90, 255}) {
              const uint32_t src = format == 1 ? (uint32_t(alpha) << 24 | 0x9C3A71u) : 0x9C71u;
              BlendCase c{"",  format, kind, 1, 255, tint, flag, coverage, format == 1 ? 0x5A2B8E11u : 0x2B8Eu,
                          src, alpha,  0};
              BlendCase zero = c;
              zero.mode = 0;
              for (Path path : {Path::Triangle, Path::Rotated}) {
                EXPECT_EQ(RunBlendCase(c, path).pixel, RunBlendCase(zero, path).pixel)
                    << format << " " << int(kind) << " " << coverage << " " << tint << " " << flag << " " << alpha;
              }
            }
          }
        }
      }
    }
  }
}

}  // namespace
