#pragma once

namespace platform {

// Every facility that touches the outside world (window, display, input,
// audio, clipboard, IME, dialogs, clock) has two backends behind one
// interface. The player uses Sdl; unit tests switch to Headless before they
// touch anything, so nothing blocks and time only moves when a test says so.
enum class Backend { Sdl, Headless };

void SetBackend(Backend backend);
Backend GetBackend();
inline bool IsHeadless() { return GetBackend() == Backend::Headless; }

}  // namespace platform
