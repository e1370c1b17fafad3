#include <gtest/gtest.h>

#include <sstream>

#include "gamedata/GameText.h"
#include "presentation/MessageEscapes.h"
#include "presentation/PresentationFixture.h"

namespace {

struct Drawn {
  std::string entry;
  int x, y;
  std::string text;
  std::string font;  // the handle argument
};

std::vector<Drawn> DrawnGlyphs(const std::string& log) {
  std::vector<Drawn> out;
  std::istringstream in(log);
  for (std::string line; std::getline(in, line);) {
    const size_t paren = line.find('(');
    if (line.rfind("Draw", 0) != 0 || paren == std::string::npos) continue;
    Drawn d;
    d.entry = line.substr(0, paren);
    std::istringstream args(line.substr(paren + 1));
    char comma;
    args >> d.x >> comma >> d.y;
    const size_t q1 = line.find('"'), q2 = line.find('"', q1 + 1);
    d.text = line.substr(q1 + 1, q2 - q1 - 1);
    // text, colour, font
    const size_t afterColour = line.find(',', line.find(',', q2) + 1);
    d.font = line.substr(afterColour + 1, line.find(',', afterColour + 1) - afterColour - 1);
    out.push_back(d);
  }
  return out;
}

class TextBlocks : public PresentationTest {
 protected:
  void SetUp() override {
    PresentationTest::SetUp();
    gTextResources.SetUpFonts();
    SetTextColours({0xFFFFFF, 0xFF0000});
    gVariableStore.WriteVariable(9000008, 20);
  }
  // The draw pass of `text` at (100, 50) with the given reveal.
  std::vector<Drawn> Draw(const std::string& text, double revealed, double scaleX = 1.0, double scaleY = 1.0) {
    block_ = TextBlock(100, 50);
    block_.pendingText = ExpandMessageEscapes(text, -1, 0, 1, 0, 0, "", "", 0);
    block_.RenderTextBlock(false, 1.0, 1.0);
    block_.revealed = revealed;
    SetDrawCallLogEnabled(1);
    ClearDrawCallLog();
    block_.RenderTextBlock(true, scaleX, scaleY);
    SetDrawCallLogEnabled(0);
    return DrawnGlyphs(GetDrawCallLog());
  }
  int Width(const std::string& s, int slot = 0, int style = 0) {
    const int font = gTextResources.GetFontHandle(slot, 20, 5, style);
    return MeasureTextWithFont(s.c_str(), static_cast<int>(s.size()), font, 0);
  }
  TextBlock block_;
};

TEST_F(TextBlocks, TheRevealCountsVisibleBytesOnly) {
  const std::string kan = Cp932Text("漢");
  struct Case {
    std::string text;
    double revealed;
    size_t glyphs;
  };
  const std::vector<Case> cases = {
      {"ab", 1.0, 1},       {"ab", 2.0, 2},       {kan + "a", 1.0, 0}, {kan + "a", 2.0, 1},
      {"\\c[1]ab", 1.0, 1}, {"\\c[1]ab", 2.0, 2}, {"a\\.b", 9.0, 1},   {"\\>abc", 1.0, 3},
  };
  for (const Case& c : cases) EXPECT_EQ(Draw(c.text, c.revealed).size(), c.glyphs) << c.text << " " << c.revealed;
  // An empty text draws nothing and changes nothing.
  TextBlock empty(3, 4);
  empty.RenderTextBlock(true, 1.0, 1.0);
  EXPECT_EQ(empty.x, 3);
  EXPECT_EQ(empty.fontSize, 24);
  int w = -1, h = -1;
  empty.MeasureTextBlock(w, h);
  EXPECT_EQ(w, 0);
  EXPECT_EQ(h, 0);
}

TEST_F(TextBlocks, AlignmentStyleAndScaleMoveTheGlyphs) {
  // Line 1 "abcd", line 2 centred "ab", line 3 right-aligned "ab".
  const auto glyphs = Draw("abcd\n<C>ab\n<R>ab", 100.0);
  ASSERT_EQ(glyphs.size(), 8u);
  const int gap = Width("abcd") - Width("ab");
  EXPECT_EQ(glyphs[0].x, 100);
  EXPECT_EQ(glyphs[4].x, 100 + gap / 2);
  EXPECT_EQ(glyphs[6].x, 100 + gap);
  EXPECT_EQ(glyphs[4].y, 50 + 20);
  // The edged style takes the edged font of the same slot and size.
  const auto edged = Draw("a\\Eb", 10.0);
  ASSERT_EQ(edged.size(), 2u);
  EXPECT_EQ(edged[0].font, std::to_string(gTextResources.GetFontHandle(0, 20, 5, 0)));
  EXPECT_EQ(edged[1].font, std::to_string(gTextResources.GetFontHandle(0, 20, 5, 1)));
  // Scales 2.0 and 1.0 stretch the positions horizontally only.
  const auto plain = Draw("ab\ncd", 10.0);
  const auto wide = Draw("ab\ncd", 10.0, 2.0, 1.0);
  ASSERT_EQ(wide.size(), 4u);
  EXPECT_EQ(wide[0].entry, "DrawScaledTextWithFont");
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(wide[i].x - 100, (plain[i].x - 100) * 2) << i;
    EXPECT_EQ(wide[i].y, plain[i].y) << i;
  }
}

TEST_F(TextBlocks, ColoursOutsideTheTableFallBack) {
  SetDrawCallLogEnabled(1);
  ClearDrawCallLog();
  Draw("\\c[9]a", 5.0);
  // Above the table: its last entry.
  EXPECT_NE(std::string(GetDrawCallLog()).find(",\"a\",0xFFFF0000,"), std::string::npos) << GetDrawCallLog();
  SetTextColours({});
  Draw("a", 5.0);
  EXPECT_NE(std::string(GetDrawCallLog()).find(",\"a\",0xFFFFFFFF,"), std::string::npos) << GetDrawCallLog();
  // Ruby with fewer than fourteen colours draws white.
  SetTextColours({0x102030});
  Draw("\\r[ab,c]", 20.0);
  EXPECT_NE(std::string(GetDrawCallLog()).find(",\"c\",0xFFFFFFFF,"), std::string::npos) << GetDrawCallLog();
}

}  // namespace
