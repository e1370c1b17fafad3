#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "support/ByteBuilder.h"
#include "support/ScrambledFileWriter.h"

// Writers of Game.dat and of the database files, from their format
// descriptions. Texts are CP932 bytes as the game stores them.

// ---------------------------------------------------------------- Game.dat
struct GameDatSpec {
  std::vector<int8_t> settings{32, 8, 8, 1, 2, 1, 0, 3, 0, 0, 0, 6, 6, 0, 0, 4, 4, 0};
  std::vector<std::string> texts{"Title", "", "", "", "", "", "", ""};
  std::vector<int16_t> values{0};
  // Scattered through the file and found again through the two position tables.
  std::string archiveKey;
  uint8_t checkByte = 0xC2;
  // Raw table entries (A, B) in place of those made for archiveKey.
  std::optional<std::vector<std::pair<uint16_t, uint16_t>>> keyTables;
  // Raw field values in place of the right ones (damaged files).
  std::optional<int32_t> checkOffset;
  std::optional<int32_t> keyLength;
  std::optional<int32_t> tableA;
  std::optional<int32_t> tableB;
  ScrambleOptions scramble;
};

// The whole file image (header and scrambled body).
std::vector<uint8_t> WriteGameDat(const GameDatSpec& spec);

// ------------------------------------------------------- database files
// One type of a .dat file (and of the Variable database's save block).
struct DatTypeRecord {
  // The leading number: -2 and below are followed by dataNameSource, -1 by
  // nothing; 0 or more writes the plain form (content count first).
  int32_t form = -2;
  int32_t dataNameSource = 0;
  std::vector<int32_t> codes{1000};
  // Per row: its ints and then its strings, written as given.
  std::vector<std::vector<int32_t>> rowInts{{0}};
  std::vector<std::vector<std::string>> rowStrings{{}};
};

// One definition of a .project file.
struct ProjectTypeRecord {
  std::string typeName;
  std::vector<std::string> contentNames{""};
  std::vector<std::string> dataNames{""};
  std::string memo;
  // Format 193 only. Each list is written with one entry per content name,
  // missing entries filled with empty values, unless optionsAsGiven is set.
  std::vector<uint8_t> optionBytes;
  std::vector<std::string> optionTexts;
  std::vector<std::vector<std::string>> optionTextLists;
  std::vector<std::vector<int32_t>> optionValueLists;
  std::vector<int32_t> defaults;
  bool optionsAsGiven = false;
};

void AppendDatTypeRecord(ByteBuilder& out, const DatTypeRecord& type);
void AppendProjectTypeRecord(ByteBuilder& out, const ProjectTypeRecord& definition, int format);

struct DatabaseFileSpec {
  std::vector<DatTypeRecord> types;
  std::vector<ProjectTypeRecord> definitions;
  uint8_t formatByte = 193;
  std::optional<uint8_t> endByte;  // default: the format byte
  ScrambleOptions scramble;
};

std::vector<uint8_t> WriteDatabaseDat(const DatabaseFileSpec& spec);
std::vector<uint8_t> WriteDatabaseProject(const DatabaseFileSpec& spec);

// Writes <gameFolder>/Data/<name>.dat and .project, name as the game gives it
// ("BasicData\\DataBase" is written to Data/BasicData/DataBase.dat).
void WriteDatabaseFiles(const std::filesystem::path& gameFolder, const std::string& name, const DatabaseFileSpec& spec);
