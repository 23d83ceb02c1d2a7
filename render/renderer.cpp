// PLACEHOLDER: replaced by the renderer implementation.
#include "render/renderer.h"

namespace brindle {

Renderer::Renderer(WindowHandle w, WadArchive* a) : window(w), archive(a) {
    viewVertices.resize(static_cast<size_t>(archive->vertexCount));
    createFrameBuffer();
}
Renderer::~Renderer() { releaseFrameBuffer(); }
int16_t Renderer::buildTables() { return 1; }
int32_t Renderer::angleOf(int32_t, int32_t) const { return 0; }
int32_t Renderer::distance(int32_t, int32_t) const { return 0; }
int16_t Renderer::setView(int16_t, int16_t, int16_t) { return 0; }
int16_t Renderer::sectorAt(int16_t, int16_t) const { return 0; }
int32_t Renderer::pointOnNodeSide(int16_t, int16_t, int16_t) const { return 0; }
int32_t Renderer::pointOnLineSide(int16_t, int16_t, int16_t) const { return 0; }
int32_t Renderer::boxVisible(int16_t, int16_t, int16_t, int16_t) const { return 1; }
void Renderer::renderFrame() { clearFrame(0); }
int16_t Renderer::renderNode(uint16_t) { return 1; }
int16_t Renderer::renderSubsector(int16_t) { return 1; }
int16_t Renderer::drawWallFromTop(int16_t, int16_t, int16_t, int16_t, int16_t, int16_t, int16_t,
                                  const char*, int32_t, int16_t, int32_t, int32_t) {
    return 0;
}
int16_t Renderer::drawWallFromBottom(int16_t, int16_t, int16_t, int16_t, int16_t, int16_t,
                                     int16_t, const char*, int32_t, int16_t, int32_t, int32_t) {
    return 0;
}
int16_t Renderer::fillFloor(uint16_t, uint16_t, int16_t) { return 1; }

}  // namespace brindle
