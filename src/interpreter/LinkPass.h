#pragma once

#include "gamedata/EventCommand.h"

class EventRunner;

// Prepares the commands of all common events for fast execution: branch and
// case-line targets, label jump plans, variable operations bound to their
// cells, database names turned into numbers and database transfers bound to
// their variables. Run after the common events were loaded and the variable
// store and databases were built (restart, reload of a save); every link
// gives the results of the command's general form, but for the variable
// operations' wrap (below). Once every list is linked, each list with
// inline operations gets its pool of their cells.
void LinkCommonEventCommands();

// Drops the links of one command list and links it again for common event
// `commonEventNumber` (the pass above does this for every common event).
// The pools of other lists are not used again until the next full pass.
void LinkCommandList(EventCommandList& list, int commonEventNumber);

// A variable operation of a common event whose three cells are bound
// (target, left, right in ResolvedCells 0-2; assignment and arithmetic
// operators in ResolvedInts 1 and 2) and whose operators are one of =, +=,
// -=, *= over +, -, x gets the code kFastFormBase + 10 x assignment +
// operator; the dispatch runs it inline. The other bound operations keep
// code 121 and run from their cells.
inline constexpr int kFastFormBase = 210000;
inline constexpr bool IsFastFormCode(int code) {
  return code >= kFastFormBase && code <= kFastFormBase + 32 && (code - kFastFormBase) % 10 <= 2;
}

// A linked operation computes in 32-bit arithmetic that wraps on overflow,
// where its general form clamps to two billion. Operations in real mode or
// with operands flagged plain are bound too, only so that they run from their
// cells: they keep their general form's arithmetic, clamps included.
inline constexpr int kClampedLinkFlags = 0x2 | 0x4 | 0x8;
inline constexpr bool LinkedOperationWraps(int flags) { return (flags & kClampedLinkFlags) == 0; }
