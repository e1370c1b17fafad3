#include <gtest/gtest.h>

#include "support/GeometryDrawFixture.h"

namespace {

using geometry_test::BlendCase;
using geometry_test::ExpectBlendCases;
using K = geometry_test::Kind;
constexpr uint32_t kWhite = 0xFFFFFF;

// Source steps (range, key, palette, alpha, tint, coverage) and blend mode 0.
TEST(BlendMode0, SourceStepsAndReplace) {
  ExpectBlendCases({
      {"coverage 255 toward white stops at 254, byte 3 kept", 1, K::Opaque, 0, 255, kWhite, false, 255, 0xFF000000,
       0x00FFFFFF, 0, 0xFFFEFEFE},
      {"coverage 255 toward black reaches 0", 1, K::Opaque, 0, 255, kWhite, false, 255, 0x00FFFFFF, 0x00000000, 0,
       0x00000000},
      {"alpha 255 with the flag: coverage alone", 1, K::Alpha, 0, 255, kWhite, true, 255, 0, 0xFFFFFFFF, 0, 0x00FEFEFE},
      {"alpha 255 without the flag: coverage and alpha", 1, K::Alpha, 0, 255, kWhite, false, 255, 0, 0xFFFFFFFF, 0,
       0x00FDFDFD},
      {"alpha 255 with the flag stores the whole texel", 1, K::Alpha, 0, 255, kWhite, true, -1, 0x12000000, 0xFFFFFFFF,
       0, 0xFFFFFFFF},
      {"alpha 255 without the flag is weighted", 1, K::Alpha, 0, 255, kWhite, false, -1, 0x12000000, 0xFFFFFFFF, 0,
       0x12FEFEFE},
      {"alpha 0 with the flag is skipped", 1, K::Alpha, 0, 255, kWhite, true, -1, 0x12345678, 0x00FFFFFF, 0,
       0x12345678},
      {"alpha 0 without the flag writes the destination back", 1, K::Alpha, 0, 255, kWhite, false, -1, 0x12345678,
       0x00FFFFFF, 0, 0x12345678},
      {"key compares byte 3 too", 1, K::Opaque, 0, 255, kWhite, true, -1, 0, 0x01FF00FF, 0, 0x01FF00FF, 0x00FF00FF},
      {"exact key is skipped", 1, K::Opaque, 0, 255, kWhite, true, -1, 0x11223344, 0x00FF00FF, 0, 0x11223344,
       0x00FF00FF},
      {"key ignored without the flag", 1, K::Opaque, 0, 255, kWhite, false, -1, 0x11223344, 0x00FF00FF, 0, 0x00FF00FF,
       0x00FF00FF},
      {"palette keyed by its index", 1, K::Palette, 0, 255, kWhite, true, -1, 0x55, 0x00ABCDEF, 0, 0x55, 7},
      {"palette not keyed by an index of the same colour", 1, K::Palette, 0, 255, kWhite, true, -1, 0x55, 0x00ABCDEF, 0,
       0x00ABCDEF, 3},
      {"palette with alpha flag has no alpha", 1, K::PaletteWithAlphaFlag, 0, 255, kWhite, false, -1, 0, 0x80112233, 0,
       0x80112233},
      {"black brightness zeroes colour, keeps byte 3", 1, K::Opaque, 0, 255, 0x000000, false, -1, 0x55FFFFFF,
       0x00FFFFFF, 0, 0x55000000},
      {"top byte of the brightness is ignored", 1, K::Opaque, 0, 255, 0xAAFFFFFF, false, -1, 0, 0x7F123456, 0,
       0x7F123456},
      {"tint and coverage", 1, K::Opaque, 0, 255, 0x80FFFF, false, 128, 0, 0x00FFFFFF, 0, 0x00407F7F},
      {"16-bit red 31 at brightness 128 gives 15", 0, K::Opaque, 0, 255, 0x80FFFF, false, -1, 0, 0xF800, 0, 0x7800},
      {"16-bit coverage 128", 0, K::Opaque, 0, 255, kWhite, false, 128, 0, 0xFFFF, 0, 0x7BEF},
      {"16-bit alpha 255 with the flag stores the word", 0, K::Alpha, 0, 255, kWhite, true, -1, 0, 0x1234, 255, 0x1234},
      {"16-bit alpha 0 with the flag is skipped", 0, K::Alpha, 0, 255, kWhite, true, -1, 0xABCD, 0xFFFF, 0, 0xABCD},
      {"16-bit alpha 128", 0, K::Alpha, 0, 255, kWhite, false, -1, 0, 0xFFFF, 128, 0x7BEF},
      {"16-bit alpha and coverage", 0, K::Alpha, 0, 255, kWhite, false, 255, 0, 0xFFFF, 255, 0xF7DE},
      {"16-bit palette", 0, K::Palette, 0, 255, kWhite, false, -1, 0, 0x8421, 0, 0x8421},
  });
}

}  // namespace
