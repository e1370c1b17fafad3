#pragma once

#include <map>
#include <string>
#include <vector>

// Images of the data folder loaded once by file name and cut into equal
// cells; the map view and inline text images take their handles from here.
struct GraphicCache {
  // Entry index by file name (byte order; letter case counts).
  std::map<std::string, int> nameIndex;
  // Per entry: element 0 the whole image, then the cells row by row.
  std::vector<std::vector<int>> cellHandles;
  std::vector<int> xDivisions;
  std::vector<int> yDivisions;
};
extern GraphicCache gGraphicCache;

// Mode 0: a by b cells; mode 1: cells of a by b pixels. True when the file is
// cached (also when it was already, and for an empty name).
bool LoadGraphic(const std::string& name, int a, int b, int mode);
// Loads outside the cache; with cellList and more than one cell the list is
// refilled (whole graph first, then the cells). The graph, or -1.
int LoadGraphicSP(const std::string& name, int xDiv, int yDiv, std::vector<int>* cellList, bool silent);
// Reloads every cached file after a device loss; false at the first that fails.
bool ReLoadGraphic();
bool ReleaseAllGraphics();
// The whole graph of a cached name, or -1.
int CachedWholeGraph(const std::string& name);

// Shared by the loaders of every presentation cache.
// Reads the data-folder file `name` whole and makes its graph: -1 when it does
// not open, is empty or short, or does not decode.
int ReadGraphFile(const std::string& name);
// Appends the xDiv by yDiv cells of `whole` to `list`, row by row; an axis
// whose cells would be 0 pixels cuts none.
void CutGraph(int whole, int xDiv, int yDiv, std::vector<int>& list);
// The missing-file box of every graphic loader.
void ShowFileErrorBox(const std::string& text);
