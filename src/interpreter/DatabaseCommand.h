#pragma once

#include "gamedata/EventCommand.h"

class Database;

// The database a selector names: 0 Variable, 1 System, 2 User; null for
// any other value.
Database* DatabaseBySelector(int selector);

// Link step of the database command of common event `commonEvent`: type,
// data and content names that the selected database knows become numbers
// for good, and an int-cell transfer between a variable and a cell is bound
// to its variables. Commands whose general form would read the names
// differently (special operands, fewer than four texts) keep their names.
void LinkDatabaseCommand(EventCommand& command, int commonEvent);
