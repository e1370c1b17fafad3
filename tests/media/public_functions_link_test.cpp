#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "media/PublicFunctions.h"

// Every entry of the public function layer is declared by the one public
// header and defined in the media library: taking each address makes the
// link fail when one is missing.
namespace {

struct Entry {
  const char* name;
  void (*address)();
};

#define PUBLIC_ENTRY(function) \
  Entry { #function, reinterpret_cast < void (*)()>(&function) }

const std::vector<Entry>& PublicEntries() {
  static const std::vector<Entry> entries = {
      PUBLIC_ENTRY(StartMediaLibrary),
      PUBLIC_ENTRY(EndMediaLibrary),
      PUBLIC_ENTRY(RunMessageLoopRound),
      PUBLIC_ENTRY(EnableLibraryLog),
      PUBLIC_ENTRY(OpenFileForRead),
      PUBLIC_ENTRY(GetFileSizeByName),
      PUBLIC_ENTRY(FileLayerClose),
      PUBLIC_ENTRY(ReadFileBlock),
      PUBLIC_ENTRY(ReadFileLine),
      PUBLIC_ENTRY(ArchiveUseSet),
      PUBLIC_ENTRY(ArchiveExtensionSet),
      PUBLIC_ENTRY(ArchiveKeyStringSet),
      PUBLIC_ENTRY(IsMainWindowActive),
      PUBLIC_ENTRY(IsMouseCursorShown),
      PUBLIC_ENTRY(GetWindowScale),
      PUBLIC_ENTRY(ChangeWindowMode),
      PUBLIC_ENTRY(SetMainWindowTitle),
      PUBLIC_ENTRY(SetRunWhileInactive),
      PUBLIC_ENTRY(SetMainWindowIcon),
      PUBLIC_ENTRY(SetWindowScale),
      PUBLIC_ENTRY(ShowMouseCursor),
      PUBLIC_ENTRY(GetMousePosition),
      PUBLIC_ENTRY(SetMousePosition),
      PUBLIC_ENTRY(GetMouseButtons),
      PUBLIC_ENTRY(TakeMouseWheelCount),
      PUBLIC_ENTRY(MillisecondClock),
      PUBLIC_ENTRY(SetTextEntryColors),
      PUBLIC_ENTRY(CreateTextEntry),
      PUBLIC_ENTRY(DeleteTextEntry),
      PUBLIC_ENTRY(ActivateTextEntry),
      PUBLIC_ENTRY(GetTextEntryState),
      PUBLIC_ENTRY(DrawTextEntry),
      PUBLIC_ENTRY(SetTextEntryString),
      PUBLIC_ENTRY(GetTextEntryString),
      PUBLIC_ENTRY(CheckAnyInput),
      PUBLIC_ENTRY(GetKeyboardSnapshot),
      PUBLIC_ENTRY(GetPadButtons),
      PUBLIC_ENTRY(WaitMillisecondsPumping),
      PUBLIC_ENTRY(WaitForKeyPress),
      PUBLIC_ENTRY(SetHardwareRendering),
      PUBLIC_ENTRY(EnableDirectDraw),
      PUBLIC_ENTRY(GetDisplayPixelFormat),
      PUBLIC_ENTRY(GetDisplayRefreshRate),
      PUBLIC_ENTRY(PresentFrame),
      PUBLIC_ENTRY(PresentBackScreen),
      PUBLIC_ENTRY(SetScreenResolution),
      PUBLIC_ENTRY(SaveScreenAreaPng),
      PUBLIC_ENTRY(CreateBlankGraph),
      PUBLIC_ENTRY(ReleaseGraph),
      PUBLIC_ENTRY(GetGraphCount),
      PUBLIC_ENTRY(ReleaseAllGraphs),
      PUBLIC_ENTRY(ReloadGraphsNow),
      PUBLIC_ENTRY(ClearDrawTarget),
      PUBLIC_ENTRY(PutGraph),
      PUBLIC_ENTRY(PutGraphStretched),
      PUBLIC_ENTRY(PutGraphRotated),
      PUBLIC_ENTRY(PutGraphPart),
      PUBLIC_ENTRY(DrawBlendGraph),
      PUBLIC_ENTRY(PutBox),
      PUBLIC_ENTRY(SetDrawSampling),
      PUBLIC_ENTRY(SetBlendState),
      PUBLIC_ENTRY(SetDrawTint),
      PUBLIC_ENTRY(SelectDrawTarget),
      PUBLIC_ENTRY(SetUse3DForNewGraphs),
      PUBLIC_ENTRY(SetGraphRestoreCallback),
      PUBLIC_ENTRY(CaptureScreenToGraph),
      PUBLIC_ENTRY(QueryGraphSize),
      PUBLIC_ENTRY(IsHardware3DActive),
      PUBLIC_ENTRY(CreateSubGraph),
      PUBLIC_ENTRY(ReadImageFileToAlphaGraph),
      PUBLIC_ENTRY(CreateGraphFromMemoryImage),
      PUBLIC_ENTRY(SetTransparentColorKey),
      PUBLIC_ENTRY(MakePixelFormatRecord),
      PUBLIC_ENTRY(PackColor),
      PUBLIC_ENTRY(DrawTextDefaultFont),
      PUBLIC_ENTRY(DrawTextWithFont),
      PUBLIC_ENTRY(DrawTextFormatted),
      PUBLIC_ENTRY(DrawScaledTextWithFont),
      PUBLIC_ENTRY(EnumFontFaceNames),
      PUBLIC_ENTRY(ResetFontSystem),
      PUBLIC_ENTRY(CreateFontToHandle),
      PUBLIC_ENTRY(SetDefaultFontSize),
      PUBLIC_ENTRY(SetDefaultFontThickness),
      PUBLIC_ENTRY(SetDefaultFontFace),
      PUBLIC_ENTRY(SetDefaultFontType),
      PUBLIC_ENTRY(MeasureTextDefaultFont),
      PUBLIC_ENTRY(MeasureTextWithFont),
      PUBLIC_ENTRY(FreeAllSoftImageHandles),
      PUBLIC_ENTRY(AllocXRGB8GraphImage),
      PUBLIC_ENTRY(FreeGraphImage),
      PUBLIC_ENTRY(DecompressDxtGraphImage),
      PUBLIC_ENTRY(SetColorFormatFromMasks),
      PUBLIC_ENTRY(DeleteAllSoundHandles),
      PUBLIC_ENTRY(LoadSoundFromImage),
      PUBLIC_ENTRY(LoadSoundFromImageSingle),
      PUBLIC_ENTRY(DeleteSoundHandle),
      PUBLIC_ENTRY(PlaySoundHandle),
      PUBLIC_ENTRY(StopSoundHandle),
      PUBLIC_ENTRY(IsSoundHandlePlaying),
      PUBLIC_ENTRY(SetSoundHandleVolume),
      PUBLIC_ENTRY(SetSoundHandleFrequency),
      PUBLIC_ENTRY(GetSoundHandleSampleRate),
      PUBLIC_ENTRY(SetSoundHandlePlayTime),
      PUBLIC_ENTRY(GetSoundHandlePlayTimeMs),
      PUBLIC_ENTRY(GetSoundHandleLengthMs),
      PUBLIC_ENTRY(SetLoopPointMs),
      PUBLIC_ENTRY(SetSoundLoadKind),
  };
  return entries;
}

TEST(PublicFunctions, AllEntriesLinkUnderTheirOwnNames) {
  const std::vector<Entry>& entries = PublicEntries();
  EXPECT_EQ(entries.size(), 107u);
  std::set<std::string> names;
  std::set<void (*)()> addresses;
  for (const Entry& entry : entries) {
    EXPECT_NE(entry.address, nullptr) << entry.name;
    EXPECT_TRUE(names.insert(entry.name).second) << entry.name;
    EXPECT_TRUE(addresses.insert(entry.address).second) << entry.name << " shares its body with another entry";
  }
}

}  // namespace
