#include "mainwindow/taskbar_height.h"
#include "mainwindow/tooltips.h"
#include "mainwindow/tray.h"
#include "mainwindow/visibility_marker.h"
#include "mainwindow/window_commands.h"

#include "common/runtime_error.h"

#include <gtest/gtest.h>

using namespace rz4::mainwindow;

TEST(WindowCommands, TooltipsNameTheNextClick) {
    EXPECT_EQ(onTopTip(false), tip::OnTop);
    EXPECT_EQ(onTopTip(true), tip::NotOnTop);
    EXPECT_EQ(sizeTip(false), tip::Maximise);
    EXPECT_EQ(sizeTip(true), tip::Restore);
}

TEST(WindowCommands, MaximiseThenRestoreCentresTheDesignSize) {
    int asked = 0;
    const auto taskbar = [&asked]() -> std::int16_t {
        ++asked;
        return 390;
    };
    const TwipRect max = windowRect(true, 19200, 12000, taskbar);
    EXPECT_FLOAT_EQ(max.left, 0);
    EXPECT_FLOAT_EQ(max.top, 0);
    EXPECT_FLOAT_EQ(max.width, 19200);
    EXPECT_FLOAT_EQ(max.height, 11610);

    const TwipRect restore = windowRect(false, 19200, 12000, taskbar);
    EXPECT_FLOAT_EQ(restore.left, (19200 - 9345) / 2.0F);
    EXPECT_FLOAT_EQ(restore.top, (12000 - 6750) / 2.0F);
    EXPECT_FLOAT_EQ(restore.width, 9345);
    EXPECT_FLOAT_EQ(restore.height, 6750);
    EXPECT_EQ(asked, 1); // restoring needs no taskbar
}

TEST(WindowCommands, TaskbarHeightFromTheWorkArea) {
    // 1280 × 800 screen, 26-pixel taskbar at the bottom: the work area ends at 774.
    EXPECT_EQ(taskbarHeightTwips(774, 800 * 15.0, 15), 390);
    // Taskbar at the top: the work area reaches the bottom of the screen.
    EXPECT_EQ(taskbarHeightTwips(800, 800 * 15.0, 15), 0);
    // The maximised window then ends exactly at the taskbar, or has the full height.
    EXPECT_FLOAT_EQ(
        windowRect(true, 19200, 12000, [] { return taskbarHeightTwips(774, 12000, 15); }).height /
            15,
        774);
    EXPECT_FLOAT_EQ(
        windowRect(true, 19200, 12000, [] { return taskbarHeightTwips(800, 12000, 15); }).height /
            15,
        800);
}

TEST(WindowCommands, TaskbarHeightRoundsHalfToEvenAndOverflows) {
    // A factor that makes halves: the result is rounded to the even neighbour.
    EXPECT_EQ(taskbarHeightTwips(39, 100, 2.5), 2); // (40 - 39) × 2.5 = 2.5 → 2
    EXPECT_EQ(taskbarHeightTwips(37, 100, 2.5), 8); // 7.5 → 8
    EXPECT_EQ(taskbarHeightTwips(0, 32767, 1), 32767);
    EXPECT_THROW(taskbarHeightTwips(0, 32768, 1), rz4::common::RuntimeError);
    EXPECT_THROW(taskbarHeightTwips(5000, 0, 15), rz4::common::RuntimeError);
}

TEST(TrayIcon, OnlyALeftPressTogglesTheWindow) {
    for (TrayClick click :
         {TrayClick::DoubleClick, TrayClick::Right, TrayClick::Middle, TrayClick::Other}) {
        EXPECT_EQ(trayAction(click, true), TrayAction::None);
        EXPECT_EQ(trayAction(click, false), TrayAction::None);
    }
    EXPECT_EQ(trayAction(TrayClick::Left, true), TrayAction::Hide);
    EXPECT_EQ(trayAction(TrayClick::Left, false), TrayAction::Show);
    EXPECT_EQ(marker::of(true), marker::Shown);
    EXPECT_EQ(marker::of(false), marker::Hidden);
}

TEST(TrayIcon, DoubleClickTogglesOnce) {
    bool shown = true;
    for (TrayClick click : {TrayClick::Left, TrayClick::DoubleClick}) {
        switch (trayAction(click, shown)) {
        case TrayAction::Hide:
            shown = false;
            break;
        case TrayAction::Show:
            shown = true;
            break;
        case TrayAction::None:
            break;
        }
    }
    EXPECT_FALSE(shown);
}
