#include "interpreter/DatabaseCommand.h"

#include <array>
#include <map>
#include <string>
#include <vector>

#include "gamedata/Database.h"
#include "gamedata/GameText.h"
#include "gamedata/VariableStore.h"
#include "interpreter/EventRunner.h"
#include "interpreter/InterpreterServices.h"
#include "interpreter/VariableArithmetic.h"

namespace {

constexpr int kLiteralLimit = 1000000;
constexpr int kNameBits = 0x70000;

constexpr int64_t kUserBase = 1000000000;
constexpr int64_t kVariableBase = 1100000000;
constexpr int64_t kSystemBase = 1300000000;

int ParamOf(const EventCommand& command, size_t k) { return k < command.ints.size() ? command.ints[k] : 0; }

// The database command's own arithmetic: plain 32-bit, no clamps, a divisor
// of 0 counts as 1. False for the operators that store nothing (8-15).
bool AssignPlain(int asg, int current, int value, int* stored) {
  switch (asg) {
    case 0: *stored = value; return true;
    case 1: *stored = WrapAdd(current, value); return true;
    case 2: *stored = WrapSub(current, value); return true;
    case 3: *stored = WrapMul(current, value); return true;
    case 4: {
      const int divisor = value == 0 ? 1 : value;
      *stored = divisor == -1 ? WrapSub(0, current) : current / divisor;
      return true;
    }
    case 5: {
      const int divisor = value == 0 ? 1 : value;
      *stored = divisor == -1 ? 0 : current % divisor;
      return true;
    }
    case 6: *stored = current > value ? current : value; return true;
    case 7: *stored = current < value ? current : value; return true;
    default: return false;
  }
}

int CellId(int64_t base, int type, int data, int content) {
  return SaturateToInt(base + int64_t{type} * 1000000 + int64_t{data} * 100 + content);
}

void Notice(const char* utf8, const std::string& line2, const std::string& line3) {
  ShowNoticeBox(Cp932Text(utf8), line2, line3);
}

// A number from a name index of the database in slot `slot`; -1 when none.
int FindTypeName(int slot, const std::string& name) {
  if (slot < 0 || slot > 2) return -1;
  const auto& index = gDatabaseTypeNameIndex[static_cast<size_t>(slot)];
  const auto found = index.find(name);
  return found == index.end() ? -1 : found->second;
}

int FindInIndex(const std::map<std::string, int>& index, const std::string& name) {
  const auto found = index.find(name);
  return found == index.end() ? -1 : found->second;
}

int FindInIndex(const DataNameIndex& index, const std::string& name) { return index.Find(name); }

template <typename TypeIndex>
int FindInTypeIndex(const std::array<std::vector<TypeIndex>, 3>& indexes, int slot, int type, const std::string& name) {
  if (slot < 0 || slot > 2) return -1;
  const auto& perType = indexes[static_cast<size_t>(slot)];
  if (type < 0 || static_cast<size_t>(type) >= perType.size()) return -1;
  return FindInIndex(perType[static_cast<size_t>(type)], name);
}

// Special operands of the raw parameters: the forms whose general form reads
// the parameters again after the name step (resets, names, counts).
bool IsSpecialForm(int direction, int p2, int p3) {
  if (direction == 0) return p2 == -2 || p3 == -2;
  if (direction == 1) return p2 == -1 || p2 == -3 || p3 == -1 || p3 == -3;
  return false;
}

}  // namespace

Database* DatabaseBySelector(int selector) {
  switch (selector) {
    case 0: return &gVariableDatabase;
    case 1: return &gSystemDatabase;
    case 2: return &gUserDatabase;
    default: return nullptr;
  }
}

void LinkDatabaseCommand(EventCommand& command, int commonEvent) {
  command.ResolvedInts.clear();
  command.ResolvedCells.clear();
  int p4 = ParamOf(command, 4);
  const int selector = (p4 >> 8) & 0x0F;
  const int direction = (p4 >> 12) & 0x0F;

  // Names become numbers where the general form would find the same ones.
  if ((p4 & kNameBits) && command.strings.size() >= 4 && command.ints.size() >= 5 &&
      !IsSpecialForm(direction, ParamOf(command, 2), ParamOf(command, 3))) {
    if (p4 & 0x10000) {
      const int type = FindTypeName(selector, command.strings[1]);
      if (type >= 0) {
        command.ints[1] = type;
        p4 &= ~0x10000;
      }
    }
    const int type = command.ints[1];
    if (!(p4 & 0x10000) && type >= 0 && type < kLiteralLimit) {
      if ((p4 & 0x20000) && command.ints.size() > 2) {
        const int data = FindInTypeIndex(gDatabaseDataNameIndex, selector, type, command.strings[2]);
        if (data >= 0) {
          command.ints[2] = data;
          p4 &= ~0x20000;
        }
      }
      if ((p4 & 0x40000) && command.ints.size() > 3) {
        const int content = FindInTypeIndex(gDatabaseContentNameIndex, selector, type, command.strings[3]);
        if (content >= 0) {
          command.ints[3] = content;
          p4 &= ~0x40000;
        }
      }
    }
    command.ints[4] = p4;
  }

  // Pre-decoding of a plain int transfer. Writes always go to the Variable
  // database, as the general form's cell id says.
  const int p1 = ParamOf(command, 1);
  const int p2 = ParamOf(command, 2);
  const int p3 = ParamOf(command, 3);
  const int p5 = ParamOf(command, 5);
  if (selector > 2 || direction > 1 || (p4 & 0x0F) != 0) return;
  if ((p4 & kNameBits) && command.strings.size() >= 4) return;  // a name is still looked up at run time
  if (p1 < 0 || p1 >= kLiteralLimit || p3 < 0 || p3 >= kLiteralLimit || p2 < 0) return;
  if (!IsNumericId(p5) || p5 >= 1000000000 || command.ints.size() < 6) return;
  // A read stores into the variable: a literal there is no variable.
  if (direction == 1 && p5 < kLiteralLimit) return;
  Database* database = direction == 0 ? &gVariableDatabase : DatabaseBySelector(selector);
  if (p1 >= database->GetDatabaseTypeCount() || p3 >= database->GetDatabaseContentCount(p1)) return;
  const int code = database->types[static_cast<size_t>(p1)].contentCodes[static_cast<size_t>(p3)];
  if (code / 1000 != 1) return;
  int32_t* dataCell = p2 < kLiteralLimit ? &command.ints[2] : gVariableStore.ResolveVariableCell(p2, commonEvent);
  int32_t* variableCell = p5 < kLiteralLimit ? &command.ints[5] : gVariableStore.ResolveVariableCell(p5, commonEvent);
  if (!dataCell || !variableCell) return;
  int32_t* defaultCell = nullptr;
  if (static_cast<size_t>(p1) < database->definitions.size()) {
    auto& defaults = database->definitions[static_cast<size_t>(p1)].defaultValues;
    if (static_cast<size_t>(p3) < defaults.size()) defaultCell = &defaults[static_cast<size_t>(p3)];
  }
  command.ResolvedInts = {1, code % 1000, (p4 >> 4) & 0x0F, direction, p2 < database->GetDatabaseDataCount(p1) ? 1 : 0};
  command.ResolvedCells = {{nullptr, database}, {dataCell, nullptr}, {variableCell, nullptr}, {defaultCell, nullptr}};
}

namespace {

// The bound transfer. False when the general form must run instead: a
// negative or missing row (its notices, and the growth of a Variable
// database type on access, belong to the general form).
bool RunPreResolved(const EventCommand& command) {
  const auto& ints = command.ResolvedInts;
  const auto& cells = command.ResolvedCells;
  if (ints.size() < 5 || ints[0] != 1 || cells.size() < 3 || !cells[0].database || !cells[1].cell || !cells[2].cell)
    return false;
  Database& database = *cells[0].database;
  const int type = ParamOf(command, 1);
  const int data = *cells[1].cell;
  if (type < 0 || type >= database.GetDatabaseTypeCount() || data < 0 || data >= database.GetDatabaseDataCount(type))
    return false;
  auto& row = database.types[static_cast<size_t>(type)].rows[static_cast<size_t>(data)];
  const int slot = ints[1];
  if (slot < 0 || static_cast<size_t>(slot) >= row.ints.size()) return false;
  int32_t& cell = row.ints[static_cast<size_t>(slot)];
  int32_t& variable = *cells[2].cell;
  int stored = 0;
  if (ints[3] == 0) {
    if (AssignPlain(ints[2], cell, variable, &stored)) cell = stored;
  } else if (ints[3] == 1) {
    if (AssignPlain(ints[2], variable, cell, &stored)) variable = stored;
  }
  return true;
}

}  // namespace

bool EventRunner::CmdDatabase() {
  const EventCommand& command = CurrentCommand();
  if (!command.ResolvedInts.empty() && RunPreResolved(command)) return true;

  const int p4 = Param(4);
  const int kind = p4 & 0x0F;
  const int asg = (p4 >> 4) & 0x0F;
  const int selector = (p4 >> 8) & 0x0F;
  const int direction = (p4 >> 12) & 0x0F;
  int type = RunnerReadValue(Param(1));
  int data = RunnerReadValue(Param(2));
  int content = RunnerReadValue(Param(3));

  if ((p4 & kNameBits) && command.strings.size() >= 4) {
    if (p4 & 0x10000) {
      type = FindTypeName(selector, command.strings[1]);
      if (type < 0) {
        Notice("【DB操作】 以下のタイプ名は存在しません", command.strings[1], CurrentErrorLocationText());
        return true;
      }
    }
    if (p4 & 0x20000) {
      data = FindInTypeIndex(gDatabaseDataNameIndex, selector, type, command.strings[2]);
      if (data < 0) {
        ShowNoticeBox(NoticeText("【DB操作】 タイプ%d  には以下のデータ名は存在しません", {Decimal(type)}),
                      command.strings[2], CurrentErrorLocationText());
        return true;
      }
    }
    if (p4 & 0x40000) {
      content = FindInTypeIndex(gDatabaseContentNameIndex, selector, type, command.strings[3]);
      if (content < 0) {
        ShowNoticeBox(
            NoticeText("【DB操作】 タイプ%d データ%d には以下の項目名は存在しません", {Decimal(type), Decimal(data)}),
            command.strings[3], CurrentErrorLocationText());
        return true;
      }
    }
  }

  auto negativesRefused = [&] {
    bool any = false;
    if (type < 0) {
      Notice("DB操作：タイプ番号がマイナスです！", CurrentErrorLocationText(), "");
      any = true;
    }
    if (data < 0) {
      Notice("DB操作：データ番号がマイナスです！", CurrentErrorLocationText(), "");
      any = true;
    }
    if (content < 0) {
      Notice("DB操作：内容番号がマイナスです！", CurrentErrorLocationText(), "");
      any = true;
    }
    return any;
  };

  if (direction == 0) {
    // Resets, by the parameters' numbers.
    if (Param(2) == -2) {
      const int resetType = RunnerReadValue(Param(1));
      const int rows = gVariableDatabase.GetDatabaseDataCount(resetType);
      for (int row = 0; row < rows; ++row) gVariableDatabase.ResetDatabaseData(resetType, row);
      return true;
    }
    if (Param(3) == -2) {
      gVariableDatabase.ResetDatabaseData(RunnerReadValue(Param(1)), RunnerReadValue(Param(2)));
      return true;
    }
    if (negativesRefused()) return true;
    // Whatever the selector, the cell written is in the Variable database.
    const int id = CellId(kVariableBase, type, data, content);
    const bool intCell = IsNumericId(id);
    const int current = intCell ? RunnerReadValue(id) : 0;
    const std::string currentText = intCell ? std::string() : RunnerReadString(id);
    auto storeText = [&](const std::string& text) {
      if (asg == 0) RunnerWriteString(id, text);
      else if (asg == 1) RunnerWriteString(id, currentText + text);
    };
    auto storeValue = [&](int value) {
      int stored = 0;
      if (AssignPlain(asg, current, value, &stored)) RunnerWriteVariable(id, stored);
    };
    const int p5 = Param(5);
    if (kind == 0) {
      if (intCell) {
        if (!IsNumericId(p5)) {
          Notice("DB書込 ERROR1：変数を格納すべき場所に文字列を代入しようとしました", CurrentErrorLocationText(), "");
          return true;
        }
        storeValue(RunnerReadValue(p5));
      } else {
        if (IsNumericId(p5)) {
          Notice("DB書込 ERROR2：文字列を格納すべき場所に変数を代入しようとしました", CurrentErrorLocationText(),
                 Decimal(id));
          return true;
        }
        storeText(RunnerReadString(p5));
      }
    } else if (kind == 1) {
      const int source = RunnerReadValue(p5);
      if (intCell) {
        if (!IsNumericId(source)) {
          ShowNoticeBox(Cp932Text("DB書込 ERROR3.5：変数を格納すべき場所に文字列を代入しようとしました"),
                        NoticeText("代入先 %d", {Decimal(id)}), CurrentErrorLocationText());
          return true;
        }
        storeValue(RunnerReadValue(source));
      } else {
        if (IsNumericId(source)) {
          Notice("DB書込 ERROR4：文字列を格納すべき場所に変数を代入しようとしました", CurrentErrorLocationText(), "");
          return true;
        }
        storeText(RunnerReadString(source));
      }
    } else if (kind == 2) {
      if (intCell) {
        Notice("DB書込 ERROR5：変数を格納すべき場所に文字列を代入しようとしました", CurrentErrorLocationText(), "");
        return true;
      }
      storeText(ExpandEscapesForRunner(StringParam(0), mapEventId, commonId, mapId));
    }
    return true;
  }

  if (direction != 1) return true;

  // Reading.
  const int target = kind == 1 ? RunnerReadValue(Param(5)) : Param(5);
  Database* database = DatabaseBySelector(selector);
  auto storeName = [&](const std::string& name) {
    if (IsNumericId(target)) {
      Notice("DB読込 ERROR7：変数を格納すべき場所に文字列を代入しようとしました", CurrentErrorLocationText(), "");
      return;
    }
    if (asg == 0) RunnerWriteString(target, name);
    else if (asg == 1) RunnerWriteString(target, RunnerReadString(target) + name);
  };
  if (Param(3) == -3) {
    storeName(database ? database->GetDatabaseDataName(RunnerReadValue(Param(1)), RunnerReadValue(Param(2)))
                       : std::string());
    return true;
  }
  if (Param(2) == -3) {
    storeName(database ? database->GetDatabaseContentName(RunnerReadValue(Param(1)), RunnerReadValue(Param(3)))
                       : std::string());
    return true;
  }

  int value = 0;
  if (Param(2) == -1 || Param(3) == -1) {
    const int countType = RunnerReadValue(Param(1));
    if (Param(2) == -1) value = database ? database->GetDatabaseDataCount(countType) : -1;
    if (Param(3) == -1) value = database ? database->GetDatabaseContentCount(countType) : -1;
  } else {
    if (negativesRefused()) return true;
    // Selectors beyond the three databases name no cell.
    if (!database) return true;
    const int64_t base = selector == 0 ? kVariableBase : selector == 1 ? kSystemBase : kUserBase;
    const int id = CellId(base, type, data, content);
    if (!IsNumericId(id)) {
      storeName(RunnerReadString(id));
      return true;
    }
    if (!IsNumericId(target)) {
      ShowNoticeBox(Cp932Text("DB読込 ERROR6：変数を格納すべき場所に文字列を代入しようとしました"),
                    NoticeText("代入先 %d 代入元 %d", {Decimal(id), Decimal(target)}), CurrentErrorLocationText());
      return true;
    }
    value = RunnerReadValue(id);
  }
  int current = RunnerReadValue(Param(5));
  if (kind == 1) current = RunnerReadValue(current);
  int stored = 0;
  if (AssignPlain(asg, current, value, &stored)) RunnerWriteVariable(target, stored);
  return true;
}
