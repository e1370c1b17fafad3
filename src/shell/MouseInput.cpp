#include "shell/MouseInput.h"

MouseFrameInput gMouseFrameInput;
