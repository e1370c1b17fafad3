#include "support/FontFileWriter.h"

#include <algorithm>
#include <cstdint>
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

namespace {

// Big-endian fields, as TrueType stores them.
struct BigEndian {
  std::string bytes;
  BigEndian& U16(int v) {
    bytes += static_cast<char>((v >> 8) & 0xFF);
    bytes += static_cast<char>(v & 0xFF);
    return *this;
  }
  BigEndian& U32(uint32_t v) { return U16(static_cast<int>(v >> 16)).U16(static_cast<int>(v & 0xFFFF)); }
  BigEndian& Zeros(size_t n) {
    bytes.append(n, '\0');
    return *this;
  }
};

uint32_t TableChecksum(const std::string& table) {
  uint32_t sum = 0;
  for (size_t i = 0; i < table.size(); i += 4) {
    uint32_t word = 0;
    for (size_t k = 0; k < 4; ++k)
      word = word << 8 | (i + k < table.size() ? static_cast<unsigned char>(table[i + k]) : 0u);
    sum += word;
  }
  return sum;
}

struct Table {
  const char* tag;
  std::string bytes;
};

// The tables of one face, sorted by tag.
std::vector<Table> FaceTables(const OutlineFontSpec& spec) {
  std::vector<OutlineGlyph> glyphs = spec.glyphs;
  std::sort(glyphs.begin(), glyphs.end(),
            [](const OutlineGlyph& a, const OutlineGlyph& b) { return a.character < b.character; });
  const int count = static_cast<int>(glyphs.size()) + 1;  // glyph 0 is the empty .notdef
  int xMin = 0, yMin = 0, xMax = 0, yMax = 0, maxAdvance = 0;
  for (const OutlineGlyph& g : glyphs) {
    xMin = std::min(xMin, g.xMin), yMin = std::min(yMin, g.yMin);
    xMax = std::max(xMax, g.xMax), yMax = std::max(yMax, g.yMax);
    maxAdvance = std::max(maxAdvance, g.advance);
  }
  BigEndian head;
  head.U32(0x00010000).U32(0x00010000).U32(0).U32(0x5F0F3CF5).U16(0x000B).U16(spec.unitsPerEm).Zeros(16);
  head.U16(xMin).U16(yMin).U16(xMax).U16(yMax).U16(0).U16(8).U16(2).U16(1).U16(0);
  BigEndian hhea;
  hhea.U32(0x00010000).U16(spec.ascender).U16(spec.descender).U16(0).U16(maxAdvance).U16(0).U16(0).U16(xMax);
  hhea.U16(1).U16(0).U16(0).Zeros(8).U16(0).U16(count);
  BigEndian maxp;
  maxp.U32(0x00010000).U16(count).U16(4).U16(1).U16(0).U16(0).U16(2).Zeros(16);
  BigEndian hmtx, loca, glyf;
  hmtx.U16(0).U16(0);
  loca.U32(0).U32(0);  // glyph 0 holds no outline
  for (const OutlineGlyph& g : glyphs) {
    hmtx.U16(g.advance).U16(g.xMin);
    // One closed contour of four on-curve points, coordinates as 16-bit deltas.
    glyf.U16(1).U16(g.xMin).U16(g.yMin).U16(g.xMax).U16(g.yMax).U16(3).U16(0);
    glyf.bytes.append(4, '\x01');
    glyf.U16(g.xMin).U16(0).U16(g.xMax - g.xMin).U16(0);
    glyf.U16(g.yMin).U16(g.yMax - g.yMin).U16(0).U16(g.yMin - g.yMax);
    loca.U32(static_cast<uint32_t>(glyf.bytes.size()));
  }
  // cmap: one format 4 segment per character, then the closing segment.
  const int segments = count;
  BigEndian ends, starts, deltas, ranges;
  for (size_t i = 0; i < glyphs.size(); ++i) {
    const int c = static_cast<int>(glyphs[i].character);
    ends.U16(c);
    starts.U16(c);
    deltas.U16(static_cast<int>(i) + 1 - c);
    ranges.U16(0);
  }
  ends.U16(0xFFFF), starts.U16(0xFFFF), deltas.U16(1), ranges.U16(0);
  int searchRange = 2, selector = 0;
  while (searchRange * 2 <= segments * 2) searchRange *= 2, ++selector;
  BigEndian sub;
  sub.U16(4)
      .U16(16 + 8 * segments)
      .U16(0)
      .U16(segments * 2)
      .U16(searchRange)
      .U16(selector)
      .U16(segments * 2 - searchRange);
  sub.bytes += ends.bytes;
  sub.U16(0);
  sub.bytes += starts.bytes + deltas.bytes + ranges.bytes;
  BigEndian cmap;
  cmap.U16(0).U16(1).U16(3).U16(1).U32(12);
  cmap.bytes += sub.bytes;
  // name: family, style, full name and PostScript name in UTF-16BE.
  const std::string full = spec.family + " Regular";
  const std::string texts[] = {spec.family, "Regular", full, spec.family};
  const int ids[] = {1, 2, 4, 6};
  BigEndian name, strings;
  name.U16(0).U16(4).U16(6 + 12 * 4);
  for (int i = 0; i < 4; ++i) {
    name.U16(3).U16(1).U16(0x0409).U16(ids[i]).U16(static_cast<int>(texts[i].size() * 2));
    name.U16(static_cast<int>(strings.bytes.size()));
    for (char c : texts[i]) strings.U16(static_cast<unsigned char>(c));
  }
  name.bytes += strings.bytes;
  return {{"cmap", cmap.bytes}, {"glyf", glyf.bytes}, {"head", head.bytes}, {"hhea", hhea.bytes},
          {"hmtx", hmtx.bytes}, {"loca", loca.bytes}, {"maxp", maxp.bytes}, {"name", name.bytes}};
}

// Appends the face's table directory at the end of `file`, its tables after
// the directory; offsets count from the start of the file.
void AppendFace(std::string& file, const OutlineFontSpec& spec) {
  const std::vector<Table> tables = FaceTables(spec);
  const int n = static_cast<int>(tables.size());
  BigEndian directory;
  directory.U32(0x00010000).U16(n).U16(128).U16(3).U16(n * 16 - 128);
  size_t offset = file.size() + 12 + 16 * tables.size();
  std::string data;
  for (const Table& t : tables) {
    directory.bytes += t.tag;
    directory.U32(TableChecksum(t.bytes)).U32(static_cast<uint32_t>(offset + data.size()));
    directory.U32(static_cast<uint32_t>(t.bytes.size()));
    data += t.bytes;
    data.append((4 - data.size() % 4) % 4, '\0');
  }
  file += directory.bytes + data;
}

}  // namespace

std::string OutlineFontFile(const OutlineFontSpec& spec) {
  std::string file;
  AppendFace(file, spec);
  return file;
}

std::string FontCollectionFile(const std::vector<OutlineFontSpec>& faces) {
  BigEndian header;
  header.bytes = "ttcf";
  header.U32(0x00010000).U32(static_cast<uint32_t>(faces.size()));
  std::string file = header.bytes;
  file.append(4 * faces.size(), '\0');
  for (size_t i = 0; i < faces.size(); ++i) {
    const auto at = static_cast<uint32_t>(file.size());
    for (int k = 0; k < 4; ++k) file[12 + 4 * i + k] = static_cast<char>(at >> (24 - 8 * k));
    AppendFace(file, faces[i]);
  }
  return file;
}
