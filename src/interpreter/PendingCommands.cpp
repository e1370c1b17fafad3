#include "interpreter/EventRunner.h"

// Handlers of command families that come with their own subsystems (messages
// and choices, strings, queries, calls, map, sound, pictures, saves,
// party and network). Until each family is built its commands pass without
// effect and the runner goes on.

bool EventRunner::CmdPicture() { return true; }
