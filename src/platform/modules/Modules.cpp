#include "platform/modules/Modules.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <mutex>

namespace platform {

namespace {

std::string FoldedFileName(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return name;
}

struct Registry {
  std::mutex lock;
  bool filled = false;
  std::map<std::string, std::vector<ModuleEntry>> modules;  // by folded file name
  std::map<int, std::vector<ModuleEntry>> loaded;           // by handle: the table at load time
  int nextHandle = 1;
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

void FillBuiltIns(Registry& r) {
  if (r.filled) return;
  r.filled = true;
  r.modules[FoldedFileName(kMidiModuleName)] = MidiModuleEntries();
  r.modules[FoldedFileName(kSpeechModuleName)] = SpeechModuleEntries();
}

}  // namespace

int LoadModule(const std::string& path) {
  Registry& r = TheRegistry();
  std::lock_guard guard(r.lock);
  FillBuiltIns(r);
  const auto found = r.modules.find(FoldedFileName(path));
  if (found == r.modules.end()) return 0;
  const int handle = r.nextHandle++;
  r.loaded[handle] = found->second;
  return handle;
}

ModuleProc GetModuleProc(int module, const std::string& name) {
  Registry& r = TheRegistry();
  std::lock_guard guard(r.lock);
  const auto found = r.loaded.find(module);
  if (found == r.loaded.end()) return nullptr;
  for (const ModuleEntry& entry : found->second)
    if (entry.name == name) return entry.proc;
  return nullptr;
}

void FreeModule(int module) {
  Registry& r = TheRegistry();
  std::lock_guard guard(r.lock);
  r.loaded.erase(module);
}

int LoadedModuleCount() {
  Registry& r = TheRegistry();
  std::lock_guard guard(r.lock);
  return static_cast<int>(r.loaded.size());
}

void RegisterModule(const std::string& fileName, std::vector<ModuleEntry> entries) {
  Registry& r = TheRegistry();
  std::lock_guard guard(r.lock);
  FillBuiltIns(r);
  r.modules[FoldedFileName(fileName)] = std::move(entries);
}

void WithdrawModule(const std::string& fileName) {
  Registry& r = TheRegistry();
  std::lock_guard guard(r.lock);
  FillBuiltIns(r);
  r.modules.erase(FoldedFileName(fileName));
}

void ResetModules() {
  Registry& r = TheRegistry();
  std::lock_guard guard(r.lock);
  r.modules.clear();
  r.filled = false;
  FillBuiltIns(r);
}

}  // namespace platform
