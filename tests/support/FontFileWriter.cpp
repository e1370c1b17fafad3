#include "support/FontFileWriter.h"

#include <algorithm>
#include <cstdio>
#include <fstream>

bool WriteSquareFont(const std::string& path, const SquareFontSpec& spec) {
  std::ofstream out(path, std::ios::binary);
  if (!out) return false;
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
      << "CHARS " << spec.characters.size() << "\n";
  const int rowBytes = (spec.square + 7) / 8;
  for (unsigned c : spec.characters) {
    char name[16];
    std::snprintf(name, sizeof name, "u%04X", c);
    out << "STARTCHAR " << name << "\nENCODING " << c << "\nSWIDTH " << spec.advance * 1000 / spec.pixelSize
        << " 0\nDWIDTH " << spec.advance << " 0\nBBX " << spec.square << " " << spec.square << " 1 0\nBITMAP\n";
    for (int y = 0; y < spec.square; ++y) {
      for (int b = 0; b < rowBytes; ++b) {
        const int bits = std::min(8, spec.square - b * 8);
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02X", (0xFF00 >> bits) & 0xFF);
        out << hex;
      }
      out << "\n";
    }
    out << "ENDCHAR\n";
  }
  out << "ENDFONT\n";
  return static_cast<bool>(out);
}
