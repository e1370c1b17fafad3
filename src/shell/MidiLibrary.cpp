#include "shell/MidiLibrary.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/dialogs/MessageBox.h"
#include "platform/modules/Modules.h"
#include "platform/text/Cp932Literal.h"

namespace {

constexpr std::array<const char*, 20> kEntryNames = {
    "GGSSetDevice",   "GGSLoadFile",   "GGSReadMemory",   "GGSAddList",    "GGSReadList",
    "GGSFlushList",   "GGSDeleteList", "GGSViewList",     "GGSPlay",       "GGSStop",
    "GGSPause",       "GGSSendReset",  "GGSMasterVolume", "GGSTempoDepth", "GGSPitchDepth",
    "GGSGetSMFDatas", "GGSGetStatus",  "GGSAddDLS",       "GGSCofigDlg",   "GGSFree"};
enum Entry {
  kSetDevice,
  kLoadFile,
  kReadMemory,
  kAddList,
  kReadList,
  kFlushList,
  kDeleteList,
  kViewList,
  kPlay,
  kStop,
  kPause,
  kSendReset,
  kMasterVolume,
  kTempoDepth,
  kPitchDepth,
  kGetSMFDatas,
  kGetStatus,
  kAddDLS,
  kCofigDlg,
  kFree
};

int gLibrary = 0;
std::array<platform::ModuleProc, 20> gEntries{};

template <typename F>
F EntryOf(Entry entry) {
  return reinterpret_cast<F>(gEntries[entry]);
}

}  // namespace

void LoadMidiLibrary() {
  std::string folder = std::filesystem::current_path().string();
  if (folder.size() > 511) folder.resize(511);
  const std::string path = folder + "\\GuruGuruSMF.dll";
  gLibrary = platform::LoadModule(path);
  gEntries.fill(nullptr);
  if (!gLibrary) {
    char text[1100];
    (void)std::snprintf(text, sizeof text,
                        Cp932<"GuruGuruSMF.dllがロードできませんでした。\n%s\n\nMIDI再生なしで起動します。">,
                        path.c_str());
    platform::ShowMessageBox(text, Cp932<"エラー">, platform::kMbOk);
    return;
  }
  for (size_t i = 0; i < kEntryNames.size(); ++i) gEntries[i] = platform::GetModuleProc(gLibrary, kEntryNames[i]);
}

bool IsMidiLibraryLoaded() { return gLibrary != 0; }

int GGSSetDevice(int device, int option) {
  if (!gLibrary) LoadMidiLibrary();
  auto f = EntryOf<int (*)(int, int)>(kSetDevice);
  return f ? f(device, option) : -1;
}

int GGSLoadFile(int a, int b) {
  auto f = EntryOf<int (*)(int, int)>(kLoadFile);
  return f ? f(a, b) : -1;
}

int GGSReadMemory(int a, int b, int c) {
  auto f = EntryOf<int (*)(int, int, int)>(kReadMemory);
  return f ? f(a, b, c) : -1;
}

int GGSAddList(int a, int b, int c) {
  auto f = EntryOf<int (*)(int, int, int)>(kAddList);
  return f ? f(a, b, c) : -1;
}

int GGSReadList(const void* image, int size, int option, int listId) {
  auto f = EntryOf<int (*)(const void*, int, int, int)>(kReadList);
  return f ? f(image, size, option, listId) : -1;
}

void GGSFlushList() {
  if (auto f = EntryOf<void (*)()>(kFlushList)) f();
}

void GGSDeleteList(int listId) {
  if (auto f = EntryOf<void (*)(int)>(kDeleteList)) f(listId);
}

const char* GGSViewList() {
  auto f = EntryOf<const char* (*)()>(kViewList);
  return f ? f() : "";
}

int GGSPlay(int option, int listId, int positionMs) {
  auto f = EntryOf<int (*)(int, int, int)>(kPlay);
  return f ? f(option, listId, positionMs) : -1;
}

void GGSStop() {
  if (auto f = EntryOf<void (*)()>(kStop)) f();
}

void GGSPause() {
  if (auto f = EntryOf<void (*)()>(kPause)) f();
}

void GGSSendReset(int a) {
  if (auto f = EntryOf<void (*)(int)>(kSendReset)) f(a);
}

void GGSMasterVolume(int value) {
  if (auto f = EntryOf<void (*)(int)>(kMasterVolume)) f(value);
}

void GGSTempoDepth(int value) {
  if (auto f = EntryOf<void (*)(int)>(kTempoDepth)) f(value);
}

void GGSPitchDepth(int value) {
  if (auto f = EntryOf<void (*)(int)>(kPitchDepth)) f(value);
}

int GGSGetSMFDatas(int a, int b) {
  auto f = EntryOf<int (*)(int, int)>(kGetSMFDatas);
  return f ? f(a, b) : -1;
}

int GGSGetStatus(int a) {
  auto f = EntryOf<int (*)(int)>(kGetStatus);
  return f ? f(a) : -1;
}

void GGSAddDLS(int a) {
  if (auto f = EntryOf<void (*)(int)>(kAddDLS)) f(a);
}

void GGSCofigDlg(int a) {
  if (auto f = EntryOf<void (*)(int)>(kCofigDlg)) f(a);
}

void GGSFree() {
  if (!gLibrary) return;
  if (auto f = EntryOf<void (*)()>(kFree)) f();
  platform::FreeModule(gLibrary);
  gLibrary = 0;
  gEntries.fill(nullptr);
}

int MidiTempoOfFrequency(int percent) {
  return percent >= 100 ? (percent - 100) / 2 : static_cast<int>(2 * int64_t{percent} - 200);
}
