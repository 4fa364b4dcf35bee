#include "platform/media_state.h"

#include <gtest/gtest.h>

using namespace rz4::platform;

TEST(MediaState, AChannelOnItsWayIsPlayingButOnlyPicturesKeepTheScreenAwake) {
    for (const PlayState s : {PlayState::Transitioning, PlayState::Buffering, PlayState::Playing,
                              PlayState::Reconnecting}) {
        EXPECT_EQ(playbackStatus(s), PlaybackStatus::Playing) << static_cast<int>(s);
    }
    EXPECT_EQ(playbackStatus(PlayState::Paused), PlaybackStatus::Paused);
    // The start-up picture and a failed channel alike.
    EXPECT_EQ(playbackStatus(PlayState::Ready), PlaybackStatus::Stopped);
    EXPECT_EQ(playbackStatus(PlayState::Stopped), PlaybackStatus::Stopped);

    EXPECT_TRUE(keepsScreenAwake(PlayState::Playing));
    EXPECT_TRUE(keepsScreenAwake(PlayState::Buffering));
    for (const PlayState s : {PlayState::Ready, PlayState::Transitioning, PlayState::Paused,
                              PlayState::Stopped, PlayState::Reconnecting}) {
        EXPECT_FALSE(keepsScreenAwake(s)) << static_cast<int>(s);
    }
}
