#pragma once

// Per-pixel operations of the plain and stretched draws, one type per
// combination of pixel format, source kind, blend mode, blend image,
// brightness, transparency and walk; the walks instantiate one loop per
// operation type, so no drawing setting is tested inside a loop.

#include <cstdint>
#include <cstring>
#include <type_traits>

#include "media/softrender/BlendTables.h"
#include "media/softrender/PackedOps.h"

namespace softrender {

enum class Kind { Plain, Palette, Alpha };

// Special parameter cases of the plain draw's per-pixel walk.
enum Special : int {
  kGeneral = 0,
  kHalf,    // mode 1 at p = 128: halves summed
  kAddSat,  // 32-bit modes 2/3 at p = 255: four-byte saturation
  kSubSat,
  kAddWord,  // the same through the packed word operations
  kSubWord,
  kLerp6,  // 16-bit mode 1, other p: the 6-bit interpolation table
};

// Inputs fixed for one draw.
struct DrawInputs {
  int p = 0;
  const int32_t* tint[3] = {};          // gBlendScale rows of the blue, green and red brightness
  const int32_t* sc = nullptr;          // gBlendScale[p]
  const int32_t* ss = nullptr;          // gBlendSignedScale row of p at its zero entry
  const uint8_t (*lerp)[64] = nullptr;  // gBlendLerp6[p / 4]
  uint32_t transparent = 0;
  const uint32_t* pal32 = nullptr;  // the image's palette
  const uint16_t* pal16 = nullptr;
  const uint32_t* fastPal = nullptr;  // the draw's palette copy (565 entries widened)
};

inline uint32_t Load32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}
inline void Store32(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }
inline uint32_t Load16(const uint8_t* p) {
  uint16_t v;
  std::memcpy(&v, p, 2);
  return v;
}
inline void Store16(uint8_t* p, uint32_t v) {
  auto w = static_cast<uint16_t>(v);
  std::memcpy(p, &w, 2);
}

inline uint32_t SaturatingAdd4(uint32_t d, uint32_t s) {
  uint32_t r = 0;
  for (int i = 0; i < 32; i += 8) {
    uint32_t v = ((d >> i) & 0xFF) + ((s >> i) & 0xFF);
    r |= (v > 255 ? 255u : v) << i;
  }
  return r;
}
inline uint32_t SaturatingSub4(uint32_t d, uint32_t s) {
  uint32_t r = 0;
  for (int i = 0; i < 32; i += 8) {
    int v = static_cast<int>((d >> i) & 0xFF) - static_cast<int>((s >> i) & 0xFF);
    r |= static_cast<uint32_t>(v < 0 ? 0 : v) << i;
  }
  return r;
}

constexpr bool ModeUsesP(int mode) { return mode == 1 || mode == 2 || mode == 3 || mode == 10 || mode == 11; }

// Fmt: 32 or 16. PlainCopy: the plain draw's whole-word copy of an alpha
// source without the transparency flag (mode 0, white, no blend image).
template <int Fmt, Kind K, int Mode, bool Blend, bool White, bool Trans, bool PlainCopy, int Spec>
struct PixelOp {
  static constexpr int kSrcUnit = K == Kind::Palette ? 1 : (Fmt == 32 ? 4 : (K == Kind::Alpha ? 4 : 2));
  static constexpr int kDstUnit = Fmt == 32 ? 4 : 2;
  static constexpr bool kBlend = Blend;
  // Whole rows of the source are copied unchanged.
  static constexpr bool kRowCopy = K == Kind::Plain && Mode == 0 && !Blend && White && !Trans && Spec == kGeneral;
  // The alpha-source sprite draw, four pixels at a time.
  static constexpr bool kAlphaOver4 =
      Fmt == 32 && K == Kind::Alpha && Mode == 0 && !Blend && White && Trans && Spec == kGeneral;
  // Special kernels and the unfactored white copy read the draw's palette copy.
  static constexpr bool kFastPalette = Spec != kGeneral || (Mode == 0 && !Blend && White);

  // Force: 0 per-pixel tests; 1 opaque run; 2 partial-alpha run.
  template <int Force = 0>
  static inline void Apply(const DrawInputs& in, uint8_t* d, const uint8_t* s, const uint8_t* b) {
    uint32_t S;
    int a = 255;
    if constexpr (K == Kind::Palette) {
      const uint32_t index = *s;
      if constexpr (Trans && Force == 0) {
        if (index == in.transparent) return;
      }
      if constexpr (kFastPalette) S = in.fastPal[index];
      else if constexpr (Fmt == 32) S = in.pal32[index];
      else S = in.pal16[index];
    } else if constexpr (K == Kind::Plain) {
      S = Fmt == 32 ? Load32(s) : Load16(s);
      if constexpr (Trans && Force == 0) {
        if (S == in.transparent) return;
      }
    } else {
      if constexpr (Fmt == 32) {
        S = Load32(s);
        a = static_cast<int>(S >> 24);
      } else {
        S = Load16(s);
        a = s[2];
      }
    }
    int k = 0;
    if constexpr (Blend) k = gBlendBorder[*b];

    if constexpr (Spec != kGeneral) {
      ApplySpecial(in, d, S);
      return;
    } else if constexpr (K == Kind::Alpha) {
      if constexpr (Force == 1) {
        Compute<false>(in, d, S, a, k);
      } else if constexpr (Force == 2) {  // NOLINT(bugprone-branch-clone): compile-time cases, kept apart for reading
        Compute<true>(in, d, S, a, k);
      } else if constexpr (Trans) {
        if (a == 0) return;
        if (a == 255) Compute<false>(in, d, S, a, k);
        else Compute<true>(in, d, S, a, k);
      } else if constexpr (PlainCopy && Mode == 0 && !Blend && White) {
        if constexpr (Fmt == 32) Store32(d, S);
        else Store16(d, S);
      } else {
        Compute<true>(in, d, S, a, k);
      }
    } else {
      Compute<false>(in, d, S, a, k);
    }
  }

  static inline void ApplySpecial(const DrawInputs& in, uint8_t* d, uint32_t S) {
    if constexpr (Fmt == 32) {
      const uint32_t D = Load32(d);
      if constexpr (Spec == kHalf) Store32(d, ((S >> 1) & 0x7F7F7Fu) + ((D >> 1) & 0x7F7F7Fu));
      else if constexpr (Spec == kAddSat) Store32(d, SaturatingAdd4(D, S));
      else if constexpr (Spec == kSubSat) Store32(d, SaturatingSub4(D, S));
      else if constexpr (Spec == kAddWord) Store32(d, MemImgPackedAdd(D, S, 0));
      else if constexpr (Spec == kSubWord) Store32(d, MemImgPackedSubtract(D, S));
    } else {
      const uint32_t D = Load16(d);
      if constexpr (Spec == kHalf) {
        Store16(d, ((S >> 1) & 0x7BEFu) + ((D >> 1) & 0x7BEFu));
      } else if constexpr (Spec == kLerp6) {
        const uint8_t(*l)[64] = in.lerp;
        const uint32_t r = l[(S >> 11) & 31][(D >> 11) & 31];
        const uint32_t g = l[(S >> 5) & 63][(D >> 5) & 63];
        const uint32_t bl = l[S & 31][D & 31];
        Store16(d, (r << 11) | (g << 5) | bl);
      } else if constexpr (Spec == kAddWord) {
        Store16(d, MemImgPackedAdd16(D, S, 0));
      } else if constexpr (Spec == kSubWord) {
        Store16(d, MemImgPackedSubtract16(D, S));
      }
    }
  }

  template <bool HasA>
  static inline void Compute(const DrawInputs& in, uint8_t* d, uint32_t S, int a, int k) {
    constexpr bool kUsesP = ModeUsesP(Mode);
    constexpr int N = (Blend ? 1 : 0) + (HasA ? 1 : 0) + (kUsesP ? 1 : 0);
    if constexpr (Fmt == 32) {
      using Acc = std::conditional_t<(N + (Mode == 4 ? 1 : 0)) >= 3, int64_t, int32_t>;
      if constexpr (Mode == 0 && N == 0) {
        if constexpr (White) {
          Store32(d, S);
        } else {
          d[0] = static_cast<uint8_t>(in.tint[0][S & 255]);
          d[1] = static_cast<uint8_t>(in.tint[1][(S >> 8) & 255]);
          d[2] = static_cast<uint8_t>(in.tint[2][(S >> 16) & 255]);
        }
        return;
      } else {
        Acc W = 1;
        if constexpr (Blend) W *= k;
        if constexpr (HasA) W *= a;
        if constexpr (kUsesP) W *= in.p;
        constexpr int shift = 8 * N;
        if constexpr (Mode == 2 || Mode == 3) {
          uint32_t amount = 0;
          for (int c = 0; c < 3; ++c) {
            const int s = static_cast<int>((S >> (8 * c)) & 255);
            const int sp = White ? s : in.tint[c][s];
            int t;
            if constexpr (N == 1) t = in.sc[sp];
            else t = static_cast<int>((static_cast<Acc>(sp) * W) >> shift);
            amount |= static_cast<uint32_t>(t) << (8 * c);
          }
          const uint32_t D = Load32(d);
          if constexpr (Mode == 2) Store32(d, MemImgPackedAdd(D, amount, 1));
          else Store32(d, MemImgPackedSubtract(D, amount));
        } else {
          for (int c = 0; c < 3; ++c) {
            const int s = static_cast<int>((S >> (8 * c)) & 255);
            const int dd = d[c];
            int out;
            if constexpr (Mode == 4) {
              const int sp = White ? s : in.tint[c][s];
              out = static_cast<int>((static_cast<Acc>(dd) * sp * W) >> (shift + 8));
            } else if constexpr (Mode == 10) {
              const int u = White ? 255 - s : in.tint[c][255 - s];
              out = dd + static_cast<int>((static_cast<Acc>(u - dd) * W) >> shift);
            } else if constexpr (Mode == 11) {
              const int sp = White ? s : in.tint[c][s];
              const int m = (sp * dd) >> 8;
              out = dd + static_cast<int>((static_cast<Acc>(m - dd) * W) >> shift);
            } else {
              const int sp = White ? s : in.tint[c][s];
              out = dd + static_cast<int>((static_cast<Acc>(sp - dd) * W) >> shift);
            }
            d[c] = static_cast<uint8_t>(out);
          }
        }
      }
    } else {
      const uint32_t D = Load16(d);
      if constexpr (Mode == 0 && N == 0) {
        if constexpr (White) {
          Store16(d, S);
        } else {
          const uint32_t r = static_cast<uint32_t>(in.tint[2][(S >> 11) & 31]);
          const uint32_t g = static_cast<uint32_t>(in.tint[1][(S >> 5) & 63]);
          const uint32_t bl = static_cast<uint32_t>(in.tint[0][S & 31]);
          Store16(d, (r << 11) | (g << 5) | bl);
        }
        return;
      } else {
        int W = 1;
        if constexpr (Blend) W *= k;
        if constexpr (HasA) W *= a;
        if constexpr (kUsesP) W *= in.p;
        constexpr int shift = 8 * N;
        constexpr bool kPAlone = kUsesP && N == 1;
        // Fields in order blue, green, red: shift in the word, width, tint row.
        constexpr int kPos[3] = {0, 5, 11};
        constexpr int kWidth[3] = {5, 6, 5};
        uint32_t result = 0;
        if constexpr (Mode == 2 || Mode == 3) {
          for (int c = 0; c < 3; ++c) {
            const int s = static_cast<int>((S >> kPos[c]) & ((1u << kWidth[c]) - 1));
            int t;
            if constexpr (kPAlone) {
              t = in.sc[White ? s : in.tint[c][s]];
            } else if constexpr (Blend && !HasA) {
              t = in.sc[((White ? s : in.tint[c][s]) * k) >> 8];
            } else if constexpr (HasA && !Blend) {
              const int sa = (s * a) >> 8;
              t = in.sc[White ? sa : in.tint[c][sa]];
            } else {
              t = in.sc[((White ? s : in.tint[c][s]) * a * k) >> 16];
            }
            result |= static_cast<uint32_t>(t) << kPos[c];
          }
          if constexpr (Mode == 2) Store16(d, MemImgPackedAdd16(D, result, 1));
          else Store16(d, MemImgPackedSubtract16(D, result));
        } else {
          for (int c = 0; c < 3; ++c) {
            const int w = kWidth[c];
            const int M = (1 << w) - 1;
            const int s = static_cast<int>((S >> kPos[c]) & static_cast<uint32_t>(M));
            const int dd = static_cast<int>((D >> kPos[c]) & static_cast<uint32_t>(M));
            int out;
            if constexpr (Mode == 4) {
              const int sp = White ? s : in.tint[c][s];
              out = (dd * sp * W) >> (w + shift);
            } else {
              int target;
              if constexpr (Mode == 10) target = White ? M - s : in.tint[c][M - s];
              else if constexpr (Mode == 11) target = ((White ? s : in.tint[c][s]) * dd) >> w;
              else target = White ? s : in.tint[c][s];
              if constexpr (kPAlone && Mode != 0) {
                out = dd + in.ss[target - dd];
              } else if constexpr (Mode == 11 && HasA && !Blend && White) {
                if (c == 1) out = dd + ((((s * dd) >> 1) - 32 * dd) * a * in.p >> 21);
                else out = dd + (((target - dd) * W) >> shift);
              } else {
                out = dd + (((target - dd) * W) >> shift);
              }
            }
            result |= static_cast<uint32_t>(out) << kPos[c];
          }
          Store16(d, result);
        }
      }
    }
  }
};

}  // namespace softrender
