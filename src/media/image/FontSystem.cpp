#include "media/image/FontSystem.h"

int CreateFontToHandle(const char*, int, int, int, int, int, int, int, int) { return -1; }
int DeleteFontHandle(int) { return -1; }
