#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Fonts in place of the GDI font calls, on FreeType and fontconfig. Names
// come and go as CP932. A font is never refused for a face that is not
// installed: the Japanese Gothic and Mincho faces map to the IPA faces, any
// other unknown face to IPAGothic.

using FontHandle = int;  // 0 names no font

// Character sets as the callers pass them.
constexpr int kDefaultCharset = 1;
constexpr int kShiftJisCharset = 128;
constexpr int kHangulCharset = 129;

// Glyph formats: 1-bit rows, or rows of levels 0-16.
constexpr int kGlyphBitmap = 1;
constexpr int kGlyphGray4 = 5;

struct FontTextMetrics {
  int height = 0;  // ascent + descent: the rows the glyphs reach, which may pass the requested height
  int ascent = 0;
  int descent = 0;
  int maxCharWidth = 0;
};

struct GlyphMetrics {
  int blackBoxX = 0, blackBoxY = 0;
  int originX = 0;   // left of the box from the pen
  int originY = 0;   // top of the box above the baseline
  int cellIncX = 0;  // advance
};

// weight: 100-900 (GDI's scale). Returns 0 only when no face at all can be
// loaded.
FontHandle CreateFontCp932(const std::string& face, int height, int weight, bool italic, int charset);
void DeleteFont(FontHandle font);
bool GetFontTextMetrics(FontHandle font, FontTextMetrics* out);
// The file and family the font was resolved to (UTF-8), for the log and tests.
std::string GetFontFilePath(FontHandle font);

// code: a CP932 character (lead x 256 + trail, or the byte). Without a buffer
// returns the bytes the glyph needs (rows padded to 4 bytes, pitch x box
// height); with one, fills it and returns the same. An unmapped code gives an
// empty glyph (size 0, box 0 x 0, advance 0). -1 for a bad handle or format.
int GetGlyphOutline(FontHandle font, unsigned code, int format, GlyphMetrics* metrics, uint8_t* buffer, int bufferSize);
// The row pitch of a glyph box of that width in that format.
int GlyphRowPitch(int format, int width);

// Font files shipped with a game: added as application fonts that win over
// installed faces of the same family name. A file FreeType cannot read is
// skipped (false).
bool AddApplicationFont(const std::string& cp932Path);
bool RemoveApplicationFont(const std::string& cp932Path);
void RemoveAllApplicationFonts();

struct FontFaceInfo {
  std::string fullName;  // CP932
  std::string script;    // CP932: "日本語" for faces with Japanese, else "欧文"
  bool trueType = false;
};
// Installed and application faces, one entry per font file face.
std::vector<FontFaceInfo> EnumerateFontFaces();

}  // namespace platform
