// Bytes opened as an Ogg Theora movie: page scan, headers, the decode
// thread, a few frames fetched across a wrap, and the close.
#include <cstdio>

#include "FuzzSupport.h"
#include "media/image/MovieSystem.h"
#include "media/image/TheoraDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = [] {
    fuzz::EnterScratchFolderWithArchives();
    BuildYuvTables();
    return true;
  }();
  (void)ready;
  if (FILE* out = std::fopen("movie.ogv", "wb")) {
    std::fwrite(data, 1, size, out);
    std::fclose(out);
  }
  const FileHandle file = FileLayerOpen("movie.ogv", 0, 0, 0);
  if (file == 0) return 0;
  if (TheoraDecoder* decoder = OpenTheoraDecoder(&gFileLayer, file, 10)) {
    for (int step : {1, 3, 7}) {
      AdvanceTheoraFrames(decoder, step);
      FetchTheoraFrame(decoder, 1, 1);
    }
    CloseTheoraDecoder(decoder);
  }
  FileLayerClose(file);
  return 0;
}
