#include "interpreter/EventRunner.h"

// Handlers of command families that come with their own subsystems (messages
// and choices, strings, queries, calls, map, screen, sound, pictures, saves,
// party and network). Until each family is built its commands pass without
// effect and the runner goes on.

bool EventRunner::CmdPicture() { return true; }
bool EventRunner::CmdScreenColor() { return true; }
bool EventRunner::CmdTransitionType() { return true; }
bool EventRunner::CmdPrepareTransition() { return true; }
bool EventRunner::CmdExecuteTransition() { return true; }
bool EventRunner::CmdFreezeScreen() { return true; }
bool EventRunner::CmdUnfreezeScreen() { return true; }
bool EventRunner::CmdShakeScreen() { return true; }
bool EventRunner::CmdScrollScreen() { return true; }
bool EventRunner::CmdEffect() { return true; }
