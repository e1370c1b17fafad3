#pragma once

// Public entries of the font family: font handles, the default font, and
// drawing and measuring Shift-JIS text.

int DrawTextDefaultFont(int x, int y, const char* text, int color, int edgeColor);
int DrawTextWithFont(int x, int y, const char* text, int color, int font, int edgeColor, int vertical);
int DrawTextFormatted(int x, int y, int color, const char* format, ...) __attribute__((format(printf, 4, 5)));
int DrawScaledTextWithFont(int x, int y, double xScale, double yScale, const char* text, int color, int font,
                           int edgeColor, int vertical);
// buffer: 64-byte names, or null; maximum 0: no limit; mode 1: Japanese
// TrueType faces only.
int EnumFontFaceNames(char* buffer, int maximum, int mode);
int ResetFontSystem();
int CreateFontToHandle(const char* face, int size, int thickness, int typeFlags, int charSet, int edgeSize, int italic,
                       int slot, int checkNumber);
int SetDefaultFontSize(int size);
int SetDefaultFontThickness(int thickness);
int SetDefaultFontFace(const char* face, int charSet);
int SetDefaultFontType(int type);
int MeasureTextDefaultFont(const char* text, int length, int vertical);
int MeasureTextWithFont(const char* text, int length, int font, int vertical);
