// The game look worked out pixel by pixel, straight from its definition, to hold the
// renderer's fast path to. Slow: every plane pixel's point is found and sent down the tree.
#pragma once

#include "render/renderer.h"

namespace brindle::test {

// Draws the game-look frame of the renderer's current view into its frame buffer. The walls
// come from the renderer's drawers (lit); everything else is computed here.
void renderGameLookByDefinition(Renderer& renderer);

}  // namespace brindle::test
