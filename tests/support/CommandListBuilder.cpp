#include "support/CommandListBuilder.h"

RouteBuilder& RouteBuilder::Type(uint8_t moveType) {
  settings_.moveType = moveType;
  return *this;
}

RouteBuilder& RouteBuilder::Speeds(uint8_t animationSpeed, uint8_t moveSpeed, uint8_t moveFrequency) {
  settings_.animationSpeed = animationSpeed;
  settings_.moveSpeed = moveSpeed;
  settings_.moveFrequency = moveFrequency;
  return *this;
}

RouteBuilder& RouteBuilder::Options(uint8_t optionBits) {
  settings_.optionBits = optionBits;
  return *this;
}

RouteBuilder& RouteBuilder::Flags(uint8_t routeFlags) {
  settings_.routeFlags = routeFlags;
  return *this;
}

RouteBuilder& RouteBuilder::Step(uint8_t code, std::initializer_list<int32_t> args, std::string text) {
  RouteCommand step;
  step.code = code;
  step.args = args;
  step.text = std::move(text);
  settings_.route.push_back(std::move(step));
  return *this;
}

CommandListBuilder& CommandListBuilder::Add(int32_t code, std::initializer_list<int32_t> params,
                                            std::initializer_list<std::string> strings) {
  return Add(code, std::vector<int32_t>(params), std::vector<std::string>(strings));
}

CommandListBuilder& CommandListBuilder::Add(int32_t code, const std::vector<int32_t>& params,
                                            const std::vector<std::string>& strings) {
  EventCommand command;
  command.ints.assign(1, code);
  command.ints.insert(command.ints.end(), params.begin(), params.end());
  command.indent = indent_;
  command.strings = strings;
  commands_.push_back(std::move(command));
  return *this;
}

CommandListBuilder& CommandListBuilder::Add(const EventCommand& command) {
  commands_.push_back(command);
  return *this;
}

CommandListBuilder& CommandListBuilder::In() {
  ++indent_;
  return *this;
}

CommandListBuilder& CommandListBuilder::Out() {
  if (indent_ > 0) --indent_;
  return *this;
}

CommandListBuilder& CommandListBuilder::Indent(uint8_t indent) {
  indent_ = indent;
  return *this;
}

CommandListBuilder& CommandListBuilder::WithIndent(uint8_t indent) {
  if (!commands_.empty()) commands_.back().indent = indent;
  return *this;
}

CommandListBuilder& CommandListBuilder::WithRoute(const MoveSettings& route) {
  if (!commands_.empty()) commands_.back().routes.assign(1, route);
  return *this;
}

EventCommandList CommandListBuilder::Build(bool terminate) const {
  EventCommandList list = commands_;
  if (terminate) {
    EventCommand end;
    end.SetCode(kEndCommandCode);
    list.push_back(std::move(end));
  }
  return list;
}

EventCommand MakeCommand(int32_t code, std::initializer_list<int32_t> params,
                         std::initializer_list<std::string> strings, uint8_t indent) {
  EventCommand command;
  command.ints.assign(1, code);
  command.ints.insert(command.ints.end(), params.begin(), params.end());
  command.indent = indent;
  command.strings = strings;
  return command;
}
