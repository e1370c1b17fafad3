#pragma once

// The public function layer: the game runtime's only way into the media layer.
// Each family of entries has its own header; the game runtime includes this
// one alone.
#include "media/graphics/PublicGraphics.h"
#include "media/image/PublicFonts.h"
#include "media/image/PublicImages.h"
#include "media/sound/PublicSound.h"
#include "media/system/PublicFiles.h"
#include "media/system/PublicInput.h"
#include "media/system/PublicSystem.h"
