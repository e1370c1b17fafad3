#pragma once

#include "gamedata/Database.h"

class DataFileCursor;

// The records of the database files, also the encoding of the Variable
// database in save files. Each returns false when the record does not fit in
// what remains of the data (the cursor is then marked damaged).

// A type record of a .dat file: form, content codes, rows.
bool ReadDatabaseTypeRecord(DataFileCursor& cursor, DatabaseTypeData& type);
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
