#pragma once

#include <cstdint>
#include <type_traits>

#include "media/softrender/BlendModePixel.h"
#include "media/softrender/TriangleFlat.h"

// Turns the settings of one draw into the pixel operation of its
// combination, once, before the first pixel. The caller's generic callable
// receives std::type_identity<Op> and runs its own loop with Op inlined.
namespace memimg_pixel {

struct TexturedSelection {
  int32_t format = 0;     // source pixel format
  bool palette = false;   // palette flag is 1
  bool alpha = false;     // alpha flag is 1 (direct sources only)
  int32_t mode = 0;       // blend mode
  int32_t parameter = 0;  // blend parameter, 0..255
  bool cover = false;     // a blend image is given
  bool tint = false;      // draw brightness is not white
  bool flag = false;      // transparency flag
};

// The mode whose loops run, or -1 when the draw draws nothing: modes 5 to 9
// and beyond 11 (negatives included), parameter 0 in modes 1 to 3; mode 1 at
// parameter 255 is mode 0.
inline int32_t EffectiveMode(int32_t mode, int32_t parameter) {
  switch (static_cast<uint32_t>(mode)) {
    case 0:
    case 4:
    case 10:
    case 11: return mode;
    case 1:
      if (parameter == 255) return 0;
      return parameter == 0 ? -1 : 1;
    case 2:
    case 3: return parameter == 0 ? -1 : mode;
    default: return -1;
  }
}

template <bool B, class F>
inline void CallWithBool(F& f) {
  f.template operator()<B>();
}

template <class F>
inline void WithBool(bool value, F&& f) {
  if (value) {
    CallWithBool<true>(f);
  } else {
    CallWithBool<false>(f);
  }
}

template <int Fmt, SourceKind Kind, int Mode, class F>
inline void SelectFlags(const TexturedSelection& s, F& f) {
  WithBool(s.cover, [&]<bool Cover>() {
    WithBool(s.tint, [&]<bool Tint>() {
      WithBool(s.flag, [&]<bool Flag>() { f(std::type_identity<PixelOp<Fmt, Kind, Mode, Cover, Tint, Flag>>{}); });
    });
  });
}

template <int Fmt, SourceKind Kind, class F>
inline bool SelectMode(const TexturedSelection& s, F& f) {
  switch (EffectiveMode(s.mode, s.parameter)) {
    case 0: SelectFlags<Fmt, Kind, 0>(s, f); return true;
    case 1: SelectFlags<Fmt, Kind, 1>(s, f); return true;
    case 2: SelectFlags<Fmt, Kind, 2>(s, f); return true;
    case 3: SelectFlags<Fmt, Kind, 3>(s, f); return true;
    case 4: SelectFlags<Fmt, Kind, 4>(s, f); return true;
    case 10: SelectFlags<Fmt, Kind, 10>(s, f); return true;
    case 11: SelectFlags<Fmt, Kind, 11>(s, f); return true;
    default: return false;
  }
}

template <int Fmt, class F>
inline bool SelectKind(const TexturedSelection& s, F& f) {
  if (s.palette) return SelectMode<Fmt, SourceKind::Palette>(s, f);
  if (s.alpha) return SelectMode<Fmt, SourceKind::Alpha>(s, f);
  return SelectMode<Fmt, SourceKind::Opaque>(s, f);
}

// False when the combination draws nothing.
template <class F>
inline bool SelectTextured(const TexturedSelection& s, F&& f) {
  switch (s.format) {
    case 0: return SelectKind<0>(s, f);
    case 1: return SelectKind<1>(s, f);
    default: return false;
  }
}

template <int Fmt, class F>
inline bool SelectFlatMode(int32_t mode, int32_t parameter, F& f) {
  switch (EffectiveMode(mode, parameter)) {
    case 0: f(std::type_identity<FlatOp<Fmt, 0>>{}); return true;
    case 1: f(std::type_identity<FlatOp<Fmt, 1>>{}); return true;
    case 2: f(std::type_identity<FlatOp<Fmt, 2>>{}); return true;
    case 3: f(std::type_identity<FlatOp<Fmt, 3>>{}); return true;
    case 4: f(std::type_identity<FlatOp<Fmt, 4>>{}); return true;
    case 10: f(std::type_identity<FlatOp<Fmt, 10>>{}); return true;
    case 11: f(std::type_identity<FlatOp<Fmt, 11>>{}); return true;
    default: return false;
  }
}

template <class F>
inline bool SelectFlat(int32_t format, int32_t mode, int32_t parameter, F&& f) {
  switch (format) {
    case 0: return SelectFlatMode<0>(mode, parameter, f);
    case 1: return SelectFlatMode<1>(mode, parameter, f);
    default: return false;
  }
}

}  // namespace memimg_pixel
