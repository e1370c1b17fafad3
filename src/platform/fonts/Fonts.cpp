#include "platform/fonts/Fonts.h"

#include <fontconfig/fontconfig.h>

#include <fontconfig/fcfreetype.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_SYNTHESIS_H

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <tuple>

#include "platform/HandleTable.h"
#include "platform/text/Cp932Literal.h"
#include "platform/text/Text.h"

namespace platform {

namespace {

struct FontEntry {
  bool live = false;
  FT_Face face = nullptr;
  std::string path;
  int height = 0;
  bool embolden = false;
  bool italic = false;
  FontTextMetrics metrics;
};

// A face of a font file: collections (.ttc) hold several.
struct FaceFile {
  std::string path;  // UTF-8
  FT_Long index = 0;
};

// One face of a font file a game ships; a collection gives one per face.
struct AppFont {
  FaceFile file;
  std::string cp932Path;
  std::vector<std::string> families;  // lower-case UTF-8
};

// The rows above and below the baseline a face's glyphs reach at one size.
struct LineExtent {
  int ascent = 0;
  int descent = 0;
};

std::mutex gMutex;
FT_Library gLibrary = nullptr;
bool gFontconfigReady = false;
std::vector<FontEntry> gFonts(1);
std::vector<AppFont> gAppFonts;
// Measured once per face and size; a game's font files may change between
// their registrations, so the measures go whenever the game's fonts change.
std::map<std::tuple<std::string, FT_Long, int>, LineExtent> gMeasuredExtents;

bool EnsureLibraries() {
  if (gLibrary == nullptr && FT_Init_FreeType(&gLibrary) != 0) {
    gLibrary = nullptr;
    return false;
  }
  if (!gFontconfigReady) {
    gFontconfigReady = FcInit() == FcTrue;
    // Fontconfig keeps part of its set-up unreachable until it is finalised.
    if (gFontconfigReady) (void)std::atexit([] { FcFini(); });
  }
  return true;
}

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

// The faces games name most, with the installed face that keeps their metrics.
struct FaceAlias {
  const char* name;  // UTF-8, lower case
  const char* target;
};
constexpr FaceAlias kAliases[] = {
    {"ｍｓ ゴシック", "IPAGothic"}, {"ms gothic", "IPAGothic"},     {"ｍｓ ｐゴシック", "IPAPGothic"},
    {"ms pgothic", "IPAPGothic"},   {"ms ui gothic", "IPAPGothic"}, {"メイリオ", "IPAPGothic"},
    {"meiryo", "IPAPGothic"},       {"ｍｓ 明朝", "IPAMincho"},     {"ms mincho", "IPAMincho"},
    {"ｍｓ ｐ明朝", "IPAPMincho"},  {"ms pmincho", "IPAPMincho"},   {"ｍｓ　ゴシック", "IPAGothic"},
    {"ｍｓ　明朝", "IPAMincho"},
};
constexpr char kFallbackFamily[] = "IPAGothic";

// Full-width capital letters lower-cased too, so "ＭＳ" finds "ｍｓ".
std::string FoldName(const std::string& utf8) {
  std::string out = Lower(utf8);
  for (size_t i = 0; i + 2 < out.size(); ++i) {
    auto b0 = static_cast<unsigned char>(out[i]), b1 = static_cast<unsigned char>(out[i + 1]),
         b2 = static_cast<unsigned char>(out[i + 2]);
    // U+FF21..U+FF3A (EF BC A1..BA) -> U+FF41..U+FF5A (EF BD 81..9A)
    if (b0 == 0xEF && b1 == 0xBC && b2 >= 0xA1 && b2 <= 0xBA) {
      out[i + 1] = static_cast<char>(0xBD);
      out[i + 2] = static_cast<char>(b2 - 0xA1 + 0x81);
    }
  }
  return out;
}

const AppFont* FindAppFont(const std::string& folded) {
  for (const AppFont& f : gAppFonts)
    for (const std::string& family : f.families)
      if (family == folded) return &f;
  return nullptr;
}

// The face of an installed font of exactly that family; an empty path for none.
FaceFile FindInstalled(const std::string& family, bool exact) {
  if (!gFontconfigReady) return {};
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  if (!exact) FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  FaceFile found;
  if (match != nullptr) {
    bool familyMatches = !exact;
    FcChar8* value = nullptr;
    for (int i = 0; exact && FcPatternGetString(match, FC_FAMILY, i, &value) == FcResultMatch; ++i)
      if (FoldName(reinterpret_cast<const char*>(value)) == FoldName(family)) familyMatches = true;
    if (familyMatches && FcPatternGetString(match, FC_FILE, 0, &value) == FcResultMatch) {
      found.path = reinterpret_cast<const char*>(value);
      // A collection's face, as FreeType numbers it.
      int index = 0;
      if (FcPatternGetInteger(match, FC_INDEX, 0, &index) == FcResultMatch && index > 0) found.index = index;
    }
    FcPatternDestroy(match);
  }
  return found;
}

// Face name -> font file: a game's own font first, then the aliases, then an
// installed face of that name, then the Japanese fallback.
FaceFile ResolveFace(const std::string& utf8Face) {
  std::string folded = FoldName(utf8Face);
  if (!folded.empty() && folded[0] == '@') folded.erase(0, 1);
  if (const AppFont* app = FindAppFont(folded)) return app->file;
  std::string family = utf8Face;
  if (!family.empty() && family[0] == '@') family.erase(0, 1);
  for (const FaceAlias& alias : kAliases)
    if (folded == alias.name) {
      family = alias.target;
      if (const AppFont* app = FindAppFont(FoldName(family))) return app->file;
      break;
    }
  FaceFile found = family.empty() ? FaceFile{} : FindInstalled(family, true);
  if (found.path.empty()) found = FindInstalled(kFallbackFamily, true);
  if (found.path.empty()) found = FindInstalled(kFallbackFamily, false);
  return found;
}

// Fits the face to the cell height: scalable faces by their cell (ascent +
// descent), bitmap faces by the nearest strike.
bool SizeFace(FT_Face face, int height) {
  if (FT_IS_SCALABLE(face)) {
    FT_Size_RequestRec request{FT_SIZE_REQUEST_TYPE_CELL, 0, static_cast<FT_Long>(height) * 64, 0, 0};
    return FT_Request_Size(face, &request) == 0;
  }
  if (face->num_fixed_sizes <= 0) return false;
  int best = 0;
  for (int i = 1; i < face->num_fixed_sizes; ++i)
    if (std::abs(face->available_sizes[i].height - height) < std::abs(face->available_sizes[best].height - height))
      best = i;
  return FT_Select_Size(face, best) == 0;
}

FontEntry* Find(FontHandle font) {
  if (font <= 0 || font >= static_cast<int>(gFonts.size()) || !gFonts[font].live) return nullptr;
  return &gFonts[font];
}

// The Unicode character of a CP932 code; 0 when it has none.
uint32_t UnicodeOf(unsigned code) {
  char bytes[2];
  size_t n = 0;
  if (code > 0xFF) bytes[n++] = static_cast<char>(code >> 8);
  bytes[n++] = static_cast<char>(code & 0xFF);
  if (n == 1 && bytes[0] == '?') return '?';
  const std::string utf8 = Cp932ToUtf8(std::string_view(bytes, n));
  if (utf8.empty() || utf8 == "?") return 0;
  const auto* u = reinterpret_cast<const unsigned char*>(utf8.data());
  if (u[0] < 0x80) return u[0];
  if ((u[0] & 0xE0) == 0xC0 && utf8.size() >= 2) return (u[0] & 0x1Fu) << 6 | (u[1] & 0x3Fu);
  if ((u[0] & 0xF0) == 0xE0 && utf8.size() >= 3) return (u[0] & 0x0Fu) << 12 | (u[1] & 0x3Fu) << 6 | (u[2] & 0x3Fu);
  if ((u[0] & 0xF8) == 0xF0 && utf8.size() >= 4)
    return (u[0] & 0x07u) << 18 | (u[1] & 0x3Fu) << 12 | (u[2] & 0x3Fu) << 6 | (u[3] & 0x3Fu);
  return 0;
}

// The characters whose reach sets a line's extent: every single-byte
// character and the double-byte rows of symbols, letters, kana, Greek,
// Cyrillic, box pieces and the extra symbols, the characters that reach
// furthest from the baseline (kanji sit inside the em square).
const std::vector<uint32_t>& MeasuredCharacters() {
  static const std::vector<uint32_t> characters = [] {
    std::vector<uint32_t> out;
    const auto add = [&out](unsigned code) {
      if (const uint32_t c = UnicodeOf(code); c != 0) out.push_back(c);
    };
    for (unsigned c = 0x20; c <= 0xDF; ++c)
      if (c < 0x7F || c >= 0xA1) add(c);
    for (unsigned lead : {0x81u, 0x82u, 0x83u, 0x84u, 0x87u})
      for (unsigned trail = 0x40; trail <= 0xFC; ++trail)
        if (trail != 0x7F) add(lead << 8 | trail);
    return out;
  }();
  return characters;
}

// The rows the face's glyphs reach at its current size, in both formats:
// the declared ascent and descent, grown to the measured characters' boxes.
// Many faces declare a descent their letters pass: 'p', 'y' or '(' would
// otherwise lose their lowest row in a line-sized surface.
LineExtent MeasureLineExtent(FT_Face face, const FaceFile& file, int height) {
  const auto key = std::make_tuple(file.path, file.index, height);
  if (auto it = gMeasuredExtents.find(key); it != gMeasuredExtents.end()) return it->second;
  const FT_Size_Metrics& m = face->size->metrics;
  LineExtent extent{std::max(0, static_cast<int>((m.ascender + 63) >> 6)),
                    std::max(0, static_cast<int>((-m.descender + 63) >> 6))};
  for (FT_Int32 target : {FT_LOAD_TARGET_MONO, FT_LOAD_TARGET_NORMAL})
    for (uint32_t c : MeasuredCharacters()) {
      const FT_UInt index = FT_Get_Char_Index(face, c);
      // Loading sets the bitmap's box as rendering will make it.
      if (index == 0 || FT_Load_Glyph(face, index, target) != 0 || face->glyph->bitmap.rows == 0) continue;
      const int top = face->glyph->bitmap_top;
      extent.ascent = std::max(extent.ascent, top);
      extent.descent = std::max(extent.descent, static_cast<int>(face->glyph->bitmap.rows) - top);
    }
  gMeasuredExtents.emplace(key, extent);
  return extent;
}

std::vector<std::string> FamiliesOf(FT_Face face) {
  std::vector<std::string> out;
  if (face->family_name != nullptr) out.push_back(FoldName(face->family_name));
  // Fontconfig also knows the localised names of the name table.
  FcPattern* pattern = FcFreeTypeQueryFace(face, reinterpret_cast<const FcChar8*>(""), 0, nullptr);
  if (pattern != nullptr) {
    FcChar8* value = nullptr;
    for (int i = 0; FcPatternGetString(pattern, FC_FAMILY, i, &value) == FcResultMatch; ++i) {
      std::string f = FoldName(reinterpret_cast<const char*>(value));
      if (std::find(out.begin(), out.end(), f) == out.end()) out.push_back(f);
    }
    FcPatternDestroy(pattern);
  }
  return out;
}

}  // namespace

int GlyphRowPitch(int format, int width) {
  if (width <= 0) return 0;
  return format == kGlyphBitmap ? (width + 31) / 32 * 4 : (width + 3) / 4 * 4;
}

FontHandle CreateFontCp932(const std::string& face, int height, int weight, bool italic, int charset) {
  // Every face is looked up by name; the Japanese fallback covers Shift-JIS.
  // Codes are read as CP932 whatever the set, Hangul too: the game only ever
  // asks for the default or the Shift-JIS set.
  (void)charset;
  std::lock_guard lock(gMutex);
  if (!EnsureLibraries()) return 0;
  if (height <= 0) height = 16;
  FT_Face ftFace = nullptr;
  FaceFile file = ResolveFace(Cp932ToUtf8(face));
  if (file.path.empty() || FT_New_Face(gLibrary, file.path.c_str(), file.index, &ftFace) != 0) {
    ftFace = nullptr;
    file = FindInstalled(kFallbackFamily, false);
    if (file.path.empty() || FT_New_Face(gLibrary, file.path.c_str(), file.index, &ftFace) != 0) return 0;
  }
  if (!SizeFace(ftFace, height)) {
    FT_Done_Face(ftFace);
    return 0;
  }
  const int slot = ClaimTableEntry(gFonts);
  FontEntry& e = gFonts[slot];
  e = FontEntry{};
  e.live = true;
  e.face = ftFace;
  e.path = file.path;
  e.height = height;
  // Faces here have no bold or italic of their own: both are synthesised.
  e.embolden = weight >= 600 && (ftFace->style_flags & FT_STYLE_FLAG_BOLD) == 0;
  e.italic = italic && (ftFace->style_flags & FT_STYLE_FLAG_ITALIC) == 0;
  // The line spans every row the face's glyphs reach: a line cut to the
  // requested height loses the lowest row of glyphs such as 'y' or '_' when
  // text is drawn through a surface of the line's size. The size stays as
  // requested so that the glyphs and their advances do not change.
  const LineExtent extent = MeasureLineExtent(ftFace, file, height);
  e.metrics.ascent = extent.ascent;
  e.metrics.descent = extent.descent;
  if (e.metrics.ascent + e.metrics.descent == 0) e.metrics.ascent = height;
  e.metrics.height = e.metrics.ascent + e.metrics.descent;
  const FT_Size_Metrics& m = ftFace->size->metrics;
  e.metrics.maxCharWidth = static_cast<int>((m.max_advance + 63) >> 6) + (e.embolden ? 1 : 0);
  if (e.metrics.maxCharWidth <= 0) e.metrics.maxCharWidth = height;
  return slot;
}

void DeleteFont(FontHandle font) {
  std::lock_guard lock(gMutex);
  FontEntry* e = Find(font);
  if (e == nullptr) return;
  FT_Done_Face(e->face);
  *e = FontEntry{};
}

bool GetFontTextMetrics(FontHandle font, FontTextMetrics* out) {
  std::lock_guard lock(gMutex);
  const FontEntry* e = Find(font);
  if (e == nullptr) return false;
  *out = e->metrics;
  return true;
}

std::string GetFontFilePath(FontHandle font) {
  std::lock_guard lock(gMutex);
  const FontEntry* e = Find(font);
  return e != nullptr ? e->path : std::string();
}

int GetGlyphOutline(FontHandle font, unsigned code, int format, GlyphMetrics* metrics, uint8_t* buffer,
                    int bufferSize) {
  std::lock_guard lock(gMutex);
  FontEntry* e = Find(font);
  if (e == nullptr || (format != kGlyphBitmap && format != kGlyphGray4)) return -1;
  GlyphMetrics gm;
  const uint32_t unicode = UnicodeOf(code);
  const FT_UInt index = unicode != 0 ? FT_Get_Char_Index(e->face, unicode) : 0;
  if (index == 0) {
    if (metrics != nullptr) *metrics = gm;
    return 0;
  }
  const bool mono = format == kGlyphBitmap;
  FT_Int32 flags = mono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL;
  if (FT_Load_Glyph(e->face, index, flags) != 0) {
    if (metrics != nullptr) *metrics = gm;
    return 0;
  }
  FT_GlyphSlot slot = e->face->glyph;
  if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
    if (e->italic) FT_GlyphSlot_Oblique(slot);
    if (e->embolden) FT_Outline_EmboldenXY(&slot->outline, 64, 0);
  }
  if (FT_Render_Glyph(slot, mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0) {
    if (metrics != nullptr) *metrics = gm;
    return 0;
  }
  const FT_Bitmap& bm = slot->bitmap;
  gm.blackBoxX = static_cast<int>(bm.width);
  gm.blackBoxY = static_cast<int>(bm.rows);
  gm.originX = slot->bitmap_left;
  gm.originY = slot->bitmap_top;
  gm.cellIncX = static_cast<int>((slot->advance.x + 32) >> 6) + (e->embolden ? 1 : 0);
  if (metrics != nullptr) *metrics = gm;
  const int pitch = GlyphRowPitch(format, gm.blackBoxX);
  const int size = pitch * gm.blackBoxY;
  if (buffer == nullptr || size == 0) return size;
  if (bufferSize < size) return -1;
  std::memset(buffer, 0, static_cast<size_t>(size));
  for (int y = 0; y < gm.blackBoxY; ++y) {
    const uint8_t* src = bm.buffer + static_cast<ptrdiff_t>(y) * bm.pitch;
    uint8_t* dst = buffer + static_cast<ptrdiff_t>(y) * pitch;
    for (int x = 0; x < gm.blackBoxX; ++x) {
      int level;  // 0-16
      if (bm.pixel_mode == FT_PIXEL_MODE_MONO) level = (src[x >> 3] >> (7 - (x & 7))) & 1 ? 16 : 0;
      else if (bm.pixel_mode == FT_PIXEL_MODE_GRAY) level = (src[x] * 16 + 127) / 255;
      else level = 0;
      if (mono) {
        if (level >= 8) dst[x >> 3] = static_cast<uint8_t>(dst[x >> 3] | (0x80 >> (x & 7)));
      } else {
        dst[x] = static_cast<uint8_t>(level);
      }
    }
  }
  return size;
}

bool AddApplicationFont(const std::string& cp932Path) {
  std::lock_guard lock(gMutex);
  if (!EnsureLibraries()) return false;
  const std::string path = Cp932ToUtf8(cp932Path);
  // Every face of a collection under its own names. A damaged file may claim
  // any count: past the faces a real collection holds, the rest is ignored.
  constexpr FT_Long kMaxFaces = 256;
  std::vector<AppFont> faces;
  FT_Long count = 1;
  for (FT_Long index = 0; index < std::min(count, kMaxFaces); ++index) {
    FT_Face face = nullptr;
    if (FT_New_Face(gLibrary, path.c_str(), index, &face) != 0) break;
    count = face->num_faces;
    AppFont app{{path, index}, cp932Path, FamiliesOf(face)};
    FT_Done_Face(face);
    if (!app.families.empty()) faces.push_back(std::move(app));
  }
  if (faces.empty()) return false;
  gMeasuredExtents.clear();
  if (gFontconfigReady) FcConfigAppFontAddFile(nullptr, reinterpret_cast<const FcChar8*>(path.c_str()));
  gAppFonts.insert(gAppFonts.begin(), std::make_move_iterator(faces.begin()), std::make_move_iterator(faces.end()));
  return true;
}

bool RemoveApplicationFont(const std::string& cp932Path) {
  std::lock_guard lock(gMutex);
  const auto removed =
      std::remove_if(gAppFonts.begin(), gAppFonts.end(), [&](const AppFont& f) { return f.cp932Path == cp932Path; });
  if (removed == gAppFonts.end()) return false;
  gAppFonts.erase(removed, gAppFonts.end());
  gMeasuredExtents.clear();
  if (gFontconfigReady) {
    FcConfigAppFontClear(nullptr);
    for (size_t i = 0; i < gAppFonts.size(); ++i)
      if (i == 0 || gAppFonts[i].cp932Path != gAppFonts[i - 1].cp932Path)
        FcConfigAppFontAddFile(nullptr, reinterpret_cast<const FcChar8*>(gAppFonts[i].file.path.c_str()));
  }
  return true;
}

void RemoveAllApplicationFonts() {
  std::lock_guard lock(gMutex);
  gAppFonts.clear();
  gMeasuredExtents.clear();
  if (gFontconfigReady) FcConfigAppFontClear(nullptr);
}

std::vector<FontFaceInfo> EnumerateFontFaces() {
  std::lock_guard lock(gMutex);
  std::vector<FontFaceInfo> out;
  if (!EnsureLibraries() || !gFontconfigReady) return out;
  FcPattern* pattern = FcPatternCreate();
  FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, FC_FULLNAME, FC_FONTFORMAT, FC_LANG, nullptr);
  FcFontSet* set = FcFontList(nullptr, pattern, objects);
  FcObjectSetDestroy(objects);
  FcPatternDestroy(pattern);
  if (set == nullptr) return out;
  const FcChar8* ja = reinterpret_cast<const FcChar8*>("ja");
  for (int i = 0; i < set->nfont; ++i) {
    FcPattern* font = set->fonts[i];
    FcChar8* name = nullptr;
    if (FcPatternGetString(font, FC_FULLNAME, 0, &name) != FcResultMatch &&
        FcPatternGetString(font, FC_FAMILY, 0, &name) != FcResultMatch)
      continue;
    FontFaceInfo info;
    info.fullName = Utf8ToCp932(reinterpret_cast<const char*>(name));
    if (info.fullName.empty()) continue;
    FcLangSet* langs = nullptr;
    const bool japanese =
        FcPatternGetLangSet(font, FC_LANG, 0, &langs) == FcResultMatch && FcLangSetHasLang(langs, ja) == FcLangEqual;
    info.script = japanese ? Cp932<"日本語"> : Cp932<"欧文">;
    FcChar8* format = nullptr;
    info.trueType = FcPatternGetString(font, FC_FONTFORMAT, 0, &format) == FcResultMatch &&
                    (std::strcmp(reinterpret_cast<const char*>(format), "TrueType") == 0 ||
                     std::strcmp(reinterpret_cast<const char*>(format), "CFF") == 0);
    out.push_back(std::move(info));
  }
  FcFontSetDestroy(set);
  return out;
}

}  // namespace platform
