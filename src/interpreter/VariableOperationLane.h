#pragma once

#include "gamedata/EventCommand.h"
#include "interpreter/EventRunner.h"
#include "interpreter/InterpreterServices.h"
#include "interpreter/VariableArithmetic.h"

// The plain lane of the variable operation (command 121): one target cell
// (PlainOperationCell: the variable sets, common-event self numbers),
// literal or cell operands, no run and no indirection. The general form's
// reads, stages and store, done on the cells in place; false (nothing done)
// for any other operation, which the general form runs. Shared by the
// command's handler and the dispatch loop, which runs it without leaving the
// loop; `commonId` is the running common event's number.
inline bool RunPlainVariableOperation(const EventCommand& command, int commonId) {
  constexpr int kFlagClampMillion = 0x1, kFlagReal = 0x2, kFlagLeftPlain = 0x4, kFlagRightPlain = 0x8;
  constexpr int kNotPlain = 0x10000 | 0x10 | 0x20 | 0x40;  // run, indirect target, left, right
  // A shorter command leaves the rest to the general form, which reads its
  // missing parameters as 0.
  if (command.ints.size() < 5) return false;
  const int32_t* ints = command.ints.data();
  auto param = [ints](int k) { return ints[k]; };
  const int flags = param(4);
  if ((flags & kNotPlain) != 0) return false;
  int32_t* target = PlainOperationCell(param(1), commonId);
  if (!target) return false;
  // A literal (flagged plain, or an id below the variables, which reads as
  // itself) or a cell.
  auto operand = [commonId](bool plain, int id, int* value) {
    if (plain || id < 1000000) {
      *value = id;
      return true;
    }
    const int32_t* cell = PlainOperationCell(id, commonId);
    if (!cell) return false;
    *value = *cell;
    return true;
  };
  int left = 0;
  int right = 0;
  if (!operand(flags & kFlagLeftPlain, param(2), &left) || !operand(flags & kFlagRightPlain, param(3), &right))
    return false;
  const int asg = (flags >> 8) & 0x0F;
  const int op = (flags >> 12) & 0x0F;
  gVariableStore.ContextMapId = -1;  // used up by the store's reads
  RequestPageRefresh();
  int stored = 0;
  const bool stores =
      (flags & kFlagReal)
          ? RealAssignmentStage(asg, *target, RealOperatorStage(op, left, right), &stored)
          : IntegerAssignmentStage(asg, *target, IntegerOperatorStage(op, left, right, &DrawSharedRandom), &stored);
  if (stores) *target = ClampToMillion(flags & kFlagClampMillion, stored);
  return true;
}
