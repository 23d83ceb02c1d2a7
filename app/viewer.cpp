// PLACEHOLDER: replaced by the viewer core.
#include "app/viewer.h"

namespace brindle {
uint16_t startAngleFromDegrees(int16_t degrees) {
    return static_cast<uint16_t>(static_cast<int32_t>(degrees * startAngleFactor));
}
int32_t startViewer(Viewer&, const ViewerOptions&, std::string& error) {
    error = "not built yet";
    return -1;
}
bool moveViewer(Viewer&, const KeyPoll&) { return false; }
void tick(Viewer&, const KeyPoll&, const Present&) {}
}  // namespace brindle
