#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

// Writes the scrambled data files of a game: header with seed and check bytes
// at the places of the file kind, then the body scrambled with the game's
// generator. This is an independent writer for tests; it shares no code with
// the runtime's reader.
enum class DataFileKind { GameDat, Database, CommonEvent, Tileset, Map, Save };

struct ScrambleOptions {
  // Seeds of passes 1, 2 and 3.
  std::array<uint8_t, 3> seeds{0x5A, 0x17, 0xC3};
  // Store the body plain: all three seeds 0 (the check bytes still hold the sum).
  bool zeroSeeds = false;
  // Store a first check byte that does not match the body (sum + 1).
  bool wrongCheck = false;
  // How many body bytes the sum covers (the reader's parse end); all when unset.
  std::optional<size_t> checkedLength;
};

// Header length (= body start) of the file kind: 10, or 20 for maps and saves.
size_t DataFileHeaderLength(DataFileKind kind);
// Offsets of the seed bytes (passes 1, 2, 3) and of the three check bytes.
std::array<size_t, 3> DataFileSeedOffsets(DataFileKind kind);
std::array<size_t, 3> DataFileCheckOffsets(DataFileKind kind);

// The whole file image: header, then `plainBody` scrambled. Header bytes that
// hold no seed or check are 0x40 + their offset, so tests can point at them.
std::vector<uint8_t> WriteScrambledFile(DataFileKind kind, const std::vector<uint8_t>& plainBody,
                                        const ScrambleOptions& options = {});

// Scrambles (or, applied again, unscrambles) bytes in place, as the game does.
void ScrambleBytes(uint8_t* bytes, size_t count, const std::array<uint8_t, 3>& seeds);

// Writes bytes to a file, creating its folders.
void WriteFileBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);
