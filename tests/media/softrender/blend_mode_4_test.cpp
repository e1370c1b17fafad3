#include <gtest/gtest.h>

#include "support/GeometryDrawFixture.h"

namespace {

using geometry_test::ExpectBlendCases;
using K = geometry_test::Kind;
constexpr uint32_t kWhite = 0xFFFFFF;

TEST(BlendMode4, MultiplyCaseList) {
  ExpectBlendCases({
      {"parameter 0 multiplies like 255", 1, K::Opaque, 4, 0, kWhite, false, -1, 0x99FF8000, 0x00FFFFFF, 0, 0x99FE7F00},
      {"white source drops one step, byte 3 kept", 1, K::Opaque, 4, 255, kWhite, false, -1, 0x99FF8000, 0x00FFFFFF, 0,
       0x99FE7F00},
      {"black source gives black", 1, K::Opaque, 4, 255, kWhite, false, -1, 0x99FF8000, 0, 0, 0x99000000},
      {"16-bit white over white", 0, K::Opaque, 4, 255, kWhite, false, -1, 0xFFFF, 0xFFFF, 0, 0xF7DE},
      {"16-bit white over white, coverage 255", 0, K::Opaque, 4, 255, kWhite, false, 255, 0xFFFF, 0xFFFF, 0, 0xEFBD},
      {"coverage 0 gives black", 1, K::Opaque, 4, 255, kWhite, false, 0, 0x99FF8000, 0x00FFFFFF, 0, 0x99000000},
      {"coverage 255 gives 253", 1, K::Opaque, 4, 255, kWhite, false, 255, 0x00FFFFFF, 0x00FFFFFF, 0, 0x00FDFDFD},
      {"alpha 0 without the flag gives black", 1, K::Alpha, 4, 255, kWhite, false, -1, 0x99FFFFFF, 0x00FFFFFF, 0,
       0x99000000},
      {"alpha 0 with the flag leaves the pixel", 1, K::Alpha, 4, 255, kWhite, true, -1, 0x99FFFFFF, 0x00FFFFFF, 0,
       0x99FFFFFF},
      {"16-bit alpha 0 with the flag leaves the pixel", 0, K::Alpha, 4, 255, kWhite, true, 255, 0xFFFF, 0xFFFF, 0,
       0xFFFF},
      {"alpha 255 with the flag", 1, K::Alpha, 4, 255, kWhite, true, -1, 0x00FFFFFF, 0xFFFFFFFF, 0, 0x00FEFEFE},
      {"alpha 255 without the flag", 1, K::Alpha, 4, 255, kWhite, false, -1, 0x00FFFFFF, 0xFFFFFFFF, 0, 0x00FDFDFD},
      {"alpha 255, coverage 255, with the flag", 1, K::Alpha, 4, 255, kWhite, true, 255, 0x00FFFFFF, 0xFFFFFFFF, 0,
       0x00FDFDFD},
      {"alpha 255, coverage 255, without the flag", 1, K::Alpha, 4, 255, kWhite, false, 255, 0x00FFFFFF, 0xFFFFFFFF, 0,
       0x00FCFCFC},
      {"alpha pixel equal to the key is drawn", 1, K::Alpha, 4, 255, kWhite, true, -1, 0x00FFFFFF, 0xFFFFFFFF, 0,
       0x00FEFEFE, 0xFFFFFFFF},
      {"black brightness gives black", 1, K::Opaque, 4, 255, 0, false, -1, 0x00FFFFFF, 0x00FFFFFF, 0, 0},
      {"16-bit red brightness 128: 31 x 15 / 32", 0, K::Opaque, 4, 255, 0x80FFFF, false, -1, 0xF800, 0xF800, 0, 0x7000},
      {"16-bit alpha 128 and coverage 128", 0, K::Alpha, 4, 255, kWhite, false, 128, 0xFFFF, 0xFFFF, 128, 0x39E7},
      {"keyed pixel untouched", 1, K::Opaque, 4, 255, kWhite, true, -1, 0x00FFFFFF, 0x00102030, 0, 0x00FFFFFF,
       0x00102030},
      {"palette keyed by index, not by colour", 1, K::Palette, 4, 255, kWhite, true, -1, 0x00FFFFFF, 0, 0, 0x00FFFFFF,
       7},
      {"palette drawn under another key", 1, K::Palette, 4, 255, kWhite, true, -1, 0x00FFFFFF, 0, 0, 0, 3},
  });
}

}  // namespace
