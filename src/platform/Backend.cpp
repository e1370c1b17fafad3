#include "platform/Backend.h"

#include <atomic>

namespace platform {

namespace {
std::atomic<Backend> gBackend{Backend::Sdl};
}

void SetBackend(Backend backend) { gBackend.store(backend); }
Backend GetBackend() { return gBackend.load(); }

}  // namespace platform
