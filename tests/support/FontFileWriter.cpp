#include "support/FontFileWriter.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

std::string BitmapFontFile(const BitmapFontSpec& spec) {
  std::ostringstream out;
  const int descent = spec.pixelSize - spec.ascent;
  out << "STARTFONT 2.1\n"
      << "FONT -test-" << spec.family << "-Medium-R-Normal--" << spec.pixelSize << "-" << spec.pixelSize * 10
      << "-75-75-C-" << spec.advance * 10 << "-ISO10646-1\n"
      << "SIZE " << spec.pixelSize << " 75 75\n"
      << "FONTBOUNDINGBOX " << spec.advance << " " << spec.pixelSize << " 0 " << -descent << "\n"
      << "STARTPROPERTIES 5\n"
      << "FAMILY_NAME \"" << spec.family << "\"\n"
      << "FONT_ASCENT " << spec.ascent << "\n"
      << "FONT_DESCENT " << descent << "\n"
      << "CHARSET_REGISTRY \"ISO10646\"\n"
      << "CHARSET_ENCODING \"1\"\n"
      << "ENDPROPERTIES\n"
      << "CHARS " << spec.glyphs.size() << "\n";
  for (const BitmapGlyph& glyph : spec.glyphs) {
    size_t width = 0;
    for (const std::string& row : glyph.rows) width = std::max(width, row.size());
    char name[16];
    std::snprintf(name, sizeof name, "u%04X", glyph.character);
    out << "STARTCHAR " << name << "\nENCODING " << glyph.character << "\nSWIDTH "
        << spec.advance * 1000 / spec.pixelSize << " 0\nDWIDTH " << spec.advance << " 0\nBBX " << width << " "
        << glyph.rows.size() << " 1 0\nBITMAP\n";
    for (const std::string& row : glyph.rows) {
      for (size_t byte = 0; byte < (width + 7) / 8; ++byte) {
        unsigned bits = 0;
        for (size_t bit = 0; bit < 8; ++bit) {
          const size_t x = byte * 8 + bit;
          if (x < row.size() && row[x] == '#') bits |= 0x80u >> bit;
        }
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02X", bits);
        out << hex;
      }
      out << "\n";
    }
    out << "ENDCHAR\n";
  }
  out << "ENDFONT\n";
  return out.str();
}

bool WriteBitmapFont(const std::string& path, const BitmapFontSpec& spec) {
  std::ofstream out(path, std::ios::binary);
  out << BitmapFontFile(spec);
  return static_cast<bool>(out);
}

bool WriteSquareFont(const std::string& path, const SquareFontSpec& spec) {
  BitmapFontSpec font{spec.family, spec.pixelSize, spec.ascent, spec.advance, {}};
  const std::vector<std::string> square(static_cast<size_t>(spec.square),
                                        std::string(static_cast<size_t>(spec.square), '#'));
  for (unsigned c : spec.characters) font.glyphs.push_back({c, square});
  return WriteBitmapFont(path, font);
}
