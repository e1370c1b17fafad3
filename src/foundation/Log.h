#pragma once

#include <cstdint>

// The media layer's log: Log.txt in the library's base folder, one line per
// event, "milliseconds:" + one tab per indent level + text + CR LF. The tabs
// and the text also go to the debugger output; the time stamp only to the file.
struct LogState {
  int logOff = 1;             // EnableLibraryLog stores the inverse of its argument
  char baseFolder[260] = {};  // current directory when the library starts
  char fileName[32] = "Log.txt";
  int indentLevel = 0;
  int midLine = 0;  // 1 when the last text did not end with a line feed
  uint32_t startTime = 0;
};
extern LogState gLogState;

int LogStart();                              // recreates the file empty; 1
int LogWrite(const char* text);              // always -1
int LogWriteFormat(const char* format, ...)  // always -1
    __attribute__((format(printf, 1, 2)));
int LogIndentIn();
int LogIndentOut();
int LogMemoryTotals();  // always -1
