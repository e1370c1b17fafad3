#include "foundation/Log.h"

#include <cstdarg>
#include <cstdio>
#include <string>

#include "foundation/Format.h"
#include "foundation/TextFunctions.h"
#include "foundation/TrackedHeap.h"
#include "platform/debug/DebugOutput.h"
#include "platform/time/Time.h"

LogState gLogState;

namespace {

// The base folder is the process's current directory as the file layer
// reports it, so it is a native path and opens as it is.
std::string LogFilePath() {
  std::string path = gLogState.baseFolder;
  if (!path.empty() && path.back() != '/' && path.back() != '\\') path += '/';
  path += gLogState.fileName;
  return path;
}

// Every lone "\n" becomes "\r\n". The first "\r\n" already in the text marks
// text that is converted already: from there on it is copied unchanged.
std::string ConvertLineFeeds(const char* text) {
  std::string out;
  const char* p = text;
  for (; *p != '\0'; ++p) {
    if (IsDoubleByteLead(static_cast<unsigned char>(*p)) && p[1] != '\0') {
      out += p[0];
      out += p[1];
      ++p;
      continue;
    }
    if (*p == '\n') {
      if (p != text && p[-1] == '\r') break;
      out += '\r';
    }
    out += *p;
  }
  out += p;
  return out;
}

// Deep nesting is a bug elsewhere; a cap keeps one runaway from writing
// megabytes of tabs.
constexpr int kMaxIndentTabs = 255;

}  // namespace

int LogStart() {
  if (gLogState.logOff != 0) return 1;
  // The library start has just noted the current directory as the base
  // folder, so this is Log.txt in the current directory.
  const std::string path = LogFilePath();
  (void)std::remove(path.c_str());  // a missing old log is fine
  if (std::FILE* file = std::fopen(path.c_str(), "wbx")) (void)std::fclose(file);
  gLogState.indentLevel = 0;
  gLogState.midLine = 0;
  gLogState.startTime = platform::Milliseconds();
  return 1;
}

int LogWrite(const char* text) {
  if (text == nullptr) text = "";
  const std::string converted = ConvertLineFeeds(text);
  if (gLogState.logOff != 0 || gLogState.baseFolder[0] == '\0') return -1;

  std::FILE* file = std::fopen(LogFilePath().c_str(), "ab");
  if (file == nullptr) return -1;
  if (gLogState.midLine == 0) {
    const uint32_t elapsed = platform::Milliseconds() - gLogState.startTime;
    (void)std::fprintf(file, "%d:", static_cast<int>(elapsed));
    if (gLogState.indentLevel > 0) {
      const int count = gLogState.indentLevel < kMaxIndentTabs ? gLogState.indentLevel : kMaxIndentTabs;
      const std::string tabs(static_cast<size_t>(count), '\t');
      (void)std::fwrite(tabs.data(), 1, tabs.size(), file);
      platform::DebugOutputWrite(tabs.c_str());
    }
  }
  // The log is best effort: a failed write must not stop the game.
  (void)std::fwrite(converted.data(), 1, converted.size(), file);
  (void)std::fclose(file);
  platform::DebugOutputWrite(converted.c_str());
  gLogState.midLine = (converted.empty() || converted.back() != '\n') ? 1 : 0;
  return -1;
}

int LogWriteFormat(const char* format, ...) {
  // One byte is kept back for the line feed that ends every formatted line.
  char buffer[1024];
  va_list args;
  va_start(args, format);
  const int length = FormatTextV(buffer, sizeof buffer - 1, format, args);
  va_end(args);
  const size_t end = length > 0 ? static_cast<size_t>(length) : 0;
  buffer[end] = '\n';
  buffer[end + 1] = '\0';
  return LogWrite(buffer);
}

int LogIndentIn() {
  ++gLogState.indentLevel;
  return 0;
}

int LogIndentOut() {
  if (gLogState.indentLevel > 0) --gLogState.indentLevel;
  return 0;
}

int LogMemoryTotals() {
  const int total = TrackedTotalBytes();
  return LogWriteFormat("\tTotal size:%d(%.3fkb)  Alloc num:%d", total, total / 1024.0, TrackedBlockCount());
}
