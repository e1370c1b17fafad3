// A mixed script in one frame of one runner, and the memory and load time of
// a large common-event file.
//
// The script: a counted loop whose body branches on variables (nested, with
// an other line), does variable operations in integer and real mode, assigns
// and compares strings and calls a common event with two arguments. It runs
// as common event 0, linked as the game links common events, and unlinked
// (the general forms, as map events run).
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "gamedata/CommonEvent.h"
#include "gamedata/DataFileCursor.h"
#include "gamedata/Database.h"
#include "gamedata/EventCommand.h"
#include "gamedata/GlobalObjects.h"
#include "gamedata/VariableStore.h"
#include "interpreter/EventRunner.h"
#include "interpreter/LinkPass.h"
#include "map/CurrentMap.h"
#include "shell/GameSystem.h"

// Live heap bytes, for the bytes-per-command figure. Kept out of line, so
// the compiler does not pair the inlined malloc and free across call sites.
namespace {
int64_t gLiveBytes = 0;
}  // namespace

__attribute__((noinline)) void* operator new(size_t size) {
  void* p = std::malloc(size ? size : 1);
  if (!p) throw std::bad_alloc();
  gLiveBytes += static_cast<int64_t>(malloc_usable_size(p));
  return p;
}
__attribute__((noinline)) void operator delete(void* p) noexcept {
  if (!p) return;
  gLiveBytes -= static_cast<int64_t>(malloc_usable_size(p));
  std::free(p);
}
void operator delete(void* p, size_t) noexcept { operator delete(p); }
// Blocks of over-aligned types (a command's out-of-line block) count too.
__attribute__((noinline)) void* operator new(size_t size, std::align_val_t align) {
  void* p = std::aligned_alloc(static_cast<size_t>(align),
                               (size + static_cast<size_t>(align) - 1) & ~(static_cast<size_t>(align) - 1));
  if (!p) throw std::bad_alloc();
  gLiveBytes += static_cast<int64_t>(malloc_usable_size(p));
  return p;
}
__attribute__((noinline)) void operator delete(void* p, std::align_val_t) noexcept {
  if (!p) return;
  gLiveBytes -= static_cast<int64_t>(malloc_usable_size(p));
  std::free(p);
}
void operator delete(void* p, size_t, std::align_val_t align) noexcept { operator delete(p, align); }

namespace {

constexpr int V = 2000000;      // normal variable 0
constexpr int S = 3000000;      // string variable 0
constexpr int kSelf = 1600000;  // the running common event's self cell 0
constexpr int kLoops = 10000;
constexpr int kCalleeCommands = 4;  // three operations and the end

EventCommand Cmd(int code, std::vector<int32_t> params, int indent, std::vector<std::string> strings = {}) {
  EventCommand command;
  command.ints.assign(1, code);
  command.ints.insert(command.ints.end(), params.begin(), params.end());
  command.indent = static_cast<uint8_t>(indent);
  command.strings = std::move(strings);
  return command;
}
int Flags(int asg, int op, int bits) { return (asg << 8) | (op << 12) | bits; }
constexpr int kLeftPlain = 0x4, kRightPlain = 0x8, kReal = 0x2;

EventCommandList MainScript() {
  EventCommandList list = {
      Cmd(179, {kLoops}, 0),
      Cmd(121, {V + 1, V + 0, 7, Flags(0, 4, kRightPlain)}, 1),  // v1 = v0 mod 7
      Cmd(111, {2, V + 1, 3, 4 | 0x10, V + 1, 5, 4 | 0x10}, 1),  // v1 < 3, v1 < 5
      Cmd(401, {1}, 1),
      Cmd(121, {V + 2, V + 1, 3, Flags(1, 2, kRightPlain)}, 2),  // v2 += v1 x 3
      Cmd(111, {1, V + 2, 1000, 0 | 0x10}, 2),                   // v2 > 1000
      Cmd(401, {1}, 2),
      Cmd(121, {V + 2, 1000, 0, Flags(2, 0, kLeftPlain | kRightPlain)}, 3),  // v2 -= 1000
      Cmd(499, {}, 2),
      Cmd(401, {2}, 1),
      Cmd(121, {V + 3, V + 1, 2, Flags(1, 3, kRightPlain | kReal)}, 2),  // v3 += v1 / 2 (real)
      Cmd(420, {0}, 1),
      Cmd(121, {V + 4, 1, 0, Flags(2, 0, kLeftPlain | kRightPlain)}, 2),  // v4 -= 1
      Cmd(499, {}, 1),
      Cmd(122, {S + 0, 0}, 1, {"abc"}),  // s0 = "abc"
      Cmd(122, {S + 1, 1, S + 0}, 1),    // s1 = s0
      Cmd(112, {1, S + 1}, 1, {"abc"}),  // s1 == "abc"
      Cmd(401, {1}, 1),
      Cmd(121, {V + 5, 1, 0, Flags(1, 0, kLeftPlain | kRightPlain)}, 2),  // v5 += 1
      Cmd(499, {}, 1),
      Cmd(210, {500001, 0x2, V + 0, V + 1}, 1),                           // common 1 (v0, v1)
      Cmd(121, {V + 6, 15000100 + 2, 0, Flags(1, 0, 0)}, 1),              // v6 += its result
      Cmd(121, {V + 0, 1, 0, Flags(1, 0, kLeftPlain | kRightPlain)}, 1),  // v0 += 1
      Cmd(498, {}, 0),
  };
  list.emplace_back();
  TerminateCommandList(list);
  return list;
}

EventCommandList Callee() {
  EventCommandList list = {
      Cmd(121, {kSelf + 2, kSelf + 0, kSelf + 1, Flags(0, 0, 0)}, 0),
      Cmd(121, {kSelf + 3, kSelf + 2, 3, Flags(0, 2, kRightPlain | kReal)}, 0),
      Cmd(121, {V + 7, 1, 0, Flags(1, 0, kLeftPlain | kRightPlain)}, 0),
  };
  list.emplace_back();
  TerminateCommandList(list);
  return list;
}

void PrepareWorld(bool link) {
  gGameSystem = GameSystem();
  gGameSystem.runState = 1;
  gCurrentMap = CurrentMap();
  gCurrentMap.mapId = 1;
  gCommonEventList = CommonEventList();
  gCommonEventList.ResizeCommonEventList(2);
  gCommonEventList.events[0].commands = MainScript();
  gCommonEventList.events[1].commands = Callee();
  gUserDatabase = Database();
  gSystemDatabase = Database();
  gVariableDatabase = Database();
  LinkDatabases();
  gVariableStore = VariableStore(2);
  gVariableStore.variableSets[0].assign(100, 0);
  gVariableStore.stringVariables.assign(10, "");
  gEventSystem = EventSystem(EventSystem::StaticInit{});
  gVariableStore.context = &gEventSystem;
  if (link) LinkCommonEventCommands();
}

void MixedScriptFrame(benchmark::State& state, bool link) {
  PrepareWorld(link);
  EventRunner runner;
  runner.StartEventRunner(0, 0);
  int64_t commands = 0;
  for (auto _ : state) {
    runner.SetupEventCall(&gCommonEventList.events[0].commands, -1, 0);
    runner.RunEventRunner();
    if (runner.IsEventRunnerBusy()) state.SkipWithError("the frame did not finish the script");
    commands += runner.commandsThisFrame + int64_t{kLoops} * kCalleeCommands;
  }
  state.SetItemsProcessed(commands);
  state.counters["commands_per_frame"] =
      static_cast<double>(commands) / static_cast<double>(std::max<int64_t>(state.iterations(), 1));
}

void BM_MixedScriptFrameLinked(benchmark::State& state) { MixedScriptFrame(state, true); }
void BM_MixedScriptFrameGeneral(benchmark::State& state) { MixedScriptFrame(state, false); }
BENCHMARK(BM_MixedScriptFrameLinked)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MixedScriptFrameGeneral)->Unit(benchmark::kMillisecond);

// A .common file of one event with 100,000 commands without strings or
// routes, as the stored form: code and ints, indent, no texts, no route.
constexpr int kFileCommands = 100000;

class Bytes {
 public:
  Bytes& U8(int v) {
    data_.push_back(static_cast<uint8_t>(v));
    return *this;
  }
  Bytes& I32(int32_t v) {
    for (int i = 0; i < 4; ++i) data_.push_back(static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i)));
    return *this;
  }
  Bytes& Text(const std::string& text) {
    I32(static_cast<int32_t>(text.size() + 1));
    for (char c : text) U8(c);
    return U8(0);
  }
  std::vector<uint8_t> Take() { return std::move(data_); }

 private:
  std::vector<uint8_t> data_;
};

// A typical mix: operations, branches with case lines, loops, calls; with
// `longCommands` also one in eleven with more than eight ints (a picture).
std::vector<uint8_t> LargeCommonFile(bool longCommands) {
  std::vector<std::vector<int32_t>> shapes = {{121, V + 1, V + 2, 3, 0x108},
                                              {111, 1, V + 1, 5, 0x12},
                                              {401, 1},
                                              {121, V + 3, 1, 0, 0x10C},
                                              {499},
                                              {179, 10},
                                              {121, V + 4, V + 1, V + 2, 0x2000},
                                              {498},
                                              {210, 500001, 2, V + 1, V + 2},
                                              {102, 3, 0}};
  if (longCommands) shapes.push_back({150, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
  Bytes out;
  out.U8(0x6C).U8(0x38).U8(0x0C).U8(0x03).I32(1);
  out.U8(0xA0).I32(0).U8(0).I32(0).I32(0).U8(0).U8(0).Text("large");
  out.I32(kFileCommands);
  for (int i = 0; i < kFileCommands; ++i) {
    const auto& ints = shapes[static_cast<size_t>(i) % shapes.size()];
    out.U8(static_cast<int>(ints.size()));
    for (int32_t v : ints) out.I32(v);
    out.U8(i % 3).U8(0).U8(0);  // indent, no texts, no route
  }
  out.I32(0).U8(0x8E);  // no carried bytes, old record
  return out.Take();
}

void BM_LoadLargeCommonFile(benchmark::State& state) {
  const std::vector<uint8_t> file = LargeCommonFile(state.range(0) != 0);
  double bytesPerCommand = 0;
  for (auto _ : state) {
    state.PauseTiming();
    gCommonEventList = CommonEventList();
    DataFileCursor cursor(file);
    const int64_t before = gLiveBytes;
    state.ResumeTiming();
    const int count = gCommonEventList.ParseCommonEventFile(cursor, 0, true);
    state.PauseTiming();
    // The reader turns the last command into the end command.
    if (count != 1 || gCommonEventList.events[0].commands.size() != kFileCommands) {
      state.SkipWithError("the file did not load");
      break;
    }
    // Everything the load kept: the event record and its command list.
    bytesPerCommand = static_cast<double>(gLiveBytes - before) / kFileCommands;
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kFileCommands);
  state.counters["bytes_per_command"] = bytesPerCommand;
  state.counters["sizeof_command"] = sizeof(EventCommand);
}
BENCHMARK(BM_LoadLargeCommonFile)->ArgName("long_commands")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
