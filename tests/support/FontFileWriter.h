#pragma once

#include <string>
#include <vector>

// The IPA Gothic face's own file, as Debian's fonts-ipafont-gothic installs
// it. Tests that compare glyph pixels or metrics open it by file: which file
// the machine's font set-up answers for a family name is not theirs to fix.
constexpr char kIpaGothicFile[] = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf";

// Bitmap font files (BDF), small enough to write in a test and read by
// FreeType like any font a game ships.

// One glyph: its rows from the top, '#' an inked pixel; its bottom row
// stands on the baseline, one pixel right of the pen.
struct BitmapGlyph {
  unsigned character;  // Unicode code point
  std::vector<std::string> rows;
};

struct BitmapFontSpec {
  std::string family;  // UTF-8
  int pixelSize = 16;  // one strike of this height
  int ascent = 14;
  int advance = 16;
  std::vector<BitmapGlyph> glyphs;
};

// The font file's bytes.
std::string BitmapFontFile(const BitmapFontSpec& spec);
// Writes the font to path (UTF-8); false when the file cannot be written.
bool WriteBitmapFont(const std::string& path, const BitmapFontSpec& spec);

// A font whose every glyph is a filled square, under a family name the test
// chooses.
struct SquareFontSpec {
  std::string family;  // UTF-8
  int pixelSize = 16;  // one strike of this height
  int ascent = 14;
  int square = 12;  // side of each glyph's filled square
  int advance = 16;
  std::vector<unsigned> characters;  // Unicode code points
};

bool WriteSquareFont(const std::string& path, const SquareFontSpec& spec);

// TrueType files whose glyphs are filled rectangles, and collections (.ttc)
// of them, one face per description. Coordinates are font units, y up from the
// baseline; the face's declared ascent and descent need not cover its glyphs.
struct OutlineGlyph {
  unsigned character;  // Unicode code point
  int advance;
  int xMin, yMin, xMax, yMax;  // the rectangle
};

struct OutlineFontSpec {
  std::string family;  // ASCII
  int unitsPerEm = 1024;
  int ascender = 896;
  int descender = -128;  // below the baseline: negative
  std::vector<OutlineGlyph> glyphs;
};

std::string OutlineFontFile(const OutlineFontSpec& spec);
std::string FontCollectionFile(const std::vector<OutlineFontSpec>& faces);
