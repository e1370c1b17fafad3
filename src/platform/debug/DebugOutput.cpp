#include "platform/debug/DebugOutput.h"

#include <mutex>

namespace platform {

namespace {
std::mutex gSinkMutex;
std::function<void(const std::string&)> gSink;
}  // namespace

void DebugOutputWrite(const char* text) {
  if (text == nullptr) return;
  std::lock_guard lock(gSinkMutex);
  if (gSink) gSink(text);
}

void SetDebugOutputSink(std::function<void(const std::string&)> sink) {
  std::lock_guard lock(gSinkMutex);
  gSink = std::move(sink);
}

}  // namespace platform
