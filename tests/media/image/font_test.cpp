#include <filesystem>
#include <fstream>
#include <vector>

#include "media/graphics/GraphicsFixture.h"
#include "media/image/FontSystem.h"
#include "platform/fonts/Fonts.h"
#include "platform/text/Text.h"
#include "support/FontFileWriter.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

std::string Sjis(const std::string& utf8) { return platform::Utf8ToCp932(utf8); }

namespace {

constexpr char kJapanese[] = "漢字ひらがなカタカナｶﾀｶﾅABC";

class FontTest : public GraphicsTest {
 protected:
  // The default face is the IPA Gothic file itself, whatever the machine's
  // font set-up answers for its name: glyphs are compared pixel by pixel.
  void SetUp() override {
    GraphicsTest::SetUp();
    ASSERT_TRUE(platform::AddApplicationFont(kIpaGothicFile));
  }
  void TearDown() override {
    platform::RemoveAllApplicationFonts();
    GraphicsTest::TearDown();
  }
  // A square font (advance `advance`, squares of `square`) under the family
  // name, in the game folder.
  void AddSquareFont(const std::string& family, int advance, int square) {
    const std::string path = (folder_ / (family + ".bdf")).string();
    ASSERT_TRUE(WriteSquareFont(path, {family, 16, 14, square, advance, {'A', 'B', ' ', 0x3042}}));
    ASSERT_TRUE(platform::AddApplicationFont(path));
  }
  // The text surface's pixel of a font as 0xAARRGGBB.
  static uint32_t TextSurfacePixel(int font, int x, int y) {
    const MEMIMG& image = GetSurfaceDataRecord(GetSurface2DRecord(GetFontRecord(font)->textSurface)->store)->colorImage;
    uint32_t v;
    std::memcpy(&v, image.pixels + static_cast<size_t>(y) * image.base->pitch + x * 4, 4);
    return v;
  }
};

// Where the glyphs of a string land, placed the way the text is laid out:
// level 0-16 per pixel. The glyphs come straight from FreeType on the face
// file the font resolved to, by the rules the fonts promise: the face sized
// to the cell height, grey level (coverage x 16 + 127) / 255, synthetic bold
// one pixel wider with an advance one wider.
std::vector<int> Reference(const std::string& text, int size, int weight, int format, bool vertical, int x, int y,
                           int lineHeight) {
  std::vector<int> levels(640 * 480, 0);
  const platform::FontHandle font = platform::CreateFontCp932(Sjis("ＭＳ ゴシック"), size, weight, false, 128);
  platform::FontTextMetrics tm;
  platform::GetFontTextMetrics(font, &tm);
  const std::string path = platform::GetFontFilePath(font);
  platform::DeleteFont(font);
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  if (FT_Init_FreeType(&library) != 0) ADD_FAILURE() << "FreeType";
  if (library == nullptr || FT_New_Face(library, path.c_str(), 0, &face) != 0) {
    ADD_FAILURE() << "cannot open " << path;
    if (library != nullptr) FT_Done_FreeType(library);
    return levels;
  }
  FT_Size_RequestRec request{FT_SIZE_REQUEST_TYPE_CELL, 0, static_cast<FT_Long>(size) * 64, 0, 0};
  EXPECT_EQ(FT_Request_Size(face, &request), 0);
  const bool bold = weight >= 600 && (face->style_flags & FT_STYLE_FLAG_BOLD) == 0;
  const bool mono = format == platform::kGlyphBitmap;
  const std::string utf8 = platform::Cp932ToUtf8(text);
  int pen = 0;
  for (size_t at = 0; at < utf8.size();) {
    // One UTF-8 sequence (the text holds no more than three bytes a character).
    const auto b = [&](size_t i) { return static_cast<uint32_t>(static_cast<unsigned char>(utf8[at + i])); };
    const int n = b(0) < 0x80 ? 1 : b(0) < 0xE0 ? 2 : 3;
    const uint32_t c = n == 1   ? b(0)
                       : n == 2 ? (b(0) & 0x1F) << 6 | (b(1) & 0x3F)
                                : (b(0) & 0x0F) << 12 | (b(1) & 0x3F) << 6 | (b(2) & 0x3F);
    at += static_cast<size_t>(n);
    if (FT_Load_Char(face, c, mono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL) != 0) {
      ADD_FAILURE() << "no glyph for U+" << std::hex << c;
      continue;
    }
    FT_GlyphSlot g = face->glyph;
    if (bold && g->format == FT_GLYPH_FORMAT_OUTLINE) FT_Outline_EmboldenXY(&g->outline, 64, 0);
    EXPECT_EQ(FT_Render_Glyph(g, mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL), 0);
    const FT_Bitmap& bm = g->bitmap;
    for (int r = 0; r < static_cast<int>(bm.rows); ++r)
      for (int k = 0; k < static_cast<int>(bm.width); ++k) {
        const uint8_t* row = bm.buffer + static_cast<ptrdiff_t>(r) * bm.pitch;
        const int v =
            bm.pixel_mode == FT_PIXEL_MODE_MONO ? ((row[k >> 3] >> (7 - (k & 7))) & 1) * 16 : (row[k] * 16 + 127) / 255;
        const int offY = tm.ascent - g->bitmap_top;
        int px, py;
        if (vertical) {
          px = x + lineHeight - offY - 1 - r;
          py = y + pen + g->bitmap_left + k;
        } else {
          px = x + pen + g->bitmap_left + k;
          py = y + offY + r;
        }
        if (px >= 0 && py >= 0 && px < 640 && py < 480) levels[py * 640 + px] = mono ? (v >= 8 ? 16 : 0) : v;
      }
    pen += static_cast<int>((g->advance.x + 32) >> 6) + (bold ? 1 : 0);
  }
  FT_Done_Face(face);
  FT_Done_FreeType(library);
  return levels;
}

TEST_F(FontTest, JapaneseTextInOneBitEqualsTheGlyphsOfTheFace) {
  for (int bits : {32, 16})
    for (bool vertical : {false, true}) {
      SCOPED_TRACE(testing::Message() << bits << " bits, vertical " << vertical);
      StartGraphicsAt(bits);
      const int font = CreateFontToHandle(nullptr, 16, 6, 0, -1, -1, 0, -1, -1);
      ASSERT_GE(font, 0);
      ClearDrawTarget();
      const std::string text = Sjis(kJapanese);
      ASSERT_EQ(DrawTextWithFont(20, 30, text.c_str(), PackColor(255, 255, 255), font, 0, vertical ? 1 : 0), 0);
      const auto expected =
          Reference(text, 16, 600, platform::kGlyphBitmap, vertical, 20, 30, GetFontRecord(font)->lineHeight);
      int mismatches = 0, inked = 0;
      for (int py = 0; py < 480; ++py)
        for (int px = 0; px < 640; ++px) {
          const uint32_t want = expected[py * 640 + px] != 0 ? 0xFFFFFF : 0;
          inked += want != 0;
          mismatches += BackPixel(px, py) != want;
        }
      EXPECT_GT(inked, 500);
      EXPECT_EQ(mismatches, 0);
      EndMediaLibrary();
    }
}

TEST_F(FontTest, AntiAliasedJapaneseTextHoldsSeventeenLevelsAsAlpha) {
  for (bool vertical : {false, true}) {
    SCOPED_TRACE(vertical);
    StartGraphicsAt(32);
    const int font = CreateFontToHandle(nullptr, 16, 6, 2, -1, -1, 0, -1, -1);
    ASSERT_GE(font, 0);
    ClearDrawTarget();
    const std::string text = Sjis(kJapanese);
    ASSERT_EQ(DrawTextWithFont(20, 30, text.c_str(), PackColor(255, 255, 255), font, 0, vertical ? 1 : 0), 0);
    // The string is drawn at the text surface's corner, then blended.
    const auto expected =
        Reference(text, 16, 600, platform::kGlyphGray4, vertical, 0, 0, GetFontRecord(font)->lineHeight);
    int size[2];
    ProcessFontString(0, 0, 0, 0, 1, 1, text.c_str(), 0, nullptr, nullptr, 0, font, 0, -1, vertical ? 1 : 0, size);
    int mismatches = 0, full = 0;
    for (int py = 0; py < size[1]; ++py)
      for (int px = 0; px < size[0]; ++px) {
        const int g = expected[py * 640 + px];
        const uint32_t want = g > 1 ? 0xFFFFFFu | static_cast<uint32_t>((g - 1) * 16) << 24 : 0;
        mismatches += TextSurfacePixel(font, px, py) != want;
        if (g == 16) {
          ++full;
          EXPECT_GE(BackPixel(20 + px, 30 + py) & 0xFF, 0xEEu);
        }
      }
    EXPECT_GT(full, 100);
    EXPECT_EQ(mismatches, 0);
    EndMediaLibrary();
  }
}

// Anti-aliased text goes through a text surface cut to the line: glyphs that
// reach below the baseline keep their lowest row there, as they do drawn in
// one bit straight onto the screen, with the default face and with a game's
// own face whose letters pass the descent it declares.
TEST_F(FontTest, AntiAliasedTextKeepsTheLowestRowOfOneBitText) {
  // 64 units a pixel at 16: 14 rows above the baseline and 2 below declared.
  OutlineFontSpec low{"Low Reach", 1024, 896, -128, {}};
  for (unsigned c : {'p', 'q', 'y', 'g', 'j'})
    low.glyphs.push_back({c, 512, 64, -256 - 64 * static_cast<int>(c & 1), 448, 448});
  low.glyphs.push_back({'(', 512, 128, -192, 384, 960});
  const std::string path = (folder_ / "low.ttf").string();
  std::ofstream(path, std::ios::binary) << OutlineFontFile(low);
  ASSERT_TRUE(platform::AddApplicationFont(path));
  StartGraphicsAt(32);
  // The lowest row with any ink, -1 for none.
  const auto lowestRow = [&](const std::string& text, int font) {
    ClearDrawTarget();
    EXPECT_EQ(DrawTextWithFont(20, 30, text.c_str(), PackColor(255, 255, 255), font, 0, 0), 0);
    int lowest = -1;
    for (int py = 0; py < 480; ++py)
      for (int px = 0; px < 640; ++px)
        if (BackPixel(px, py) != 0) lowest = py;
    return lowest;
  };
  const struct {
    const char* face;
    std::vector<const char*> glyphs;
  } cases[] = {
      {nullptr, {",", ";", "j", "y", "|", "、", "＿", "｜", "〔", "〕"}},
      {"Low Reach", {"p", "q", "y", "g", "j", "("}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.face != nullptr ? c.face : "default");
    const int oneBit = CreateFontToHandle(c.face, 16, 6, 0, -1, -1, 0, -1, -1);
    const int antiAliased = CreateFontToHandle(c.face, 16, 6, 2, -1, -1, 0, -1, -1);
    ASSERT_GE(oneBit, 0);
    ASSERT_GE(antiAliased, 0);
    for (const char* glyph : c.glyphs) {
      const std::string text = Sjis(glyph);
      const int expected = lowestRow(text, oneBit);
      EXPECT_GE(expected, 30 + 15) << glyph;  // below the baseline
      EXPECT_EQ(lowestRow(text, antiAliased), expected) << glyph;
    }
  }
}

TEST_F(FontTest, AGameFontIsDrawnUnderAnInstalledNameAndADamagedOneFallsBack) {
  StartGraphicsAt(32);
  std::ofstream(folder_ / "broken.ttf", std::ios::binary) << "not a font at all";
  EXPECT_FALSE(platform::AddApplicationFont((folder_ / "broken.ttf").string()));
  AddSquareFont("IPAGothic", 16, 12);
  const int font = CreateFontToHandle(Sjis("ＭＳ ゴシック").c_str(), 16, 4, 0, -1, -1, 0, -1, -1);
  ASSERT_GE(font, 0);
  ClearDrawTarget();
  ASSERT_EQ(DrawTextWithFont(10, 10, "AB", PackColor(255, 0, 0), font, 0, 0), 0);
  for (int py = 8; py < 30; ++py)
    for (int px = 8; px < 46; ++px) {
      const int cx = (px - 10) % 16;
      const bool inSquare = px >= 10 && px < 42 && cx >= 1 && cx < 13 && py >= 12 && py < 24;
      EXPECT_EQ(BackPixel(px, py), inSquare ? 0xFF0000u : 0u) << px << "," << py;
    }
  // A face the game lacks and nothing installs still draws.
  const int fallback = CreateFontToHandle("Broken Face", 16, 4, 0, -1, -1, 0, -1, -1);
  ASSERT_GE(fallback, 0);
  EXPECT_GT(MeasureTextWithFont(Sjis("漢字").c_str(), -1, fallback, 0), 20);
}

TEST_F(FontTest, MeasuringFollowsAdvancesSpacingEdgesAndVerticalSizes) {
  StartGraphicsAt(32);
  AddSquareFont("Square8", 8, 6);
  const int plain = CreateFontToHandle("Square8", 16, 4, 0, -1, -1, 0, -1, -1);
  const int edged = CreateFontToHandle("Square8", 16, 4, 1, -1, 1, 0, -1, -1);
  const int wide = CreateFontToHandle("Square8", 16, 4, 0, -1, 2, 0, -1, -1);
  ASSERT_GE(plain, 0);
  SetFontCharSpacing(2, plain);
  struct Case {
    const char* name;
    int font;
    const char* text;
    int length;
    int vertical;
    int width;
  } cases[] = {
      {"spacing", plain, "AA", -1, 0, 20},      {"edge 1", edged, "AA", -1, 0, 20},
      {"length cuts", plain, "AAAA", 2, 0, 20}, {"spaces", plain, "   ", -1, 0, 30},
      {"vertical", plain, "AA", -1, 1, 20},     {"empty", plain, "", -1, 0, 0},
      {"null", plain, nullptr, -1, 0, 0},       {"bad handle", 12345, "AA", -1, 0, -1},
  };
  for (const Case& c : cases) EXPECT_EQ(MeasureTextWithFont(c.text, c.length, c.font, c.vertical), c.width) << c.name;
  // An edge size above 1 turns edging on; -1 means 1.
  EXPECT_EQ(GetFontRecord(wide)->type, 1);
  EXPECT_EQ(GetFontRecord(edged)->edgeSize, 1);
  int size[2];
  ProcessFontString(0, 0, 0, 0, 1, 1, "AA", 0, nullptr, nullptr, 0, plain, 0, -1, 1, size);
  EXPECT_EQ(size[0], GetFontRecord(plain)->lineHeight);
  EXPECT_EQ(size[1], 20);
  // Spaces draw nothing; a glyph outside the clip area is skipped but counts.
  ClearDrawTarget();
  ASSERT_EQ(DrawTextWithFont(0, 0, "   ", PackColor(255, 255, 255), plain, 0, 0), 0);
  EXPECT_EQ(BackPixel(1, 10), 0u);
  SetClipArea(20, 0, 640, 480);
  ASSERT_EQ(DrawTextWithFont(0, 0, "AAB", PackColor(255, 255, 255), plain, 0, 0), 0);
  EXPECT_EQ(BackPixel(11, 10), 0u);
  EXPECT_EQ(BackPixel(21, 10), 0xFFFFFFu);
  SetClipArea(0, 0, 640, 480);
  // The tint scales the text colour.
  SetDrawTint(128, 128, 128);
  ASSERT_EQ(DrawTextWithFont(100, 100, "A", PackColor(255, 255, 255), plain, 0, 0), 0);
  EXPECT_EQ(BackPixel(101, 110), 0x808080u);
  SetDrawTint(255, 255, 255);
  // On the software front screen a string starting at the clip area's right edge is not drawn.
  SelectDrawTarget(-4);
  EXPECT_EQ(DrawTextWithFont(640, 10, "A", PackColor(255, 255, 255), plain, 0, 0), 0);
  EXPECT_EQ(DrawTextWithFont(0, 0, "A", 0, 12345, 0, 0), -1);
}

TEST_F(FontTest, LeadBytesFollowTheCharacterSet) {
  const struct {
    unsigned char byte;
    int set;
    int lead;
  } cases[] = {{0x81, 1, 1}, {0x9F, 0, 1}, {0xA0, 1, 0}, {0xE0, 1, 1}, {0xFC, 1, 1},
               {0xFD, 1, 0}, {0xA0, 2, 1}, {0x80, 2, 1}, {0x7F, 2, 0}, {0x41, 1, 0}};
  for (const auto& c : cases) {
    const char byte = static_cast<char>(c.byte);
    EXPECT_EQ(IsDoubleByteLead(&byte, c.set), c.lead) << std::hex << int(c.byte) << " set " << c.set;
  }
}

TEST_F(FontTest, OneCharacterMoreThanTheCellsEvictsCellZeroAndLongStringsStillDrawRight) {
  StartGraphicsAt(32);
  const int font = CreateFontToHandle(nullptr, 40, 6, 0, -1, -1, 0, -1, -1);
  ASSERT_GE(font, 0);
  FontRecord* r = GetFontRecord(font);
  const int cells = r->cellCount;
  // Distinct kanji from the first level of JIS.
  std::string text;
  for (int i = 0; i <= cells + 10; ++i) {
    const int trail = 0x40 + i % 94;
    text += static_cast<char>(0x89 + i / 94);
    text += static_cast<char>(trail >= 0x7F ? trail + 1 : trail);
  }
  ASSERT_EQ(CacheStringGlyphs(text.substr(0, 2 * cells).c_str(), -1, font, nullptr, nullptr), 0);
  const auto key = [](const std::string& s, size_t at) {
    return static_cast<unsigned char>(s[at]) | static_cast<unsigned char>(s[at + 1]) << 8;
  };
  EXPECT_EQ(r->map[key(text, 0)].entry, &r->cells[0]);
  ASSERT_EQ(CacheStringGlyphs(text.substr(2 * cells, 2).c_str(), -1, font, nullptr, nullptr), 0);
  EXPECT_EQ(r->map[key(text, 0)].cached, 0);
  EXPECT_EQ(r->cells[0].slot, &r->map[key(text, 2 * cells)]);
  // The whole string, right-aligned so that the re-rendered tail is visible,
  // draws like its tail alone in a fresh font.
  const int width = MeasureTextWithFont(text.c_str(), -1, font, 0);
  ClearDrawTarget();
  ASSERT_EQ(DrawTextWithFont(640 - width, 100, text.c_str(), PackColor(255, 255, 255), font, 0, 0), 0);
  std::vector<uint32_t> whole;
  for (int py = 100; py < 150; ++py)
    for (int px = 0; px < 640; ++px) whole.push_back(BackPixel(px, py));
  const int fresh = CreateFontToHandle(nullptr, 40, 6, 0, -1, -1, 0, -1, -1);
  const std::string tail = text.substr(text.size() - 40);
  ClearDrawTarget();
  ASSERT_EQ(DrawTextWithFont(640 - MeasureTextWithFont(tail.c_str(), -1, fresh, 0), 100, tail.c_str(),
                             PackColor(255, 255, 255), fresh, 0, 0),
            0);
  std::vector<uint32_t> alone;
  for (int py = 100; py < 150; ++py)
    for (int px = 0; px < 640; ++px) alone.push_back(BackPixel(px, py));
  EXPECT_EQ(whole, alone);
}

TEST_F(FontTest, TheFortyFirstFontFailsAndRecreationKeepsHandles) {
  StartGraphicsAt(32);
  std::vector<int> fonts;
  int handle;
  while ((handle = CreateFontToHandle(nullptr, 12, 6, 0, -1, -1, 0, -1, -1)) != -1) fonts.push_back(handle);
  int live = 0;
  for (int slot = 0; slot < kFontSlots; ++slot) live += gFontTable.fonts[slot] != nullptr;
  EXPECT_EQ(live, 40);
  const auto lines = LogLines();
  EXPECT_EQ(lines.back(), Sjis("作成できるフォントハンドル数 40 の限界を超えました"));
  DeleteFontHandle(fonts.back());
  fonts.pop_back();
  const int mine = fonts.back();
  SetFontCharSpacing(3, mine);
  int deleted = -1;
  SetFontDeleteFlagTarget(mine, &deleted);
  EXPECT_EQ(deleted, 0);
  ASSERT_EQ(RecreateAllFonts(), 0);
  EXPECT_EQ(deleted, 1);
  EXPECT_EQ(IsFontHandleValid(mine), 1);
  EXPECT_EQ(GetFontRecord(mine)->spacing, 3);
  EXPECT_EQ(IsFontHandleValid(gDefaultFontHandle), 1);
}

TEST_F(FontTest, TheDrawCallLogCoversTheTextEntries) {
  StartGraphicsAt(32);
  SetDrawCallLogEnabled(1);
  ClearDrawCallLog();
  SetBlendState(1, 128);
  DrawTextDefaultFont(1, 2, "Ab", 0x10, 0);
  DrawTextFormatted(3, 4, 0x20, "%d-%s", 7, "x");
  DrawScaledTextWithFont(5, 6, 2.0, 1.5, "c", 0x30, gDefaultFontHandle, 0, 0);
  SetBlendState(0, 0);
  SetDrawCallLogEnabled(0);
  EXPECT_EQ(std::string(GetDrawCallLog()), "DrawTextDefaultFont(1,2,\"Ab\",0x10,0x0) = 0 blend=1,128 tint=FFFFFF\n"
                                           "DrawTextDefaultFont(3,4,\"7-x\",0x20,0x0) = 0 blend=1,128 tint=FFFFFF\n"
                                           "DrawScaledTextWithFont(5,6,2,1.5,\"c\",0x30," +
                                               std::to_string(gDefaultFontHandle) +
                                               ",0x0,0) = 0 blend=1,128 tint=FFFFFF\n");
}

}  // namespace

namespace {

TEST_F(FontTest, FaceNamesAreKeptWholeAndListingsStayInsideTheirBuffer) {
  StartGraphicsAt(32);
  const std::string longFace(300, 'F');
  EXPECT_EQ(CreateFontToHandle(longFace.c_str(), 16, 6, 0, -1, -1, 0, -1, -1), -1);
  const std::string face255(255, 'G');
  const int kept = CreateFontToHandle(face255.c_str(), 16, 6, 0, -1, -1, 0, -1, -1);
  ASSERT_GE(kept, 0);
  EXPECT_EQ(std::string(GetFontRecord(kept)->face), face255);
  // A default face that does not fit is not cut: the default face is used.
  SetDefaultFontFace(std::string(200, 'H').c_str(), -1);
  EXPECT_EQ(gDefaultFontSettings.face[0], '\0');
  EXPECT_GE(gDefaultFontHandle, 0);
  // Two names asked for: two written, the bytes after them untouched.
  std::vector<char> names(64 * 3, '\x7E');
  EXPECT_EQ(EnumFontFaceNames(names.data(), 2, 0), 2);
  EXPECT_EQ(names[64 * 2], '\x7E');
  EXPECT_NE(names[0], '\x7E');
  // Mode 1: Japanese TrueType faces once each, none vertical.
  const int all = EnumFontFaceNames(nullptr, 0, 0);
  const int japanese = EnumFontFaceNames(nullptr, 0, 1);
  EXPECT_GT(japanese, 0);
  EXPECT_LE(japanese, all);
  std::vector<char> list(static_cast<size_t>(japanese) * 64);
  ASSERT_EQ(EnumFontFaceNames(list.data(), 0, 1), japanese);
  std::vector<std::string> seen;
  for (int i = 0; i < japanese; ++i) {
    const std::string name = list.data() + i * 64;
    EXPECT_NE(name[0], '@');
    EXPECT_EQ(std::count(seen.begin(), seen.end(), name), 0) << name;
    seen.push_back(name);
  }
  EXPECT_NE(std::find(seen.begin(), seen.end(), "IPAGothic"), seen.end());
  EXPECT_EQ(EnumFontFaceNames(nullptr, 0, 2), 0);
}

}  // namespace
