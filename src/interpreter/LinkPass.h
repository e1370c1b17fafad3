#pragma once

#include "gamedata/EventCommand.h"

class EventRunner;

// Prepares the commands of all common events for fast execution: branch and
// case-line targets, label jump plans, variable operations bound to their
// cells, database names turned into numbers and database transfers bound to
// their variables. Run after the common events were loaded and the variable
// store and databases were built (restart, reload of a save); every link
// gives the same results as the command's general form.
void LinkCommonEventCommands();

// Drops the links of one command list and links it again for common event
// `commonEventNumber` (the pass above does this for every common event).
void LinkCommandList(EventCommandList& list, int commonEventNumber);

// Code a simple variable operation of a common event gets once its three
// cells are bound: target, left and right (ResolvedCells 0-2), with the
// assignment and arithmetic operators in ResolvedInts 1 and 2. Its own code
// (not the shorter forms that wrap) keeps the clamps of the general form.
inline constexpr int kLinkedVariableOperationCode = 219121;

// Runs a command of that code: the general form's arithmetic on the bound
// cells. A command that lost its cells (a copy read back from elsewhere) runs
// the general form.
void RunLinkedVariableOperation(EventRunner& runner, const EventCommand& command);
