#include "interpreter/EventRunner.h"

// Handlers of command families that come with their own subsystems (messages
// and choices, strings, queries, calls, map, sound, pictures, saves,
// party and network). Until each family is built its commands pass without
// effect and the runner goes on.

bool EventRunner::CmdMessage() { return true; }
bool EventRunner::CmdChoice() { return true; }
bool EventRunner::CmdCloseChoice() { return true; }
bool EventRunner::CmdCloseMessage() { return true; }
bool EventRunner::CmdKeyInput() { return true; }
bool EventRunner::CmdPicture() { return true; }

// The key wait ends at once until key input is built.
void EventRunner::PollKeyInputWait() { keyWait = 0; }
void EventRunner::DrawKeyInputField() {}
