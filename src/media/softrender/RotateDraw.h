#pragma once

#include "media/softrender/MemImg.h"

// Draws the whole source turned by angle (radians, clockwise on the screen)
// and scaled by scale about the destination point (centerX, centerY), where
// the source's centre lands. With turn set the image is mirrored left to
// right and drawn through MemImgDrawQuad. Honours the drawing state of
// gDrawState like every software draw. A null source, a scale of 0 or a
// non-finite angle or scale draws nothing.
void MemImgDrawRotated(MEMIMG* dest, const MEMIMG* source, int centerX, int centerY, float angle, float scale,
                       int transparent, int turn, const MEMIMG* blendImage);
