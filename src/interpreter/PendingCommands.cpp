#include "interpreter/EventRunner.h"

// Handlers of command families that come with their own subsystems (messages
// and choices, strings, queries, calls, map, sound, pictures, saves,
// party and network). Until each family is built its commands pass without
// effect and the runner goes on.

bool EventRunner::CmdPicture() { return true; }
bool EventRunner::CmdSaveLoad() { return true; }
bool EventRunner::CmdReadSaveValue() { return true; }
bool EventRunner::CmdWriteSaveValue() { return true; }
bool EventRunner::CmdInternet() { return true; }
bool EventRunner::CmdPartyOperation() { return true; }
