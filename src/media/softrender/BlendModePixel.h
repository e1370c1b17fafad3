#pragma once

#include <cstdint>
#include <cstring>

#include "media/softrender/PackedOps.h"

// Per-pixel work shared by the textured triangle and the rotated draw: from a
// texel to the destination pixel, for every combination of pixel format,
// source kind, blend mode, coverage, tint and transparency flag. Each
// combination is its own instantiation, so a draw picks one once and its
// loop carries no tests but the skips of that combination.
namespace memimg_pixel {

enum class SourceKind { Palette, Opaque, Alpha };

// Values fixed for one draw.
struct PixelContext {
  const uint8_t* palette = nullptr;  // the source's own palette
  uint32_t key = 0;                  // transparent colour (an index for palette sources)
  const int32_t* tint[3] = {};       // scale rows of the brightness bytes: blue, green, red
  const int32_t* scaleA = nullptr;   // scale row of the blend parameter
  const int32_t* signedA = nullptr;  // signed-scale row of the blend parameter, at difference 0
  int32_t a = 0;                     // blend parameter
  const uint8_t* border = nullptr;   // coverage by blend-image byte
};

inline uint32_t Load32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}
inline uint32_t Load16(const uint8_t* p) {
  uint16_t v;
  std::memcpy(&v, p, 2);
  return v;
}
inline void Store32(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }
inline void Store16(uint8_t* p, uint32_t v) {
  const uint16_t w = static_cast<uint16_t>(v);
  std::memcpy(p, &w, 2);
}

// Channel 0 blue, 1 green, 2 red. 16-bit levels stay at their own width.
template <int Fmt, int C>
inline constexpr int kShift = Fmt == 1 ? 8 * C : (C == 0 ? 0 : (C == 1 ? 5 : 11));
template <int Fmt, int C>
inline constexpr int kWidth = Fmt == 1 ? 8 : (C == 1 ? 6 : 5);
template <int Fmt, int C>
inline constexpr int32_t kMax = (1 << kWidth<Fmt, C>)-1;

template <int Fmt, int C>
inline int32_t Level(uint32_t pixel) {
  return static_cast<int32_t>((pixel >> kShift<Fmt, C>)&kMax<Fmt, C>);
}

template <int Fmt>
inline uint32_t LoadPixel(const uint8_t* p) {
  if constexpr (Fmt == 1) {
    return Load32(p);
  } else {
    return Load16(p);
  }
}
template <int Fmt>
inline void StorePixel(uint8_t* p, uint32_t v) {
  if constexpr (Fmt == 1) {
    Store32(p, v);
  } else {
    Store16(p, v);
  }
}

// Packs three computed levels; a 32-bit destination keeps its fourth byte.
template <int Fmt>
inline uint32_t Pack(uint32_t old, int32_t b, int32_t g, int32_t r) {
  if constexpr (Fmt == 1) {
    return (old & 0xFF000000u) | (static_cast<uint32_t>(r & 0xFF) << 16) | (static_cast<uint32_t>(g & 0xFF) << 8) |
           static_cast<uint32_t>(b & 0xFF);
  } else {
    (void)old;
    return (static_cast<uint32_t>(r) << 11) | (static_cast<uint32_t>(g) << 5) | static_cast<uint32_t>(b);
  }
}

// d + floor(diff * weight / 2^shift); the weight may need more than 31 bits
// of product when four factors meet.
template <int Shift>
inline int32_t MoveToward(int32_t d, int32_t diff, uint32_t weight) {
  if constexpr (Shift >= 24) {
    return d + static_cast<int32_t>((static_cast<int64_t>(diff) * weight) >> Shift);
  } else {
    return d + ((diff * static_cast<int32_t>(weight)) >> Shift);
  }
}

template <int Fmt, SourceKind Kind, int Mode, bool Cover, bool Tint, bool Flag>
struct PixelOp {
  static constexpr int kFormat = Fmt;
  static constexpr int kUnit = Kind == SourceKind::Palette ? 1 : (Fmt == 1 ? 4 : (Kind == SourceKind::Alpha ? 4 : 2));
  static constexpr int kDstBytes = Fmt == 1 ? 4 : 2;
  static constexpr bool kCover = Cover;

  // texel: the source unit; blend: the blend-image byte at the same texel
  // (only read with coverage).
  static inline void Apply(const PixelContext& c, uint8_t* dst, const uint8_t* texel, const uint8_t* blend) {
    uint32_t colour;
    int32_t sa = 255;
    if constexpr (Kind == SourceKind::Palette) {
      const uint32_t index = *texel;
      if constexpr (Flag) {
        if (index == c.key) return;
      }
      colour = Fmt == 1 ? Load32(c.palette + size_t{index} * 4) : Load16(c.palette + size_t{index} * 2);
    } else {
      colour = LoadPixel<Fmt>(texel);
      if constexpr (Kind == SourceKind::Opaque) {
        if constexpr (Flag) {
          if (colour == c.key) return;
        }
      } else {
        sa = Fmt == 1 ? static_cast<int32_t>(colour >> 24) : texel[2];
      }
    }
    int32_t k = 0;
    if constexpr (Cover) k = c.border[*blend];
    if constexpr (Kind == SourceKind::Alpha && Flag) {
      // A fully transparent texel is skipped in every mode; a fully opaque
      // one takes the form without alpha.
      if (sa == 0) return;
      if (sa == 255) {
        Blend<false>(c, dst, colour, sa, k);
        return;
      }
    }
    Blend<Kind == SourceKind::Alpha>(c, dst, colour, sa, k);
  }

 private:
  template <int C>
  static inline int32_t Tinted(const PixelContext& c, int32_t level) {
    if constexpr (Tint) {
      return c.tint[C][level];
    } else {
      (void)c;
      return level;
    }
  }

  // Target level of the lerp modes: the tinted source (0, 1), its tinted
  // inversion (10) or the product with the destination (11).
  template <int C>
  static inline int32_t Target(const PixelContext& c, int32_t d, int32_t s) {
    if constexpr (Mode == 10) {
      return Tinted<C>(c, kMax<Fmt, C> - s);
    } else if constexpr (Mode == 11) {
      return (d * Tinted<C>(c, s)) >> kWidth<Fmt, C>;
    } else {
      (void)d;
      return Tinted<C>(c, s);
    }
  }

  template <bool E, int C>
  static inline int32_t LerpChannel(const PixelContext& c, uint32_t dstPixel, uint32_t colour, int32_t sa, int32_t k) {
    const int32_t d = Level<Fmt, C>(dstPixel);
    const int32_t s = Level<Fmt, C>(colour);
    if constexpr (Mode == 11 && Fmt == 0 && C == 1 && Kind == SourceKind::Alpha && !Cover && !Tint && E) {
      // Untinted 16-bit alpha green keeps five more fraction bits of the product.
      const int32_t q = (d * s) >> 1;
      return (d * (1 << 21) + (q - 32 * d) * sa * c.a) >> 21;
    }
    const int32_t target = Target<C>(c, d, s);
    if constexpr (Mode == 0) {
      if constexpr (!Cover && !E) {
        return target;
      } else if constexpr (Cover && E) {
        return MoveToward<16>(d, target - d, static_cast<uint32_t>(k * sa));
      } else {
        return MoveToward<8>(d, target - d, static_cast<uint32_t>(Cover ? k : sa));
      }
    } else {
      if constexpr (!Cover && !E) {
        if constexpr (Fmt == 0) {
          return d + c.signedA[target - d];
        } else {
          return MoveToward<8>(d, target - d, static_cast<uint32_t>(c.a));
        }
      } else if constexpr (Cover && E) {
        return MoveToward<24>(d, target - d, static_cast<uint32_t>(k * sa * c.a));
      } else {
        return MoveToward<16>(d, target - d, static_cast<uint32_t>((Cover ? k : sa) * c.a));
      }
    }
  }

  template <bool E, int C>
  static inline int32_t MultiplyChannel(const PixelContext& c, uint32_t dstPixel, uint32_t colour, int32_t sa,
                                        int32_t k) {
    const uint32_t d = static_cast<uint32_t>(Level<Fmt, C>(dstPixel));
    const uint32_t t = static_cast<uint32_t>(Tinted<C>(c, Level<Fmt, C>(colour)));
    uint32_t product = d * t;
    int shift = kWidth<Fmt, C>;
    if constexpr (Cover) {
      product *= static_cast<uint32_t>(k);
      shift += 8;
    }
    if constexpr (E) {
      product *= static_cast<uint32_t>(sa);
      shift += 8;
    }
    return static_cast<int32_t>(product >> shift);
  }

  // Weight of the additive and subtractive modes for one channel.
  template <bool E, int C>
  static inline uint32_t AddWeight(const PixelContext& c, uint32_t colour, int32_t sa, int32_t k) {
    const int32_t s = Level<Fmt, C>(colour);
    const uint32_t a = static_cast<uint32_t>(c.a);
    if constexpr (Fmt == 1) {
      const uint32_t t = static_cast<uint32_t>(Tinted<C>(c, s));
      if constexpr (!Cover && !E) {
        return static_cast<uint32_t>(c.scaleA[t]);
      } else if constexpr (Cover && E) {
        return (t * static_cast<uint32_t>(k) * static_cast<uint32_t>(sa) * a) >> 24;
      } else {
        return (t * static_cast<uint32_t>(Cover ? k : sa) * a) >> 16;
      }
    } else {
      if constexpr (!Cover && !E) {
        return static_cast<uint32_t>(c.scaleA[Tinted<C>(c, s)]);
      } else if constexpr (!Cover && E) {
        // Alpha first, then the tint, at 16 bits without a blend image.
        return static_cast<uint32_t>(c.scaleA[Tinted<C>(c, (s * sa) >> 8)]);
      } else if constexpr (Cover && !E) {
        return static_cast<uint32_t>(c.scaleA[(Tinted<C>(c, s) * k) >> 8]);
      } else {
        return static_cast<uint32_t>(c.scaleA[(Tinted<C>(c, s) * k * sa) >> 16]);
      }
    }
  }

  template <bool E>
  static inline void Blend(const PixelContext& c, uint8_t* dst, uint32_t colour, int32_t sa, int32_t k) {
    if constexpr (Mode == 0 && !Cover && !E && !Tint) {
      // Whole-pixel store: the fourth byte of a 32-bit texel goes along.
      StorePixel<Fmt>(dst, colour);
    } else if constexpr (Mode == 2 || Mode == 3) {
      const uint32_t d = LoadPixel<Fmt>(dst);
      const uint32_t wb = AddWeight<E, 0>(c, colour, sa, k);
      const uint32_t wg = AddWeight<E, 1>(c, colour, sa, k);
      const uint32_t wr = AddWeight<E, 2>(c, colour, sa, k);
      if constexpr (Fmt == 1) {
        const uint32_t w = (wr << 16) | (wg << 8) | wb;
        Store32(dst, Mode == 2 ? MemImgAddPacked32(d, w) : MemImgSubtractPacked32(d, w));
      } else {
        const uint32_t w = (wr << 11) | (wg << 5) | wb;
        Store16(dst, Mode == 2 ? MemImgAddPacked16(d, w) : MemImgSubtractPacked16(d, w));
      }
    } else if constexpr (Mode == 4) {
      const uint32_t d = LoadPixel<Fmt>(dst);
      StorePixel<Fmt>(
          dst, Pack<Fmt>(d, MultiplyChannel<E, 0>(c, d, colour, sa, k), MultiplyChannel<E, 1>(c, d, colour, sa, k),
                         MultiplyChannel<E, 2>(c, d, colour, sa, k)));
    } else {
      const uint32_t d = LoadPixel<Fmt>(dst);
      StorePixel<Fmt>(dst, Pack<Fmt>(d, LerpChannel<E, 0>(c, d, colour, sa, k), LerpChannel<E, 1>(c, d, colour, sa, k),
                                     LerpChannel<E, 2>(c, d, colour, sa, k)));
    }
  }
};

}  // namespace memimg_pixel
