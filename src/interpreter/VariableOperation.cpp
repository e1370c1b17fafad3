#include <string>

#include "interpreter/EventRunner.h"
#include "interpreter/InterpreterServices.h"
#include "interpreter/LinkPass.h"
#include "interpreter/StringOperation.h"
#include "interpreter/VariableArithmetic.h"
#include "interpreter/VariableOperationLane.h"
#include "platform/text/Cp932Literal.h"

namespace {

constexpr int kDatabaseFormTarget = 1100000000;

enum : int {
  kFlagClampMillion = 0x1,
  kFlagReal = 0x2,
  kFlagLeftPlain = 0x4,
  kFlagRightPlain = 0x8,
  kFlagIndirectTarget = 0x10,
  kFlagIndirectLeft = 0x20,
  kFlagIndirectRight = 0x40,
  kFlagRun = 0x10000,
};

uint32_t DrawRandom() { return DrawSharedRandom(); }

// Pre-resolved path: the three cells the link pass bound, read in the
// general form's order. A linked operation wraps on overflow; one that keeps
// the general form's arithmetic (real mode, ResolvedInts 3, or operands
// flagged plain) computes with its clamps. False for a command without them.
bool RunResolvedOperation(const EventCommandExtra& extra, int flags) {
  if (extra.resolvedInts.size() < 3 || extra.resolvedCells.size() < 3) return false;
  const int32_t* resolved = extra.resolvedInts.data();
  const ResolvedCell* cells = extra.resolvedCells.data();
  if ((resolved[0] != 1 && resolved[0] != 2) || !cells[0].cell || !cells[1].cell || !cells[2].cell) return false;
  const int current = *cells[0].cell;
  int stored = 0;
  bool stores;
  if (extra.resolvedInts.size() >= 4 && resolved[3] == 1) {
    stores = RealAssignmentStage(resolved[1], current, RealOperatorStage(resolved[2], *cells[1].cell, *cells[2].cell),
                                 &stored);
  } else if (LinkedOperationWraps(flags)) {
    const int value = WrappingOperatorStage(resolved[2], *cells[1].cell, *cells[2].cell, &DrawRandom);
    stores = WrappingAssignmentStage(resolved[1], current, value, &stored);
  } else {
    const int value = IntegerOperatorStage(resolved[2], *cells[1].cell, *cells[2].cell, &DrawRandom);
    stores = IntegerAssignmentStage(resolved[1], current, value, &stored);
  }
  if (stores) *cells[0].cell = stored;
  return true;
}

}  // namespace

bool EventRunner::CmdVariableOperation() {
  const EventCommand& command = CurrentCommand();
  auto Param = [&command](int k) { return ParamOf(command, k); };
  const int flags = Param(4);
  const int asg = (flags >> 8) & 0x0F;
  const int op = (flags >> 12) & 0x0F;

  // The run loop has already asked for the page refresh.
  if (const EventCommandExtra* extra = command.extra.get(); extra && RunResolvedOperation(*extra, flags)) return true;

  if (RunPlainVariableOperation(command, commonId)) return true;

  const bool databaseForm = Param(1) == kDatabaseFormTarget;
  auto databaseCellId = [this, &Param] {
    const int64_t type = RunnerReadValue(Param(5));
    const int64_t data = RunnerReadValue(Param(6));
    const int64_t content = RunnerReadValue(Param(7));
    return SaturateToInt(int64_t{kDatabaseFormTarget} + type * 1000000 + data * 100 + content);
  };
  auto readOperand = [this](int id) {
    return IsNumericId(id) ? RunnerReadValue(id) : DecimalFromText(RunnerReadString(id));
  };

  int64_t runLength = 0;
  if (flags & kFlagRun) runLength = Param(5) > 0 ? Param(5) : 0;

  for (int64_t i = 0; i <= runLength; ++i) {
    const int targetId = databaseForm ? databaseCellId() : SaturateToInt(int64_t{Param(1)} + i);
    const int s = (flags & kFlagIndirectTarget) ? RunnerReadValue(targetId) : targetId;

    if (!IsNumericId(s)) {
      // String target: only text can be stored there.
      std::string result = asg == 1 ? RunnerReadString(s) : std::string();
      int l = Param(2);
      int r = Param(3);
      if (flags & kFlagIndirectLeft) l = RunnerReadValue(l);
      if (flags & kFlagIndirectRight) r = RunnerReadValue(r);
      if (l != 0 && (IsNumericId(l) || (flags & kFlagLeftPlain))) {
        ShowNoticeBox(Cp932<"エラー：[変数操作] 格納先の内容が文字列なのに">, Cp932<"　　数値を格納しようとしました">,
                      CurrentErrorLocationText());
        return true;
      }
      std::string text;
      if (op == 0 && r != 0) {
        std::string source = RunnerReadString(r);
        if (source != "<<ERROR>>") text = std::move(source);
      }
      text = ExpandEscapesForRunner(text, mapEventId, commonId, mapId);
      RunnerWriteString(s, result + text);
      continue;
    }

    int current = RunnerReadValue(databaseForm ? databaseCellId() : targetId);
    int left = (flags & kFlagLeftPlain) ? Param(2) : readOperand(Param(2));
    int right = (flags & kFlagRightPlain) ? Param(3) : readOperand(Param(3));
    if (flags & kFlagIndirectLeft) left = readOperand(left < 1000000 ? left + 2000000 : left);
    if (flags & kFlagIndirectRight) right = readOperand(right < 1000000 ? right + 2000000 : right);
    int storeId = s;
    if (flags & kFlagIndirectTarget) {
      storeId = current < 1000000 ? current + 2000000 : current;
      current = RunnerReadValue(storeId);
    }
    RequestPageRefresh();

    int stored = 0;
    bool stores;
    if (flags & kFlagReal) {
      stores = RealAssignmentStage(asg, current, RealOperatorStage(op, left, right), &stored);
    } else {
      stores = IntegerAssignmentStage(asg, current, IntegerOperatorStage(op, left, right, &DrawRandom), &stored);
    }
    if (!stores) continue;
    RunnerWriteVariable(storeId, ClampToMillion(flags & kFlagClampMillion, stored));
  }
  return true;
}
