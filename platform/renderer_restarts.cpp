#include "platform/renderer_restarts.h"

#include "platform/playback.h"

namespace rz4::platform {

std::chrono::milliseconds RendererRestarts::pauseAfterDeath(std::chrono::milliseconds lived) {
    if (lived >= settledLife) {
        m_quickDeaths = 0;
    }
    const int deaths = m_quickDeaths++;
    return deaths == 0 ? std::chrono::milliseconds(0) : PlaybackState::backoff(deaths);
}

} // namespace rz4::platform
