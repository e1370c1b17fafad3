#pragma once

// The font services the media system's start and end call. Least bodies until
// the font subsystem is built: no font can be made yet.

int CreateFontToHandle(const char* face, int size, int thickness, int typeFlags, int charSet, int edgeSize,
                       int italic, int slot, int checkNumber);
int DeleteFontHandle(int font);
