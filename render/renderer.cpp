// Construction and destruction of the renderer: the view-vertex array sized for the loaded
// level, the tables, and the frame's surface.
#include <algorithm>

#include "render/renderer.h"

namespace brindle {

Renderer::Renderer(WindowHandle w, WadArchive* a) : window(w), archive(a) {
    // The level is loaded before the renderer exists; a later, larger level would need a new
    // renderer (setView never transforms more vertices than this array holds).
    viewVertices.resize(static_cast<size_t>(std::max(archive->vertexCount, 0)));
    buildTables();
    createFrameBuffer();
}

Renderer::~Renderer() {
    releaseFrameBuffer();
}

}  // namespace brindle
