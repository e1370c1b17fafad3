#pragma once

#include <string>
#include <vector>

namespace platform {

// Run-time libraries in place of LoadLibrary, GetProcAddress and FreeLibrary.
// Nothing is loaded from disk: a library's file name (any folder, any case)
// picks a built-in module, a table of entry points by name. Callers cast an
// entry to its own function type.
using ModuleProc = void (*)();
struct ModuleEntry {
  std::string name;
  ModuleProc proc = nullptr;
};

// File names of the built-in modules.
constexpr const char* kMidiModuleName = "GuruGuruSMF.dll";
constexpr const char* kSpeechModuleName = "AquesTalk.dll";

// A module handle above 0, or 0 when no module has that file name.
int LoadModule(const std::string& path);
ModuleProc GetModuleProc(int module, const std::string& name);
void FreeModule(int module);
int LoadedModuleCount();

// Tests: replace a module's entry table (a file name not built in becomes
// loadable), take a module away, or restore the built-in set.
void RegisterModule(const std::string& fileName, std::vector<ModuleEntry> entries);
void WithdrawModule(const std::string& fileName);
void ResetModules();

// The built-in MIDI module's entry points over the synthesiser (platform/midi).
std::vector<ModuleEntry> MidiModuleEntries();
// The built-in speech module: Japanese text-to-speech (espeak-ng) giving
// RIFF WAVE images of 16-bit mono PCM.
std::vector<ModuleEntry> SpeechModuleEntries();

}  // namespace platform
