#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/fonts/Fonts.h"
#include "platform/ime/Ime.h"
#include "platform/text/Text.h"
#include "platform/window/Window.h"
#include "support/FontFileWriter.h"

namespace {

std::string Sjis(const char* utf8) { return platform::Utf8ToCp932(utf8); }

class FontsTest : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() / ("player-fonts-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override {
    platform::RemoveAllApplicationFonts();
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
  }
  std::filesystem::path folder_;
};

// Japanese Windows faces resolve to an installed Japanese face, whichever
// file the machine's font set-up holds for it; a face nothing installs falls
// back to the face the Gothic faces resolve to.
TEST_F(FontsTest, JapaneseFacesMapToInstalledJapaneseFacesAndUnknownFacesFallBack) {
  const platform::FontHandle gothic = platform::CreateFontCp932(Sjis("IPAGothic"), 16, 400, false, 128);
  ASSERT_NE(gothic, 0);
  const std::string gothicPath = platform::GetFontFilePath(gothic);
  platform::DeleteFont(gothic);
  const struct {
    const char* face;
    bool fallsBack;
  } cases[] = {
      {"ＭＳ ゴシック", false}, {"ＭＳ Ｐゴシック", false}, {"MS Gothic", false},       {"ＭＳ 明朝", false},
      {"ＭＳ Ｐ明朝", false},   {"IPAMincho", false},       {"No Such Face 123", true}, {"", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.face);
    const platform::FontHandle font = platform::CreateFontCp932(Sjis(c.face), 16, 400, false, 128);
    ASSERT_NE(font, 0);
    const std::string path = platform::GetFontFilePath(font);
    EXPECT_TRUE(std::filesystem::is_regular_file(path)) << path;
    if (c.fallsBack) {
      EXPECT_EQ(path, gothicPath);
    }
    // Kana and kanji have glyphs.
    for (unsigned code : {0x82A0u /* あ */, 0x8ABFu /* 漢 */}) {
      platform::GlyphMetrics gm;
      EXPECT_GT(platform::GetGlyphOutline(font, code, platform::kGlyphGray4, &gm, nullptr, 0), 0) << std::hex << code;
      EXPECT_GT(gm.cellIncX, 0);
    }
    platform::FontTextMetrics tm;
    ASSERT_TRUE(platform::GetFontTextMetrics(font, &tm));
    EXPECT_EQ(tm.height, tm.ascent + tm.descent);
    EXPECT_GE(tm.height, 16);
    EXPECT_GT(tm.maxCharWidth, 0);
    platform::DeleteFont(font);
  }
}

TEST_F(FontsTest, GlyphRowsArePaddedAndUnmappedCodesAreEmpty) {
  const platform::FontHandle font = platform::CreateFontCp932(Sjis("ＭＳ ゴシック"), 16, 400, false, 128);
  ASSERT_NE(font, 0);
  const unsigned kanji = 0x8ABF;  // 漢
  for (int format : {platform::kGlyphBitmap, platform::kGlyphGray4}) {
    platform::GlyphMetrics gm;
    const int size = platform::GetGlyphOutline(font, kanji, format, &gm, nullptr, 0);
    ASSERT_GT(gm.blackBoxX, 0);
    ASSERT_GT(gm.blackBoxY, 0);
    const int pitch = platform::GlyphRowPitch(format, gm.blackBoxX);
    EXPECT_EQ(pitch % 4, 0);
    EXPECT_EQ(size, pitch * gm.blackBoxY);
    std::vector<uint8_t> rows(static_cast<size_t>(size));
    ASSERT_EQ(platform::GetGlyphOutline(font, kanji, format, &gm, rows.data(), size), size);
    int inked = 0, maxLevel = 0;
    for (int y = 0; y < gm.blackBoxY; ++y)
      for (int x = 0; x < gm.blackBoxX; ++x) {
        const uint8_t* row = rows.data() + y * pitch;
        const int v = format == platform::kGlyphBitmap ? (row[x >> 3] >> (7 - (x & 7))) & 1 : row[x];
        inked += v != 0;
        maxLevel = std::max(maxLevel, v);
      }
    EXPECT_GT(inked, 20);
    EXPECT_EQ(maxLevel, format == platform::kGlyphBitmap ? 1 : 16);
    // A buffer too small is refused.
    EXPECT_EQ(platform::GetGlyphOutline(font, kanji, format, &gm, rows.data(), size - 1), -1);
  }
  // 0x8540 is an unassigned CP932 code.
  platform::GlyphMetrics gm{1, 1, 1, 1, 1};
  EXPECT_EQ(platform::GetGlyphOutline(font, 0x8540, platform::kGlyphGray4, &gm, nullptr, 0), 0);
  EXPECT_EQ(gm.blackBoxX, 0);
  EXPECT_EQ(gm.cellIncX, 0);
  EXPECT_EQ(platform::GetGlyphOutline(0, 'A', platform::kGlyphGray4, &gm, nullptr, 0), -1);
  platform::DeleteFont(font);
}

// Every row a glyph reaches lies inside the line, in both formats, and the
// line is no taller than the glyphs need; the size the face is set to (and so
// every advance) stays the requested one.
TEST_F(FontsTest, TheLineHoldsEveryRowTheGlyphsReachAndAdvancesKeepTheRequestedSize) {
  ASSERT_TRUE(platform::AddApplicationFont(kIpaGothicFile));
  const std::string text = Sjis(",;_jy|、＿｜〔〕漢Ｍ");
  for (int size : {12, 16, 20, 24}) {
    SCOPED_TRACE(size);
    const platform::FontHandle font = platform::CreateFontCp932(Sjis("ＭＳ ゴシック"), size, 400, false, 128);
    ASSERT_NE(font, 0);
    ASSERT_EQ(platform::GetFontFilePath(font), kIpaGothicFile);
    platform::FontTextMetrics tm;
    ASSERT_TRUE(platform::GetFontTextMetrics(font, &tm));
    EXPECT_EQ(tm.height, tm.ascent + tm.descent);
    if (size == 16) {
      // At 16 px the face reaches 15 rows above the baseline and 2 below.
      EXPECT_EQ(tm.ascent, 15);
      EXPECT_EQ(tm.descent, 2);
    }
    for (int format : {platform::kGlyphBitmap, platform::kGlyphGray4}) {
      int top = 0, bottom = 0;
      for (size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const bool wide = (lead >= 0x81 && lead <= 0x9F) || lead >= 0xE0;
        const unsigned code = wide ? lead << 8 | static_cast<unsigned char>(text[i + 1]) : lead;
        i += wide ? 2 : 1;
        platform::GlyphMetrics gm;
        platform::GetGlyphOutline(font, code, format, &gm, nullptr, 0);
        EXPECT_EQ(gm.cellIncX, wide ? size : size / 2) << std::hex << code;
        if (gm.blackBoxY == 0) continue;  // a thin stroke may vanish in one bit at small sizes
        EXPECT_LE(gm.originY, tm.ascent) << std::hex << code;
        EXPECT_LE(gm.blackBoxY - gm.originY, tm.descent) << std::hex << code;
        top = std::max(top, gm.originY);
        bottom = std::max(bottom, gm.blackBoxY - gm.originY);
      }
      EXPECT_GE(top + 1, tm.ascent) << format;
      EXPECT_EQ(bottom, tm.descent) << format;
    }
    platform::DeleteFont(font);
  }
}

// A face whose letters pass the descent it declares, as many a game's own
// font does: the line still holds their lowest rows, in both formats.
TEST_F(FontsTest, TheLineHoldsRowsBelowTheDescentAFaceDeclares) {
  // 64 units a pixel at 16: 14 rows above the baseline and 2 below declared;
  // 'y' reaches 5 below, 'p' 3, and '(' 1 above the ascent.
  OutlineFontSpec spec{"Low Reach", 1024, 896, -128, {}};
  spec.glyphs = {{'A', 512, 64, 0, 448, 640},
                 {'p', 512, 64, -192, 448, 448},
                 {'y', 512, 64, -320, 448, 448},
                 {'(', 512, 64, -64, 448, 960}};
  const std::string path = (folder_ / "low.ttf").string();
  std::ofstream(path, std::ios::binary) << OutlineFontFile(spec);
  ASSERT_TRUE(platform::AddApplicationFont(path));
  const platform::FontHandle font = platform::CreateFontCp932("Low Reach", 16, 400, false, 1);
  ASSERT_EQ(platform::GetFontFilePath(font), path);
  platform::FontTextMetrics tm;
  ASSERT_TRUE(platform::GetFontTextMetrics(font, &tm));
  EXPECT_EQ(tm.ascent, 15);
  EXPECT_EQ(tm.descent, 5);
  EXPECT_EQ(tm.height, 20);
  for (int format : {platform::kGlyphBitmap, platform::kGlyphGray4}) {
    platform::GlyphMetrics gm;
    ASSERT_GT(platform::GetGlyphOutline(font, 'y', format, &gm, nullptr, 0), 0);
    EXPECT_EQ(gm.blackBoxY - gm.originY, 5) << format;
    EXPECT_EQ(gm.cellIncX, 8);
  }
  platform::DeleteFont(font);
}

// Every face of a game's font collection is found under its own family name
// and draws with its own glyphs, and wins over an installed face of that
// name; a collection fontconfig knows is opened at the face it names.
TEST_F(FontsTest, EachFaceOfACollectionDrawsUnderItsOwnName) {
  const OutlineFontSpec narrow{"Collected Narrow", 1024, 896, -128, {{'A', 512, 64, 0, 384, 640}}};
  const OutlineFontSpec wide{"Collected Wide", 1024, 896, -128, {{'A', 1024, 64, 0, 896, 640}}};
  const OutlineFontSpec gothic{"IPAGothic", 1024, 896, -128, {{'A', 768, 64, 0, 640, 640}}};
  const std::string path = (folder_ / "three.ttc").string();
  std::ofstream(path, std::ios::binary) << FontCollectionFile({narrow, wide, gothic});
  // The advance and box width of 'A' at 16 pixels.
  const auto glyphA = [](const char* face) {
    const platform::FontHandle font = platform::CreateFontCp932(face, 16, 400, false, 1);
    platform::GlyphMetrics gm;
    platform::GetGlyphOutline(font, 'A', platform::kGlyphGray4, &gm, nullptr, 0);
    platform::DeleteFont(font);
    return std::make_pair(gm.cellIncX, gm.blackBoxX);
  };
  const std::pair<int, int> narrowA{8, 5}, wideA{16, 13}, gothicA{12, 9};
  {
    SCOPED_TRACE("installed");
    // Known to fontconfig only, as an installed collection is.
    ASSERT_TRUE(FcConfigAppFontAddFile(nullptr, reinterpret_cast<const FcChar8*>(path.c_str())));
    EXPECT_EQ(glyphA("Collected Narrow"), narrowA);
    EXPECT_EQ(glyphA("Collected Wide"), wideA);
    FcConfigAppFontClear(nullptr);
  }
  {
    SCOPED_TRACE("the game's own");
    ASSERT_TRUE(platform::AddApplicationFont(path));
    EXPECT_EQ(glyphA("Collected Narrow"), narrowA);
    EXPECT_EQ(glyphA("Collected Wide"), wideA);
    EXPECT_EQ(glyphA("IPAGothic"), gothicA);
    bool listed = false;
    for (const platform::FontFaceInfo& f : platform::EnumerateFontFaces())
      listed |= f.fullName == "Collected Wide Regular";
    EXPECT_TRUE(listed);
    EXPECT_TRUE(platform::RemoveApplicationFont(path));
    const platform::FontHandle after = platform::CreateFontCp932("Collected Wide", 16, 400, false, 1);
    EXPECT_NE(platform::GetFontFilePath(after), path);
    platform::DeleteFont(after);
  }
}

TEST_F(FontsTest, WeightSixHundredEmboldensByOnePixel) {
  const platform::FontHandle regular = platform::CreateFontCp932("IPAGothic", 16, 400, false, 128);
  const platform::FontHandle bold = platform::CreateFontCp932("IPAGothic", 16, 600, false, 128);
  platform::GlyphMetrics a, b;
  platform::GetGlyphOutline(regular, 'H', platform::kGlyphGray4, &a, nullptr, 0);
  platform::GetGlyphOutline(bold, 'H', platform::kGlyphGray4, &b, nullptr, 0);
  EXPECT_EQ(b.cellIncX, a.cellIncX + 1);
  EXPECT_EQ(b.blackBoxX, a.blackBoxX + 1);
  platform::DeleteFont(regular);
  platform::DeleteFont(bold);
}

TEST_F(FontsTest, AGameFontWinsOverTheInstalledFaceAndADamagedOneIsSkipped) {
  const std::string good = (folder_ / "square.bdf").string();
  const std::string damaged = (folder_ / "broken.ttf").string();
  ASSERT_TRUE(WriteSquareFont(good, {"IPAGothic", 16, 14, 12, 16, {'A', 0x3042 /* あ */}}));
  std::ofstream(damaged, std::ios::binary) << "\0\1\0\0garbage that is no font";
  EXPECT_FALSE(platform::AddApplicationFont(damaged));
  const platform::FontHandle before = platform::CreateFontCp932(Sjis("ＭＳ ゴシック"), 16, 400, false, 128);
  EXPECT_NE(platform::GetFontFilePath(before), good);
  ASSERT_TRUE(platform::AddApplicationFont(good));
  const platform::FontHandle font = platform::CreateFontCp932(Sjis("ＭＳ ゴシック"), 16, 400, false, 128);
  EXPECT_EQ(platform::GetFontFilePath(font), good);
  platform::GlyphMetrics gm;
  std::vector<uint8_t> rows(12 * 4);
  ASSERT_EQ(platform::GetGlyphOutline(font, 0x82A0 /* あ */, platform::kGlyphBitmap, &gm, rows.data(), 48), 48);
  EXPECT_EQ(gm.blackBoxX, 12);
  EXPECT_EQ(gm.blackBoxY, 12);
  EXPECT_EQ(gm.originX, 1);
  EXPECT_EQ(gm.originY, 12);
  EXPECT_EQ(gm.cellIncX, 16);
  for (int y = 0; y < 12; ++y) {
    EXPECT_EQ(rows[y * 4], 0xFF);
    EXPECT_EQ(rows[y * 4 + 1], 0xF0);
  }
  // The game's face is listed with the installed ones.
  bool listed = false;
  for (const platform::FontFaceInfo& f : platform::EnumerateFontFaces())
    listed |= f.fullName == "IPAGothic Regular" && !f.trueType;
  EXPECT_TRUE(listed);
  EXPECT_TRUE(platform::RemoveApplicationFont(good));
  const platform::FontHandle after = platform::CreateFontCp932(Sjis("ＭＳ ゴシック"), 16, 400, false, 128);
  EXPECT_NE(platform::GetFontFilePath(after), good);
  for (platform::FontHandle f : {before, font, after}) platform::DeleteFont(f);
}

TEST_F(FontsTest, InstalledFacesAreListedWithScriptAndTrueTypeFlag) {
  bool gothic = false;
  for (const platform::FontFaceInfo& f : platform::EnumerateFontFaces())
    if (f.fullName == "IPAGothic" || f.fullName == Sjis("IPAゴシック"))
      gothic = f.trueType && f.script == Sjis("日本語");
  EXPECT_TRUE(gothic);
}

// Compositions reach the main window as start, update and end messages; the
// committed text arrives as characters.
TEST(ImeTest, ScriptedCompositionPostsStartUpdateEndAndCommitsCharacters) {
  platform::ResetHeadlessWindowing();
  platform::ResetHeadlessIme();
  const auto folder = std::filesystem::temp_directory_path() / ("player-ime-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  platform::SetInstanceLockFolder(folder.string());
  ASSERT_EQ(platform::RegisterWindowClass(
                "ime",
                [](platform::WindowHandle w, uint32_t m, uintptr_t wp, intptr_t lp) {
                  return platform::DefWindowProc(w, m, wp, lp);
                },
                0),
            0);
  const platform::WindowHandle window = platform::CreateMainWindow("ime", "ime", 0, 0, 0, 0, 100, 100);
  ASSERT_NE(window, 0);
  platform::ScriptImeComposition("かん", 1);
  EXPECT_EQ(platform::GetImeComposition(), Sjis("かん"));
  EXPECT_EQ(platform::GetImeCursorBytes(), 2);
  platform::ScriptImeCandidates({"漢", "缶"}, 1);
  platform::ImeCandidateList list;
  ASSERT_TRUE(platform::GetImeCandidateList(&list));
  EXPECT_EQ(list.items, (std::vector<std::string>{Sjis("漢"), Sjis("缶")}));
  EXPECT_EQ(list.selection, 1);
  platform::ScriptImeComposition("缶", 1);
  platform::ScriptImeEndComposition(true);
  EXPECT_FALSE(platform::GetImeCandidateList(&list));
  std::vector<uint32_t> messages;
  std::string chars;
  platform::WindowMessage m;
  while (platform::PeekMessage(&m, 0, true)) {
    if (m.message == platform::kWmChar) chars += static_cast<char>(m.wParam);
    else messages.push_back(m.message);
  }
  const std::vector<uint32_t> expected = {platform::kWmImeStartComposition, platform::kWmImeComposition,
                                          platform::kWmImeNotify,           platform::kWmImeComposition,
                                          platform::kWmImeNotify,           platform::kWmImeComposition,
                                          platform::kWmImeEndComposition};
  EXPECT_EQ(messages, expected);
  EXPECT_EQ(chars, Sjis("缶"));
  // Disabled, compositions are not reported; typing goes on.
  platform::SetImeEnabled(false);
  platform::ScriptImeComposition("あ", 1);
  EXPECT_EQ(platform::GetImeComposition(), "");
  platform::InjectText("a");
  ASSERT_TRUE(platform::PeekMessage(&m, 0, true));
  EXPECT_EQ(m.message, platform::kWmChar);
  platform::ResetHeadlessIme();
  platform::ResetHeadlessWindowing();
  std::filesystem::remove_all(folder);
}

}  // namespace
