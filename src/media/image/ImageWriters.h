#pragma once

#include "media/image/GraphImage.h"

// Writers of BMP, PNG and JPEG files. File names are used as given (system
// paths). A failed write or close gives -1 and leaves no partial file.
int WriteGraphImageBmp(const char* fileName, GraphImage* image);
int WritePngFile(const char* fileName, GraphImage* image, int compressionLevel);
int WriteJpegFile(const char* fileName, GraphImage* image, int quality, int option);
