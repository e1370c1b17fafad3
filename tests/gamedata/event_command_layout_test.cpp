#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gamedata/EventCommand.h"

namespace {

// The int list grows past its inline room and shrinks back into it, keeping
// every value, and never touches the indent beside it.
TEST(EventCommandLayout, IntsKeepTheirValuesAcrossInlineAndHeap) {
  EventCommand command;
  command.indent = 7;
  std::vector<int32_t> expected{0};
  for (int32_t i = 1; i < 40; ++i) {
    command.ints.push_back(i * 3);
    expected.push_back(i * 3);
    ASSERT_EQ(command.ints, expected) << i;
    ASSERT_EQ(command.indent, 7);
  }
  const EventCommand copy = command;
  while (command.ints.size() > 1) {
    command.ints.pop_back();
    expected.pop_back();
    ASSERT_EQ(command.ints, expected);
  }
  EXPECT_EQ(command.indent, 7);
  EXPECT_EQ(copy.ints.size(), 40u);
  EXPECT_EQ(copy.ints[39], 117);

  // Growing again reads new values as 0; inserting in the middle shifts.
  command.ints.resize(12);
  EXPECT_EQ(command.ints[11], 0);
  command.ints.insert(command.ints.begin() + 1, {5, 6});
  EXPECT_EQ(command.ints[1], 5);
  EXPECT_EQ(command.ints[2], 6);
  EXPECT_EQ(command.ints.size(), 14u);
  command.ints.assign(command.ints.begin() + 1, command.ints.begin() + 3);  // from itself
  EXPECT_EQ(command.ints, (std::vector<int32_t>{5, 6}));
}

// Texts, routes and links live in one block made on the first write only;
// copies are deep and compare equal; moves carry everything.
TEST(EventCommandLayout, OutOfLineListsOnlyWhenPresent) {
  EventCommand command;
  command.strings.resize(0);
  command.routes.assign(0, MoveSettings{});
  command.ResolvedInts.clear();
  command.ResolvedCells = std::vector<ResolvedCell>{};
  for (const std::string& text : command.strings) ADD_FAILURE() << text;
  EXPECT_EQ(command.extra, nullptr);

  int32_t cell = 4;
  command.strings = {"a", "b"};
  command.ResolvedCells = {{&cell, nullptr}};
  ASSERT_NE(command.extra, nullptr);
  EventCommand copy = command;
  EXPECT_EQ(copy, command);
  copy.strings[1] = "c";
  EXPECT_EQ(command.strings[1], "b");
  EXPECT_NE(copy, command);
  EXPECT_EQ(copy.ResolvedCells[0].cell, &cell);

  EventCommandList list;
  for (int i = 0; i < 50; ++i) list.push_back(command);  // moved on each growth
  EXPECT_EQ(list[0].strings, (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(list[49], command);

  // A command whose lists were emptied again equals a plain one.
  command.strings.clear();
  command.ResolvedCells.clear();
  EXPECT_EQ(command, EventCommand{});
}

}  // namespace
