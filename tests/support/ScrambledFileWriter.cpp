#include "support/ScrambledFileWriter.h"

#include <fstream>
#include <stdexcept>

namespace {

// The game's scramble generator: a linear congruential generator whose draws
// are bits 16-30 of the state; the byte mask is the draw shifted right by 12.
class MaskStream {
 public:
  explicit MaskStream(uint8_t seed) : state_(seed) {}
  uint8_t Next() {
    state_ = state_ * 214013u + 2531011u;
    uint32_t draw = (state_ >> 16) & 0x7FFFu;
    return static_cast<uint8_t>(draw >> 12);
  }

 private:
  uint32_t state_;
};

}  // namespace

size_t DataFileHeaderLength(DataFileKind kind) {
  return kind == DataFileKind::Map || kind == DataFileKind::Save ? 20 : 10;
}

std::array<size_t, 3> DataFileSeedOffsets(DataFileKind kind) {
  if (kind == DataFileKind::GameDat) return {0, 8, 6};
  return {0, 3, 9};
}

std::array<size_t, 3> DataFileCheckOffsets(DataFileKind kind) {
  if (kind == DataFileKind::GameDat) return {2, 3, 4};
  return {2, 6, 8};
}

void ScrambleBytes(uint8_t* bytes, size_t count, const std::array<uint8_t, 3>& seeds) {
  if (seeds[0] == 0 && seeds[1] == 0 && seeds[2] == 0) return;
  const size_t strides[3] = {1, 2, 5};
  for (size_t pass = 0; pass < 3; ++pass) {
    MaskStream stream(seeds[pass]);
    for (size_t i = 0; i < count; i += strides[pass]) bytes[i] ^= stream.Next();
  }
}

std::vector<uint8_t> WriteScrambledFile(DataFileKind kind, const std::vector<uint8_t>& plainBody,
                                        const ScrambleOptions& options) {
  const size_t headerLength = DataFileHeaderLength(kind);
  std::vector<uint8_t> file(headerLength);
  for (size_t i = 0; i < headerLength; ++i) file[i] = static_cast<uint8_t>(0x40 + i);

  std::array<uint8_t, 3> seeds = options.zeroSeeds ? std::array<uint8_t, 3>{0, 0, 0} : options.seeds;
  size_t covered = options.checkedLength.value_or(plainBody.size());
  if (covered > plainBody.size()) throw std::out_of_range("WriteScrambledFile: checkedLength");
  uint8_t sum = 0;
  for (size_t i = 0; i < covered; ++i) sum = static_cast<uint8_t>(sum + plainBody[i]);
  if (options.wrongCheck) sum = static_cast<uint8_t>(sum + 1);

  auto seedAt = DataFileSeedOffsets(kind);
  auto checkAt = DataFileCheckOffsets(kind);
  for (size_t k = 0; k < 3; ++k) file[seedAt[k]] = seeds[k];
  file[checkAt[0]] = sum;
  file[checkAt[1]] = static_cast<uint8_t>(sum ^ 0x55);
  file[checkAt[2]] = static_cast<uint8_t>(sum ^ 0xAA);

  file.insert(file.end(), plainBody.begin(), plainBody.end());
  ScrambleBytes(file.data() + headerLength, plainBody.size(), seeds);
  return file;
}

void WriteFileBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) throw std::runtime_error("cannot write " + path.string());
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}
