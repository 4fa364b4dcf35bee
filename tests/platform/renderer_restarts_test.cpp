#include "platform/renderer_restarts.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;
using rz4::platform::RendererRestarts;

TEST(RendererRestarts, AtOnceThenBackingOffWhileRenderersDieYoung) {
    RendererRestarts restarts;
    EXPECT_EQ(restarts.pauseAfterDeath(2h), 0ms);
    EXPECT_EQ(restarts.pauseAfterDeath(1s), 1s);
    EXPECT_EQ(restarts.pauseAfterDeath(1s), 2s);
    for (int i = 0; i < 20; ++i)
        restarts.pauseAfterDeath(1s);
    // Capped: a page that kills every renderer never makes a tight loop, nor a pane left dead.
    EXPECT_EQ(restarts.pauseAfterDeath(1s), 30s);
    // A renderer that lived long died of something else: the next load is at once again.
    EXPECT_EQ(restarts.pauseAfterDeath(RendererRestarts::settledLife), 0ms);
    EXPECT_EQ(restarts.pauseAfterDeath(0ms), 1s);
}
