#include "shell/GameSystem.h"

GameSystem gGameSystem;
