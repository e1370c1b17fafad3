#include "interpreter/LinkPass.h"

#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "gamedata/CommonEvent.h"
#include "gamedata/Database.h"
#include "gamedata/VariableStore.h"
#include "interpreter/DatabaseCommand.h"
#include "interpreter/EventRunner.h"
#include "interpreter/InterpreterServices.h"
#include "interpreter/LabelScan.h"
#include "interpreter/VariableArithmetic.h"

// Bound cells point into the int buffers of variable sets, common self cells
// and database rows. Those lists only grow while a game runs (a Variable
// database type grows on access, a .common load adds common self cells);
// growing the outer list moves each inner vector, whose buffer stays where it
// is. Replacing a whole store or database (restart, load) is followed by a
// new pass. These guarantees keep every bound cell valid in between.
static_assert(std::is_nothrow_move_constructible_v<DatabaseRow>);
static_assert(std::is_nothrow_move_constructible_v<std::vector<int32_t>>);
static_assert(std::is_nothrow_move_constructible_v<CommonEvent>);

namespace {

constexpr int kUserDatabaseForm = 1000000000;
constexpr int kVariableDatabaseForm = 1100000000;
constexpr int kVariableDatabaseEnd = 1200000000;
constexpr int kLiteralLimit = 1000000;

int ParamOf(const EventCommand& command, size_t k) { return k < command.ints.size() ? command.ints[k] : 0; }

// A reference to the command's own int parameter k, or null when it has none.
int32_t* OwnParam(EventCommand& command, size_t k) { return k < command.ints.size() ? &command.ints[k] : nullptr; }

int32_t* Cell(int id, int commonEvent) { return gVariableStore.ResolveVariableCell(id, commonEvent); }

// A literal operand refers to the parameter itself, anything else to its cell.
int32_t* OperandCell(EventCommand& command, size_t k, int commonEvent) {
  const int operand = ParamOf(command, k);
  return operand < kLiteralLimit ? OwnParam(command, k) : Cell(operand, commonEvent);
}

void Unlink(EventCommand& command) {
  command.ResolvedInts.clear();
  command.ResolvedCells.clear();
}

// Numeric branch. Linked only when its block is exactly n case lines 401
// numbered 1..n, at most one 420 line numbered 0 (taken when no condition
// holds), and the 499 line: then the jumps straight into a case body reach
// what the general form reaches through its case lines.
void LinkBranch(EventCommandList& list, size_t j, int commonEvent) {
  EventCommand& command = list[j];
  Unlink(command);
  const int n = ParamOf(command, 1) & 0x0F;
  if (n < 1 || n > 3) return;

  std::vector<ResolvedCell> cells(2 * static_cast<size_t>(n));
  std::vector<int32_t> ints(9, 0);
  ints[1] = n;
  for (int k = 0; k < n; ++k) {
    const size_t base = 3 * static_cast<size_t>(k);
    const int left = ParamOf(command, base + 2);
    const int right = ParamOf(command, base + 3);
    const int flags = ParamOf(command, base + 4);
    if (left >= kVariableDatabaseForm) return;
    int32_t* leftCell = Cell(left, commonEvent);
    int32_t* rightCell =
        (flags & 0x10) || right < kLiteralLimit ? OwnParam(command, base + 3) : Cell(right, commonEvent);
    if (!leftCell || !rightCell) return;
    cells[2 * static_cast<size_t>(k)].cell = leftCell;
    cells[2 * static_cast<size_t>(k) + 1].cell = rightCell;
    ints[static_cast<size_t>(k) + 2] = flags & 0x0F;
  }

  const uint8_t indent = command.indent;
  std::vector<size_t> caseLines;
  size_t otherLine = 0;
  bool hasOther = false;
  size_t endLine = 0;
  bool closed = false;
  for (size_t i = j + 1; i < list.size(); ++i) {
    const EventCommand& c = list[i];
    if (c.indent > indent) continue;
    if (c.indent < indent) return;  // the block never closes at its indent
    const int code = c.Code();
    if (code == 499) {
      endLine = i;
      closed = true;
      break;
    }
    if (code == 401 && !hasOther && caseLines.size() < static_cast<size_t>(n) &&
        ParamOf(c, 1) == static_cast<int>(caseLines.size()) + 1) {
      caseLines.push_back(i);
      continue;
    }
    if (code == 420 && !hasOther && ParamOf(c, 1) == 0) {
      hasOther = true;
      otherLine = i;
      continue;
    }
    return;  // any other line at the branch's indent: keep the general form
  }
  if (!closed || caseLines.size() != static_cast<size_t>(n)) return;

  for (size_t k = 0; k < caseLines.size(); ++k) ints[5 + k] = static_cast<int32_t>(caseLines[k]);
  ints[8] = static_cast<int32_t>(hasOther ? otherLine : endLine);
  ints[0] = 1;
  command.ResolvedInts = std::move(ints);
  command.ResolvedCells = std::move(cells);
  for (size_t line : caseLines) list[line].ResolvedInts = {2, static_cast<int32_t>(endLine)};
  if (hasOther) list[otherLine].ResolvedInts = {2, static_cast<int32_t>(endLine)};
}

// A case line outside a linked branch: where its block ends.
void LinkCaseLine(EventCommandList& list, size_t j) {
  EventCommand& command = list[j];
  if (!command.ResolvedInts.empty()) return;  // filled by its branch
  for (size_t i = j + 1; i < list.size(); ++i) {
    if (list[i].indent == command.indent) {
      command.ResolvedInts = {1, static_cast<int32_t>(i)};
      return;
    }
  }
}

// Loop end: the line its repeat goes back to, the nearest line above at its
// indent (-1: none), as the run-time search would find it.
void LinkLoopEnd(EventCommandList& list, size_t j) {
  EventCommand& command = list[j];
  int32_t start = -1;
  for (size_t i = j; i-- > 0;) {
    if (list[i].indent == command.indent) {
      start = static_cast<int32_t>(i);
      break;
    }
  }
  command.ResolvedInts = {1, start};
}

// A target the general form writes to: a database cell only when it is in
// the Variable database (the others refuse the write, and a bound cell
// would not).
bool WritableTarget(int id) {
  return id < kUserDatabaseForm || (id > kVariableDatabaseForm && id < kVariableDatabaseEnd);
}

// An operand flagged plain is its parameter whatever its value; any other is
// linked only when it is a number the general form reads from a cell or as
// a literal.
bool LinkableOperand(int operand, bool plain) { return plain || (IsNumericId(operand) && operand < 1000000000); }

void LinkVariableOperation(EventCommand& command, int commonEvent) {
  Unlink(command);
  constexpr int kReal = 0x2, kLeftPlain = 0x4, kRightPlain = 0x8;
  const int p1 = ParamOf(command, 1);
  const int p2 = ParamOf(command, 2);
  const int p3 = ParamOf(command, 3);
  const int p4 = ParamOf(command, 4);
  // The million clamp, indirections and runs keep the general form.
  if (!WritableTarget(p1) || (p4 & 0xFF & ~(kReal | kLeftPlain | kRightPlain)) != 0 || (p4 & 0x10000) != 0) return;
  const bool real = (p4 & kReal) != 0;
  const bool leftPlain = (p4 & kLeftPlain) != 0;
  const bool rightPlain = (p4 & kRightPlain) != 0;
  if (!LinkableOperand(p2, leftPlain) || !LinkableOperand(p3, rightPlain)) return;
  int32_t* target = Cell(p1, commonEvent);
  int32_t* left = leftPlain ? OwnParam(command, 2) : OperandCell(command, 2, commonEvent);
  int32_t* right = rightPlain ? OwnParam(command, 3) : OperandCell(command, 3, commonEvent);
  if (!target || !left || !right) return;
  const int asg = (p4 >> 8) & 0x0F;
  const int op = (p4 >> 12) & 0x0F;
  command.ResolvedInts = {(op == 0 || op == 1) && p3 == 0 ? 2 : 1, asg, op, real ? 1 : 0, 0, 0, 0, 0};
  command.ResolvedCells = {{target, nullptr}, {left, nullptr}, {right, nullptr}};
  if (!real && asg < 4 && op < 3) command.SetCode(kFastFormBase + 10 * asg + op);
}

// A name is compared as stored only when escape expansion leaves it alone:
// no escape and no leading "@" line.
bool PlainName(const std::string& name) {
  return name.find('\\') == std::string::npos && (name.empty() || name[0] != '@');
}

const std::string& NameOf(const EventCommand& command) {
  static const std::string empty;
  return command.strings.empty() ? empty : command.strings[0];
}

// Label jump: the loop plan of the runtime search, made once.
void LinkJump(EventCommandList& list, size_t j, bool labelsPlain) {
  EventCommand& command = list[j];
  Unlink(command);
  const std::string& name = NameOf(command);
  if (!labelsPlain || !PlainName(name)) return;

  const LabelJumpPlan jump =
      PlanLabelJump(list, static_cast<int>(j), [&name](const EventCommand& c) { return NameOf(c) == name; });
  if (jump.target < 0) return;
  std::vector<int32_t> ints{1, jump.target, 0};
  for (int entry : jump.plan) {
    ++ints[2];
    if (entry == -1) {
      ints.push_back(-1);
      ints.push_back(-1);
    } else {
      ints.push_back(entry / 10);
      ints.push_back(entry % 10 == 1 ? 1 : 0);  // 1: the loop entered is endless
    }
  }
  command.ResolvedInts = std::move(ints);
}

void LinkCommandListImpl(EventCommandList& list, int commonEvent) {
  // Earlier links go first: a second pass starts from the general forms.
  for (EventCommand& command : list) {
    if (IsFastFormCode(command.Code())) command.SetCode(121);
    Unlink(command);
    if (command.extra) command.extra->listPool.reset();
  }
  bool labelsPlain = true;
  for (const EventCommand& command : list) {
    if (command.Code() == 212 && !PlainName(NameOf(command))) labelsPlain = false;
  }
  for (size_t j = 0; j < list.size(); ++j) {
    switch (list[j].Code()) {
      case 111: LinkBranch(list, j, commonEvent); break;
      case 401:
      case 420: LinkCaseLine(list, j); break;
      case 121: LinkVariableOperation(list[j], commonEvent); break;
      case 213: LinkJump(list, j, labelsPlain); break;
      case 498: LinkLoopEnd(list, j); break;
      case 250: LinkDatabaseCommand(list[j], commonEvent); break;
      default: break;
    }
  }
}

// The list's pool of inline-operation cells, copied from the commands'
// cells once every list is linked (a later link would make it stale). A list
// without inline operations gets none.
void MakeListPool(EventCommandList& list) {
  if (list.empty()) return;
  std::vector<LinkedOperands> lines(list.size());
  bool any = false;
  for (size_t j = 0; j < list.size(); ++j) {
    const EventCommand& command = list[j];
    if (!IsFastFormCode(command.Code()) || !command.extra) continue;
    const auto& cells = command.extra->resolvedCells;
    if (cells.size() < 3 || !cells[0].cell || !cells[1].cell || !cells[2].cell) continue;
    lines[j] = {cells[0].cell, cells[1].cell, cells[2].cell};
    any = true;
  }
  if (!any) return;
  EventCommand& last = list.back();
  if (!last.extra) last.extra = std::make_unique<EventCommandExtra>();
  last.extra->listPool =
      std::make_shared<const CommandListPool>(CommandListPool{std::move(lines), CommandLinkGeneration()});
}

}  // namespace

void LinkCommandList(EventCommandList& list, int commonEventNumber) {
  LinkCommandListImpl(list, commonEventNumber);
  MakeListPool(list);
}

void LinkCommonEventCommands() {
  auto& events = gCommonEventList.events;
  for (size_t e = 0; e < events.size(); ++e) LinkCommandListImpl(events[e].commands, static_cast<int>(e));
  for (CommonEvent& event : events) MakeListPool(event.commands);
}
