// Construction and destruction of the renderer: the view-vertex array sized for the loaded
// level, the tables, and the frame's surface.
#include <algorithm>

#include "render/renderer.h"

#include "render/game_look/game_look.h"
#include "render/game_look/helper_thread.h"

namespace brindle {

Renderer::Renderer(WindowHandle w, WadArchive* a) : window(w), archive(a) {
    // The level is loaded before the renderer exists; another level loaded later needs
    // fitLevel (setView never transforms more vertices than this array holds).
    fitLevel();
    frameThreads = HelperThread::worthwhile() ? 2 : 1;
    buildTables();
    createFrameBuffer();
}

void Renderer::fitLevel() {
    viewVertices.assign(static_cast<size_t>(std::max(archive->vertexCount, 0)), ViewVertex{});
}

Renderer::~Renderer() {
    releaseFrameBuffer();
}

}  // namespace brindle
