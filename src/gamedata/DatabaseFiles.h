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
