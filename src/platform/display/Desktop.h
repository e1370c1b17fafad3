#pragma once

namespace platform {

// The desktop's colour depth as the start-up asks for it: 32 or 16.
int DesktopColorDepth();

// The client area a maximised window gets on the main display: the desktop
// without the panels the desktop keeps for itself.
void GetUsableDesktopArea(int* width, int* height);

// Headless backend: the usable area reported; width or height 0 follows the
// headless desktop (shell/window) less 30 pixels of panel at the bottom.
void SetHeadlessUsableDesktop(int width, int height);

}  // namespace platform
