#pragma once

#include "platform/display/Dib.h"
#include "platform/window/Window.h"

// The window's device context. Its pixels are the window image: a 32-bit
// XRGB DIB of the client size that keeps what was last copied into the
// window, so that it can be read back. SetDibBitsToDevice and StretchDibBits
// on the context copy top-down 565 or XRGB rows into it (stretching when the
// sizes differ); releasing the context shows the image (the sdl backend
// uploads it to a streaming texture scaled by whole factors; headless only
// keeps it).
namespace platform {

DisplayContext GetWindowDc(WindowHandle window);
int ReleaseWindowDc(WindowHandle window, DisplayContext context);

// The window image as it stands (pitch = 4 x width, top row first); 0 when
// the window has none yet.
int DescribeWindowImage(WindowHandle window, DibDescription* out);
// Reads the image's top-left width x height pixels into bits laid out as
// info describes (the window context's BitBlt and GetDIBits); rows read.
int ReadWindowImageBits(WindowHandle window, int width, int height, void* bits, const BitmapInfo* info);
// Forgets the window image and the sdl texture (the window is going away).
void ForgetWindowImage();

}  // namespace platform
