#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "gamedata/EventCommand.h"
#include "gamedata/MoveRoute.h"

// Builds move routes for tests: a MoveSettings with its six bytes and steps.
class RouteBuilder {
 public:
  RouteBuilder& Type(uint8_t moveType);
  RouteBuilder& Speeds(uint8_t animationSpeed, uint8_t moveSpeed, uint8_t moveFrequency);
  RouteBuilder& Options(uint8_t optionBits);
  RouteBuilder& Flags(uint8_t routeFlags);
  RouteBuilder& Step(uint8_t code, std::initializer_list<int32_t> args = {}, std::string text = {});

  const MoveSettings& Build() const { return settings_; }
  operator MoveSettings() const { return settings_; }

 private:
  MoveSettings settings_;
};

// Builds event command lists for tests: each Add appends one command with its
// code, int and string parameters at the current indent. Build() ends the list
// with the end command the file readers put there.
//
//   auto list = CommandListBuilder()
//                   .Add(111, {1, 2000000, 5, 0x20})
//                   .In().Add(401, {1}).Add(121, {2000001, 1, 0, 0}).Out()
//                   .Add(499)
//                   .Build();
class CommandListBuilder {
 public:
  CommandListBuilder& Add(int32_t code, std::initializer_list<int32_t> params = {},
                          std::initializer_list<std::string> strings = {});
  CommandListBuilder& Add(int32_t code, const std::vector<int32_t>& params,
                          const std::vector<std::string>& strings = {});
  // Appends a whole command as it is.
  CommandListBuilder& Add(const EventCommand& command);

  // Indent of the commands added from now on.
  CommandListBuilder& In();
  CommandListBuilder& Out();
  CommandListBuilder& Indent(uint8_t indent);

  // Sets the indent of the last command only.
  CommandListBuilder& WithIndent(uint8_t indent);
  // Attaches a move route to the last command.
  CommandListBuilder& WithRoute(const MoveSettings& route);

  // The commands as added, then one end command (code -1) unless terminate is
  // false.
  EventCommandList Build(bool terminate = true) const;

  // The number of commands added so far.
  size_t Size() const { return commands_.size(); }

 private:
  EventCommandList commands_;
  uint8_t indent_ = 0;
};

// A single command, for handler tests.
EventCommand MakeCommand(int32_t code, std::initializer_list<int32_t> params = {},
                         std::initializer_list<std::string> strings = {}, uint8_t indent = 0);
