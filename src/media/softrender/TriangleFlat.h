#pragma once

#include <cstdint>

#include "media/softrender/BlendModePixel.h"

// Pixel operations of the flat-colour triangle: one colour, already tinted,
// combined with every visited destination pixel by the blend mode.
namespace memimg_pixel {

struct FlatContext {
  uint32_t q = 0;                    // the tinted colour in the destination's format
  uint32_t scaled = 0;               // q scaled by the parameter (additive modes)
  const int32_t* signedA = nullptr;  // signed-scale row of the parameter, at difference 0
  int32_t a = 0;
};

template <int Fmt, int Mode>
struct FlatOp {
  static constexpr int kDstBytes = Fmt == 1 ? 4 : 2;

  static inline void Apply(const FlatContext& c, uint8_t* dst) {
    if constexpr (Mode == 0) {
      StorePixel<Fmt>(dst, c.q);
    } else if constexpr (Mode == 2 || Mode == 3) {
      const uint32_t d = LoadPixel<Fmt>(dst);
      if constexpr (Fmt == 1) {
        Store32(dst, Mode == 2 ? MemImgAddPacked32(d, c.scaled) : MemImgSubtractPacked32(d, c.scaled));
      } else {
        Store16(dst, Mode == 2 ? MemImgAddPacked16(d, c.scaled) : MemImgSubtractPacked16(d, c.scaled));
      }
    } else {
      const uint32_t d = LoadPixel<Fmt>(dst);
      StorePixel<Fmt>(dst, Pack<Fmt>(d, Channel<0>(c, d), Channel<1>(c, d), Channel<2>(c, d)));
    }
  }

 private:
  template <int C>
  static inline int32_t Channel(const FlatContext& c, uint32_t dstPixel) {
    const int32_t d = Level<Fmt, C>(dstPixel);
    const int32_t q = Level<Fmt, C>(c.q);
    if constexpr (Mode == 4) {
      return (q * d) >> kWidth<Fmt, C>;
    } else {
      int32_t target = q;
      if constexpr (Mode == 10) {
        // The tinted colour is inverted, not the other way round.
        target = kMax<Fmt, C> - q;
      } else if constexpr (Mode == 11) {
        target = (q * d) >> kWidth<Fmt, C>;
      }
      if constexpr (Fmt == 1) {
        return (target * c.a + d * (256 - c.a)) >> 8;
      } else {
        return d + c.signedA[target - d];
      }
    }
  }
};

}  // namespace memimg_pixel
