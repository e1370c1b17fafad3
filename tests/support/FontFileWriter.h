#pragma once

#include <string>
#include <vector>

// A bitmap font file (BDF) whose every glyph is a filled square, under a
// family name the test chooses: small enough to write in a test, and read by
// FreeType like any font a game ships.
struct SquareFontSpec {
  std::string family;  // UTF-8
  int pixelSize = 16;  // one strike of this height
  int ascent = 14;
  int square = 12;  // side of each glyph's filled square
  int advance = 16;
  std::vector<unsigned> characters;  // Unicode code points
};

// Writes the font to path (UTF-8); false when the file cannot be written.
bool WriteSquareFont(const std::string& path, const SquareFontSpec& spec);
