#pragma once

#include <chrono>

namespace rz4::platform {

// When the web pane loads its page again after its renderer died: at once the first time, then
// after a growing pause while renderers keep dying soon after they start, so that a page that
// kills every renderer costs one start every half minute, not a start after start.
class RendererRestarts {
public:
    // A renderer that lived this long died of something else: the count starts again.
    static constexpr std::chrono::seconds settledLife{60};

    // The pause before the next load, given how long the renderer that died had lived.
    std::chrono::milliseconds pauseAfterDeath(std::chrono::milliseconds lived);

private:
    int m_quickDeaths = 0;
};

} // namespace rz4::platform
