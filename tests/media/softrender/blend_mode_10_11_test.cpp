#include <gtest/gtest.h>

#include "support/GeometryDrawFixture.h"

namespace {

using geometry_test::ExpectBlendCases;
using K = geometry_test::Kind;
constexpr uint32_t kWhite = 0xFFFFFF;

TEST(BlendMode10, InvertedSourceCaseList) {
  ExpectBlendCases({
      {"parameter 0 keeps the pixel", 1, K::Alpha, 10, 0, 0x123456, false, 200, 0x11223344, 0x80ABCDEF, 0, 0x11223344},
      {"16-bit parameter 0 keeps the pixel", 0, K::Opaque, 10, 0, kWhite, false, -1, 0x1234, 0x0000, 0, 0x1234},
      {"black over black at 255 gives 254", 1, K::Opaque, 10, 255, kWhite, false, -1, 0, 0, 0, 0x00FEFEFE},
      {"white over white at 255 gives 0", 1, K::Opaque, 10, 255, kWhite, false, -1, 0x00FFFFFF, 0x00FFFFFF, 0, 0},
      {"a 128: 150, 127, 127", 1, K::Opaque, 10, 128, kWhite, false, -1, 0xEE00FF64, 0x0000FF37, 0, 0xEE7F7F96},
      {"a 1: 100, 99, 99", 1, K::Opaque, 10, 1, kWhite, false, -1, 0x00646464, 0x00FF9C37, 0, 0x00636364},
      {"coverage 255 black over black", 1, K::Opaque, 10, 255, kWhite, false, 255, 0, 0, 0, 0x00FDFDFD},
      {"coverage 255 white over white", 1, K::Opaque, 10, 255, kWhite, false, 255, 0x00FFFFFF, 0x00FFFFFF, 0,
       0x00010101},
      {"16-bit at 255: black becomes white", 0, K::Opaque, 10, 255, kWhite, false, -1, 0x1234, 0, 0, 0xFFFF},
      {"16-bit at 255: white becomes black", 0, K::Opaque, 10, 255, kWhite, false, -1, 0x5555, 0xFFFF, 0, 0},
      {"16-bit at 255: the complement", 0, K::Opaque, 10, 255, kWhite, false, -1, 0x5555, 0x8421, 0, 0x7BDE},
      {"16-bit a 128 black over black", 0, K::Opaque, 10, 128, kWhite, false, -1, 0, 0, 0, 0x7BEF},
      {"16-bit a 128 white over white", 0, K::Opaque, 10, 128, kWhite, false, -1, 0xFFFF, 0xFFFF, 0, 0x8410},
      {"16-bit a 1 keeps black", 0, K::Opaque, 10, 1, kWhite, false, -1, 0, 0, 0, 0},
      {"16-bit coverage 255 black over black", 0, K::Opaque, 10, 255, kWhite, false, 255, 0, 0, 0, 0xF7DE},
      {"16-bit coverage 255 white over white", 0, K::Opaque, 10, 255, kWhite, false, 255, 0xFFFF, 0xFFFF, 0, 0},
      {"alpha 255 with the flag", 1, K::Alpha, 10, 255, kWhite, true, -1, 0, 0xFF000000, 0, 0x00FEFEFE},
      {"alpha 255 without the flag", 1, K::Alpha, 10, 255, kWhite, false, -1, 0, 0xFF000000, 0, 0x00FDFDFD},
      {"16-bit alpha 255 with the flag", 0, K::Alpha, 10, 255, kWhite, true, -1, 0, 0, 255, 0xFFFF},
      {"16-bit alpha 255 without the flag", 0, K::Alpha, 10, 255, kWhite, false, -1, 0, 0, 255, 0xF7DE},
      {"black brightness moves toward 0", 1, K::Opaque, 10, 128, 0, false, -1, 0x00FFFFFF, 0x00123456, 0, 0x007F7F7F},
      {"blue brightness 200 tints the inverted level", 1, K::Opaque, 10, 255, 0xFFFFC8, false, -1, 0, 0x00FFFF37, 0,
       0x0000009B},
      {"16-bit red brightness 128 of inverted 0 is 15", 0, K::Opaque, 10, 255, 0x80FFFF, false, -1, 0, 0, 0, 0x7FFF},
      {"coverage 0 keeps the pixel", 1, K::Opaque, 10, 255, kWhite, false, 0, 0x00123456, 0, 0, 0x00123456},
      {"alpha 0 without the flag keeps the pixel", 1, K::Alpha, 10, 255, kWhite, false, -1, 0x00123456, 0, 0,
       0x00123456},
      {"palette with alpha flag has no alpha", 1, K::PaletteWithAlphaFlag, 10, 255, kWhite, false, -1, 0, 0x00000000, 0,
       0x00FEFEFE},
  });
}

TEST(BlendMode11, ProductCaseList) {
  ExpectBlendCases({
      {"parameter 0 keeps the pixel", 1, K::Opaque, 11, 0, kWhite, false, 255, 0x11223344, 0, 0, 0x11223344},
      {"a 255: the product, 200 x 100 gives 78", 1, K::Opaque, 11, 255, kWhite, false, -1, 0xAAC8C8C8, 0x00646464, 0,
       0xAA4E4E4E},
      {"white source, a 1", 1, K::Opaque, 11, 1, kWhite, false, -1, 0x00C800C8, 0x00FFFFFF, 0, 0x00C700C7},
      {"white source, a 128", 1, K::Opaque, 11, 128, kWhite, false, -1, 0x00C800C8, 0x00FFFFFF, 0, 0x00C700C7},
      {"white source, a 255", 1, K::Opaque, 11, 255, kWhite, false, -1, 0x00C800C8, 0x00FFFFFF, 0, 0x00C700C7},
      {"16-bit white over white, a 254", 0, K::Opaque, 11, 254, kWhite, false, -1, 0xFFFF, 0xFFFF, 0, 0xFFFF},
      {"16-bit white over white, a 255", 0, K::Opaque, 11, 255, kWhite, false, -1, 0xFFFF, 0xFFFF, 0, 0xF7DE},
      {"16-bit black source, red 31, a 128", 0, K::Opaque, 11, 128, kWhite, false, -1, 0xF800, 0, 0, 0x8000},
      {"black source, 255, a 128", 1, K::Opaque, 11, 128, kWhite, false, -1, 0x00FF0000, 0, 0, 0x007F0000},
      {"coverage 255 black over white", 1, K::Opaque, 11, 255, kWhite, false, 255, 0x00FFFFFF, 0, 0, 0x00010101},
      {"16-bit coverage 255 black over white", 0, K::Opaque, 11, 255, kWhite, false, 255, 0xFFFF, 0, 0, 0},
      {"alpha 255 with the flag", 1, K::Alpha, 11, 255, kWhite, true, -1, 0x00FFFFFF, 0xFF000000, 0, 0},
      {"alpha 255 without the flag", 1, K::Alpha, 11, 255, kWhite, false, -1, 0x00FFFFFF, 0xFF000000, 0, 0x00010101},
      {"alpha 255, coverage 255, with the flag", 1, K::Alpha, 11, 255, kWhite, true, 255, 0x00FFFFFF, 0xFF000000, 0,
       0x00010101},
      {"alpha 255, coverage 255, without the flag", 1, K::Alpha, 11, 255, kWhite, false, 255, 0x00FFFFFF, 0xFF000000, 0,
       0x00020202},
      {"alpha pixel equal to the key is drawn", 1, K::Alpha, 11, 255, kWhite, true, -1, 0x00FFFFFF, 0xFF000000, 0, 0,
       0xFF000000},
      {"alpha 0 with the flag keeps the pixel", 1, K::Alpha, 11, 255, kWhite, true, -1, 0x00FFFFFF, 0x00000000, 0,
       0x00FFFFFF},
      {"16-bit alpha green 1: fine product", 0, K::Alpha, 11, 255, kWhite, false, -1, 0x07E0, 0x0020, 255, 0x0020},
      {"16-bit alpha green 1 tinted: table product", 0, K::Alpha, 11, 255, 0xFFFFFE, false, -1, 0x07E0, 0x0020, 255,
       0x0000},
      {"16-bit alpha green 3: fine product", 0, K::Alpha, 11, 255, kWhite, false, -1, 0x07E0, 0x0060, 255, 0x0060},
      {"16-bit alpha green 3 tinted: table product", 0, K::Alpha, 11, 255, 0xFFFFFE, false, -1, 0x07E0, 0x0060, 255,
       0x0040},
      {"keyed palette index untouched", 1, K::Palette, 11, 255, kWhite, true, -1, 0x00FFFFFF, 0, 0, 0x00FFFFFF, 7},
      {"palette with alpha flag has no alpha", 1, K::PaletteWithAlphaFlag, 11, 255, kWhite, false, -1, 0x00FFFFFF,
       0x00000000, 0, 0},
  });
}

}  // namespace
