#include "shell/InputState.h"

InputState gInput;
