// A full message window (4 lines of 25 Japanese characters) and a 10-line
// choice in a cached 16-pixel font onto the software back screen, plain and
// anti-aliased, beside rendering the same glyphs through FreeType (by way of
// the fonts facility) and blending its bitmaps straight into a frame.
// Counters give the time per drawn line.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "BenchLibrary.h"
#include "media/PublicFunctions.h"
#include "platform/Backend.h"
#include "platform/fonts/Fonts.h"
#include "platform/text/Text.h"
#include "platform/window/Window.h"

namespace {

constexpr int kLines = 14;  // 4 message lines and 10 choices

std::vector<std::string> Lines() {
  const char* message[4] = {"吾輩は猫である。名前はまだ無い。どこで生れたかとんと見当がつか",
                            "ぬ。何でも薄暗いじめじめした所でニャーニャー泣いていた事だけは",
                            "記憶している。吾輩はここで始めて人間というものを見た。しかもあ",
                            "とで聞くとそれは書生という人間中で一番獰悪な種族であったそうだ"};
  std::vector<std::string> out;
  for (const char* line : message) {
    // 25 characters of each.
    std::string cp932 = platform::Utf8ToCp932(line);
    out.push_back(cp932.substr(0, 50));
  }
  for (int i = 0; i < 10; ++i)
    out.push_back(platform::Utf8ToCp932("選択肢その" + std::to_string(i + 1) + "：宿屋に泊まる"));
  return out;
}

struct Library {
  int plain = -1, smooth = -1;
  std::vector<std::string> lines = Lines();
  Library() {
    StartHeadlessBenchLibrary("player-fontbench-");
    plain = CreateFontToHandle(nullptr, 16, 6, 0, -1, -1, 0, -1, -1);
    smooth = CreateFontToHandle(nullptr, 16, 6, 2, -1, -1, 0, -1, -1);
  }
};

Library& TheLibrary() {
  static Library library;
  return library;
}

void DrawWindow(const Library& lib, int font) {
  for (int i = 0; i < kLines; ++i)
    DrawTextWithFont(20, 20 + i * 24, lib.lines[static_cast<size_t>(i)].c_str(), PackColor(255, 255, 255), font, 0, 0);
}

void Report(benchmark::State& state) {
  state.counters["per_line"] = benchmark::Counter(static_cast<double>(state.iterations()) * kLines,
                                                  benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_Text_Plain(benchmark::State& state) {
  Library& lib = TheLibrary();
  DrawWindow(lib, lib.plain);  // fills the cache
  for (auto _ : state) DrawWindow(lib, lib.plain);
  Report(state);
}
BENCHMARK(BM_Text_Plain)->Unit(benchmark::kMicrosecond);

void BM_Text_AntiAliased(benchmark::State& state) {
  Library& lib = TheLibrary();
  DrawWindow(lib, lib.smooth);
  for (auto _ : state) DrawWindow(lib, lib.smooth);
  Report(state);
}
BENCHMARK(BM_Text_AntiAliased)->Unit(benchmark::kMicrosecond);

// Each glyph rendered by FreeType for the frame and blended from its bitmap.
void FreeTypeFrame(const std::vector<std::string>& lines, platform::FontHandle font, int format,
                   std::vector<uint32_t>& frame, std::vector<uint8_t>& rows, int ascent) {
  for (int i = 0; i < kLines; ++i) {
    const std::string& text = lines[static_cast<size_t>(i)];
    int pen = 20;
    const int baseY = 20 + i * 24;
    for (size_t at = 0; at < text.size();) {
      const auto lead = static_cast<unsigned char>(text[at]);
      const bool two = platform::IsCp932Lead(lead) && at + 1 < text.size();
      const unsigned code = two ? lead << 8 | static_cast<unsigned char>(text[at + 1]) : lead;
      at += two ? 2 : 1;
      platform::GlyphMetrics gm;
      const int size = platform::GetGlyphOutline(font, code, format, &gm, rows.data(), static_cast<int>(rows.size()));
      const int pitch = platform::GlyphRowPitch(format, gm.blackBoxX);
      for (int r = 0; size > 0 && r < gm.blackBoxY; ++r) {
        uint32_t* dst = frame.data() + (baseY + ascent - gm.originY + r) * 640 + pen + gm.originX;
        const uint8_t* src = rows.data() + r * pitch;
        for (int k = 0; k < gm.blackBoxX; ++k) {
          if (format == platform::kGlyphBitmap) {
            if ((src[k >> 3] >> (7 - (k & 7))) & 1) dst[k] = 0xFFFFFF;
          } else if (src[k] != 0) {
            const uint32_t a = src[k] * 16u, d = dst[k];
            const uint32_t rb = ((0xFF00FFu * a + (d & 0xFF00FF) * (256 - a)) >> 8) & 0xFF00FF;
            const uint32_t g = ((0x00FF00u * a + (d & 0x00FF00) * (256 - a)) >> 8) & 0x00FF00;
            dst[k] = rb | g;
          }
        }
      }
      pen += gm.cellIncX;
    }
  }
}

void FreeTypeBench(benchmark::State& state, int format) {
  const Library& lib = TheLibrary();
  const platform::FontHandle font =
      platform::CreateFontCp932(platform::Utf8ToCp932("ＭＳ ゴシック"), 16, 600, false, 128);
  platform::FontTextMetrics tm;
  platform::GetFontTextMetrics(font, &tm);
  std::vector<uint32_t> frame(640 * 480);
  std::vector<uint8_t> rows(64 * 64);
  for (auto _ : state) {
    FreeTypeFrame(lib.lines, font, format, frame, rows, tm.ascent);
    benchmark::ClobberMemory();
  }
  platform::DeleteFont(font);
  Report(state);
}

void BM_Text_FreeTypePlain(benchmark::State& state) { FreeTypeBench(state, platform::kGlyphBitmap); }
BENCHMARK(BM_Text_FreeTypePlain)->Unit(benchmark::kMicrosecond);
void BM_Text_FreeTypeAntiAliased(benchmark::State& state) { FreeTypeBench(state, platform::kGlyphGray4); }
BENCHMARK(BM_Text_FreeTypeAntiAliased)->Unit(benchmark::kMicrosecond);

}  // namespace
