#pragma once

#include "shell/ShellServices.h"

// Once per frame: the devices into gInput (held and newly pressed flags,
// directions, action keys, function keys, mouse).
void PollInput(InputState& input);
// Clears the per-run parts of the record (the restart point).
void ResetInputState(InputState& input);
