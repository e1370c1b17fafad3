#include "RandomScript.h"

#include <random>

#include "interpreter/LinkPass.h"
#include "support/CommandListBuilder.h"
#include "support/ScriptWorld.h"

namespace {

constexpr int kVariables = 16;   // V0..V15 hold the script's data
constexpr int kJumpBudget = 40;  // V40 counts the jumps made
constexpr int kFirstGuard = 41;  // V41.. guard one endless loop each
constexpr int kStrings = 5;
constexpr int kString0 = 3000000;
constexpr int kLabelNames = 6;

class Generator {
 public:
  Generator(uint32_t seed, const RandomScriptOptions& options) : rng_(seed), options_(options) {}

  EventCommandList Make() {
    Block(0, 0, 4 + Pick(10));
    return Terminated(std::move(out_));
  }

 private:
  int Pick(int n) { return static_cast<int>(rng_() % static_cast<uint32_t>(n)); }
  bool Chance(int percent) { return Pick(100) < percent; }
  void Emit(int code, std::vector<int32_t> params, int indent, std::vector<std::string> strings = {}) {
    std::vector<int32_t> ints{code};
    ints.insert(ints.end(), params.begin(), params.end());
    EventCommand command;
    command.ints.assign(ints.begin(), ints.end());
    command.indent = static_cast<uint8_t>(indent);
    command.strings = std::move(strings);
    out_.push_back(std::move(command));
  }
  // Mostly normal variables, now and then a number cell of the running
  // common event (cells 5-9 hold its texts).
  int Variable() { return Chance(50) ? SmallVariable() : WideVariable(); }
  // Written only by operations a link makes wrap, each brought back within
  // the small bound by the next line.
  int SmallVariable() { return Chance(15) ? OwnSelf(Pick(kSmallSelfCells)) : NormalVar(Pick(kSmallVariables)); }
  // Written by anything else: values up to the clamps.
  int WideVariable() {
    return Chance(15) ? OwnSelf(10 + Pick(5)) : NormalVar(kSmallVariables + Pick(kVariables - kSmallVariables));
  }
  int Literal() {
    static const int kEdges[] = {0, 1, -1, 2, 999999, -999999, 2000000000, -2000000000, 46341};
    return Chance(15) ? kEdges[Pick(9)] : Pick(41) - 20;
  }
  std::string Text() {
    static const char* kTexts[] = {"", "a", "b", "ab", "ba", "12", "-3", "\x95\x5C", "x y"};
    return kTexts[Pick(9)];
  }

  void Block(int indent, int depth, int length) {
    for (int i = 0; i < length; ++i) Statement(indent, depth);
  }

  void Statement(int indent, int depth) {
    const int kind = Pick(depth >= 3 ? 5 : 11);
    switch (kind) {
      case 0:
      case 1:
      case 2: VariableOperation(indent); break;
      case 3: Label(indent); break;
      case 4: options_.strings ? StringOperation(indent) : VariableOperation(indent); break;
      case 5:
      case 6: NumericBranch(indent, depth); break;
      case 7: options_.strings ? StringBranch(indent, depth) : NumericBranch(indent, depth); break;
      case 8: CountedLoop(indent, depth); break;
      case 9: EndlessLoop(indent, depth); break;
      default: Jump(indent); break;
    }
    if (depth > 0 && Chance(4)) Emit(Chance(50) ? 171 : 176, {}, indent);
  }

  // A linked operation wraps where its general form clamps; the forms agree
  // as long as nothing overflows. Those operations work on small variables
  // only (|x| <= 999: no operator, and no assignment onto such a target,
  // passes 10^9), and a remainder by 1000 follows each, so the bound holds
  // for the next. Operations that clamp in both forms (operands flagged
  // plain, real mode, the million clamp) read anything and write wide
  // variables.
  void VariableOperation(int indent) {
    const int asg = Pick(9);
    int flags = (asg << 8) | (Pick(6) << 12);
    const bool leftPlain = Chance(50);
    const bool rightPlain = Chance(50);
    const bool real = options_.real && Chance(25);
    const bool million = Chance(5);
    const bool wraps = !leftPlain && !rightPlain && !real && !million;
    int left = 0;
    int right = 0;
    if (wraps) {
      left = SmallVariable();
      right = SmallVariable();
    } else {
      left = leftPlain ? Literal() : Variable();
      right = rightPlain ? Literal() : Variable();
    }
    if (Chance(10)) right = 0;
    flags |= (leftPlain ? 0x4 : 0) | (rightPlain ? 0x8 : 0) | (real ? 0x2 : 0) | (million ? 0x1 : 0);
    const int target = wraps ? SmallVariable() : WideVariable();
    Emit(121, {target, left, right, flags}, indent);
    if (wraps) Emit(121, {target, kSmallBound + 1, 0, 5 << 8}, indent);  // %= 1000
  }

  void StringOperation(int indent) {
    static const int kOps[] = {0, 1, 8, 9};
    const int op = kOps[Pick(4)];
    // Appending a variable to itself in a loop doubles it on every pass (a
    // string of gigabytes within one frame): appends take literal texts.
    const int source = op != 1 && Chance(50) ? 1 : 0;
    const int target = Chance(10) ? WideVariable() : kString0 + Pick(kStrings);
    const int other = kString0 + Pick(kStrings);
    std::string first = Text();
    std::string second = Text();
    Emit(122, {target, source | (op << 8), other}, indent, {std::move(first), std::move(second)});
  }

  void Label(int indent) { Emit(212, {}, indent, {std::string("L").append(std::to_string(Pick(kLabelNames)))}); }

  // Every jump spends one unit of the budget, so no script jumps forever.
  void Jump(int indent) {
    Emit(121, {NormalVar(kJumpBudget), 1, 0, 0x4 | 0x8 | (1 << 8)}, indent);
    Emit(111, {1, NormalVar(kJumpBudget), 30, 4 | 0x10}, indent);
    Emit(401, {1}, indent);
    Emit(213, {}, indent + 1, {std::string("L").append(std::to_string(Pick(kLabelNames + 1)))});
    Emit(499, {}, indent);
  }

  // Case lines 1..n, an optional other line, the end; now and then a shape
  // the link pass leaves general.
  void Cases(int n, int indent, int depth) {
    const bool odd = Chance(15);
    for (int k = 1; k <= n; ++k) {
      if (odd && Chance(30)) continue;
      // Draws are sequenced one by one: the order in which a call's arguments
      // are evaluated differs between compilers, and so would the scripts.
      const int code = Chance(odd ? 30 : 0) ? 420 : 401;
      const int number = odd && Chance(30) ? Pick(n + 2) : k;
      Emit(code, {number}, indent);
      Block(indent + 1, depth + 1, Pick(3));
    }
    if (Chance(40)) {
      Emit(Chance(odd ? 50 : 0) ? 402 : 420, {0}, indent);
      Block(indent + 1, depth + 1, Pick(3));
    }
    Emit(499, {}, indent);
  }

  void NumericBranch(int indent, int depth) {
    const int n = 1 + Pick(3);
    std::vector<int32_t> params{n};
    for (int k = 0; k < n; ++k) {
      const bool literal = Chance(60);
      params.push_back(Variable());
      params.push_back(literal ? Literal() : Variable());
      params.push_back(Pick(8) | (literal ? 0x10 : 0));
    }
    Emit(111, params, indent);
    Cases(n, indent, depth);
  }

  void StringBranch(int indent, int depth) {
    const int n = 1 + Pick(2);
    std::vector<int32_t> params{n};
    std::vector<int32_t> rights;
    std::vector<std::string> texts;
    for (int k = 0; k < n; ++k) {
      const bool variable = Chance(40);
      const uint32_t comparison = static_cast<uint32_t>(Pick(4)) << 28;
      params.push_back(static_cast<int32_t>(comparison | (variable ? 1u << 24 : 0u) |
                                            static_cast<uint32_t>(kString0 + Pick(kStrings))));
      rights.push_back(kString0 + Pick(kStrings));
      texts.push_back(Text());
    }
    params.insert(params.end(), rights.begin(), rights.end());
    Emit(112, params, indent, texts);
    Cases(n, indent, depth);
  }

  void CountedLoop(int indent, int depth) {
    Emit(179, {Pick(4)}, indent);
    Block(indent + 1, depth + 1, 1 + Pick(3));
    Emit(498, {}, indent);
  }

  // The guard breaks the loop from its third pass on, however it was entered.
  void EndlessLoop(int indent, int depth) {
    const int guard = NormalVar(kFirstGuard + guards_++ % 20);
    Emit(170, {}, indent);
    Emit(121, {guard, 1, 0, 0x4 | 0x8 | (1 << 8)}, indent + 1);
    Emit(111, {1, guard, 3, 1 | 0x10}, indent + 1);
    Emit(401, {1}, indent + 1);
    Emit(171, {}, indent + 2);
    Emit(499, {}, indent + 1);
    Block(indent + 1, depth + 1, 1 + Pick(3));
    Emit(498, {}, indent);
  }

  std::mt19937 rng_;
  RandomScriptOptions options_;
  std::vector<EventCommand> out_;
  int guards_ = 0;
};

}  // namespace

EventCommandList RandomScript(uint32_t seed, const RandomScriptOptions& options) {
  return Generator(seed, options).Make();
}

EventCommandList WithSelfCells(const EventCommandList& list) {
  EventCommandList moved = list;
  for (EventCommand& command : moved) {
    for (size_t k = 1; k < command.ints.size(); ++k) {
      const int n = command.ints[k] - NormalVar(0);
      if (n >= 0 && n < kMovedVariables) command.ints[k] = OwnSelf(kFirstMovedCell + n);
    }
  }
  return moved;
}

ScriptOutcome RunScript(const EventCommandList& list, bool link) {
  ResetScriptWorld(1);
  gVariableStore.stringVariables.assign(kStrings, "");
  gCommonEventList.events[0].commands = list;
  if (link) LinkCommonEventCommands();
  EventRunner runner;
  runner.StartEventRunner(0, 0);
  runner.SetupEventCall(&gCommonEventList.events[0].commands, -1, 0);
  ScriptOutcome outcome;
  outcome.frames = RunUntilIdle(runner, 4);
  outcome.busy = runner.IsEventRunnerBusy();
  outcome.variables = gVariableStore.variableSets[0];
  outcome.selfCells = gVariableStore.commonSelfVariables[0];
  outcome.strings = gVariableStore.stringVariables;
  outcome.notices = RecordedNotices().size();
  return outcome;
}
