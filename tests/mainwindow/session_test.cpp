#include "mainwindow/session.h"

#include <gtest/gtest.h>

using namespace rz4::mainwindow;

TEST(Session, WaylandRunsThroughXWaylandUnlessTheUserChose) {
    EXPECT_EQ(platformsToTry({"wayland", "wayland-0", false}), "xcb;wayland");
    EXPECT_EQ(platformsToTry({"", "wayland-0", false}), "xcb;wayland");
    EXPECT_EQ(platformsToTry({"wayland", "wayland-0", true}), std::nullopt);
    EXPECT_EQ(platformsToTry({"x11", "wayland-0", false}), std::nullopt);
    EXPECT_EQ(platformsToTry({"tty", "", false}), std::nullopt);
    EXPECT_EQ(platformsToTry({"", "", false}), std::nullopt);
}

TEST(Session, OnlyX11AndHeadlessPlatformsCanCarryThePlayer) {
    EXPECT_TRUE(platformShowsVideo("xcb"));
    EXPECT_TRUE(platformShowsVideo("offscreen"));
    for (const char* other : {"wayland", "wayland-egl", "eglfs", "vnc", ""}) {
        EXPECT_FALSE(platformShowsVideo(other)) << other;
    }
}

TEST(Session, PlatformArgumentIsReadAsQtReadsIt) {
    const char* plain[] = {"rz4tv", "-platform", "wayland"};
    const char* doubleDash[] = {"rz4tv", "--platform", "xcb"};
    const char* noValue[] = {"rz4tv", "-platform"};
    const char* otherOption[] = {"rz4tv", "-platformpluginpath", "/x", "wayland"};
    EXPECT_TRUE(platformArgumentGiven(3, plain));
    EXPECT_TRUE(platformArgumentGiven(3, doubleDash));
    EXPECT_FALSE(platformArgumentGiven(2, noValue));
    EXPECT_FALSE(platformArgumentGiven(4, otherOption));
}
