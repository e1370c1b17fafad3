#pragma once

// The game's callback after a loss of the graphics device: the media layer's
// file graphs, both window skins, the graphic cache, the icon list and the
// picture files are loaded again, in that order.
void RestoreGraphics();
