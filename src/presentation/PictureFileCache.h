#pragma once

#include <string>
#include <vector>

struct Picture;
class PictureList;

// The image files of the numbered pictures, shared by all pictures and keyed
// by file name and division pair; seven lists of one length.
struct PictureFileCache {
  std::vector<std::string> fileNames;
  std::vector<int> wholeHandles;
  std::vector<int> xDivisions;  // as asked for
  std::vector<int> yDivisions;
  std::vector<std::vector<int>> cellHandles;  // the cells, without the whole graph
  std::vector<int> cellWidths;
  std::vector<int> cellHeights;
};
extern PictureFileCache gPictureFileCache;

// Gives the picture the graphs of `name` cut into xDiv by yDiv cells, from the
// cache or freshly loaded. False when the file does not load.
bool PictureControl(Picture& picture, const std::string& name, int xDiv, int yDiv);
// Reloads every entry after a device loss and gives every picture its graphs
// again; stops at the first file that does not load.
void RePictureControl(PictureList& list);
// The graphs of the picture's own file and divisions again (a window frame
// cut 3 by 3, keeping its size). False when the file does not load.
bool ReloadPictureImage(Picture& picture);
// Releases every entry of `name` unless a picture still shows it; with
// checkAll false, picture `number` (the one letting go) does not count.
void ReleasePictureFile(const std::string& name, bool checkAll, int number);
// Deletes every image the cache holds and empties its lists.
void ReleasePictureFileCache();
