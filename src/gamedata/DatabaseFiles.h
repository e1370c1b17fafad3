#pragma once

#include <algorithm>
#include <cstddef>

#include "gamedata/Database.h"

class DataFileCursor;

// The records of the database files, also the encoding of the Variable
// database in save files. Each returns false when the record does not fit in
// what remains of the data (the cursor is then marked damaged).

// Rows of a type without int or string contents take no bytes, so the data
// cannot bound their count. All such rows of one file share one allowance:
// as many as the file has bytes, and at least kMinEmptyRowAllowance, far
// above what a game holds.
inline constexpr size_t kMinEmptyRowAllowance = 65536;
inline size_t EmptyRowAllowance(size_t fileBytes) { return std::max(fileBytes, kMinEmptyRowAllowance); }

// A type record of a .dat file: form, content codes, rows. A type without int
// or string contents takes its rows from emptyRowAllowance (start it at
// EmptyRowAllowance of the file's size); more than is left there is damage.
bool ReadDatabaseTypeRecord(DataFileCursor& cursor, DatabaseTypeData& type, size_t& emptyRowAllowance);
// A definition record of a .project file; format 192 records end after the memo.
bool ReadDatabaseDefinitionRecord(DataFileCursor& cursor, DatabaseTypeDefinition& definition, int format);

enum class DatabaseDatResult {
  Ok,
  WrongFormat,  // the format byte is not 192 or 193: nothing read
  WrongEnd,     // the end byte is not 192 or 193
  Damaged,      // the file ends inside a record or holds impossible counts
};

// Parses an unscrambled .dat image (the cursor at the body) into the types of
// the database and notes its format. The byte sum is the caller's to verify.
DatabaseDatResult ReadDatabaseDat(DataFileCursor& cursor, Database& database);
// Parses a .project image into the definitions, in the database's format.
bool ReadDatabaseProject(DataFileCursor& cursor, Database& database);
