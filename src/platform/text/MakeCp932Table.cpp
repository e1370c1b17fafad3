// Writes the table that turns the sources' UTF-8 text literals into CP932 at
// compile time: every code of iconv's CP932, decoded to its Unicode character,
// with the code iconv gives that character back. Characters that several
// codes decode to (the duplicated NEC and IBM rows) keep iconv's own choice;
// a character that no code decodes to (〜 beside ～, say) is left out, so a
// literal can hold only one spelling of each.
//
// make_cp932_table OUTPUT
#include <iconv.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <optional>
#include <string>

namespace {

class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  std::optional<std::string> Convert(const std::string& in) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    std::string input = in;
    char out[16];
    char* src = input.data();
    size_t srcLeft = input.size();
    char* dst = out;
    size_t dstLeft = sizeof out;
    if (iconv(cd_, &src, &srcLeft, &dst, &dstLeft) == static_cast<size_t>(-1) || srcLeft != 0) return std::nullopt;
    return std::string(out, dst);
  }

 private:
  iconv_t cd_;
};

std::optional<char32_t> SingleCharacter(const std::string& utf32le) {
  if (utf32le.size() != 4) return std::nullopt;
  const auto* b = reinterpret_cast<const unsigned char*>(utf32le.data());
  return static_cast<char32_t>(b[0] | b[1] << 8 | b[2] << 16 | static_cast<std::uint32_t>(b[3]) << 24);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    (void)std::fprintf(stderr, "usage: make_cp932_table OUTPUT\n");
    return 2;
  }
  Converter decode("UTF-32LE", "CP932");
  Converter encode("CP932", "UTF-32LE");
  if (!decode.ok() || !encode.ok()) {
    (void)std::fprintf(stderr, "make_cp932_table: iconv has no CP932\n");
    return 1;
  }

  std::map<char32_t, unsigned> table;
  auto take = [&](const std::string& code) {
    auto decoded = decode.Convert(code);
    if (!decoded) return;
    auto character = SingleCharacter(*decoded);
    if (!character || table.count(*character)) return;
    auto back = encode.Convert(*decoded);
    if (!back || back->empty() || back->size() > 2) return;
    unsigned value = 0;
    for (unsigned char byte : *back) value = value << 8 | byte;
    table.emplace(*character, value);
  };
  for (int b = 0x01; b <= 0xFF; ++b) take(std::string(1, static_cast<char>(b)));
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (lead >= 0xA0 && lead <= 0xDF) continue;
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      if (trail == 0x7F) continue;
      take(std::string{static_cast<char>(lead), static_cast<char>(trail)});
    }
  }
  if (table.size() < 7000) {
    (void)std::fprintf(stderr, "make_cp932_table: only %zu characters: iconv's CP932 looks incomplete\n", table.size());
    return 1;
  }

  std::string text = "// Made by make_cp932_table from iconv's CP932 at build time; do not edit.\n"
                     "#pragma once\n\n"
                     "namespace cp932 {\n\n"
                     "struct TableEntry {\n  char32_t character;\n  unsigned short code;\n};\n\n"
                     "// Sorted by character.\n"
                     "inline constexpr TableEntry kTable[] = {\n";
  char line[48];
  for (const auto& [character, code] : table) {
    (void)std::snprintf(line, sizeof line, "    {0x%04X, 0x%04X},\n", static_cast<unsigned>(character), code);
    text += line;
  }
  text += "};\n\n}  // namespace cp932\n";

  // Rewritten only when it changes, so a rebuild does not recompile every user.
  std::string old;
  if (FILE* in = std::fopen(argv[1], "rb")) {
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0) old.append(buffer, n);
    (void)std::fclose(in);
  }
  if (old == text) return 0;
  FILE* out = std::fopen(argv[1], "wb");
  if (!out || std::fwrite(text.data(), 1, text.size(), out) != text.size() || std::fclose(out) != 0) {
    (void)std::fprintf(stderr, "make_cp932_table: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
