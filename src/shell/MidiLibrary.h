#pragma once

// The MIDI library, loaded at run time. Each wrapper calls its entry point
// when the library gave one and otherwise answers a fixed value, so the game
// runs on without MIDI.
int GGSSetDevice(int device, int option);  // loads the library on first use
int GGSLoadFile(int a, int b);
int GGSReadMemory(int a, int b, int c);
int GGSAddList(int a, int b, int c);
int GGSReadList(const void* image, int size, int option, int listId);
void GGSFlushList();
void GGSDeleteList(int listId);
const char* GGSViewList();
int GGSPlay(int option, int listId, int positionMs);
void GGSStop();
void GGSPause();
void GGSSendReset(int a);
void GGSMasterVolume(int value);
void GGSTempoDepth(int value);
void GGSPitchDepth(int value);
int GGSGetSMFDatas(int a, int b);
int GGSGetStatus(int a);
void GGSAddDLS(int a);
void GGSCofigDlg(int a);
// Calls the library's own GGSFree and unloads it; nothing when not loaded.
void GGSFree();

// Loads the library from the current directory (a box when it is missing).
void LoadMidiLibrary();
bool IsMidiLibraryLoaded();

// The tempo value sent for a frequency percent.
int MidiTempoOfFrequency(int percent);
