#pragma once

// The file-layer steps of the library's start and end. They stand in until the
// file layer lands and are then replaced by its own header.
int ArchiveTableReset();
int FileLayerInstall(const void* table);
int FileLayerGetDirectory(char* buffer);
int FileLayerSetDirectory(const char* path);
int ArchiveShutdown();
void FillStreamFunctionTables();
