#include "mainwindow/taskbar_height.h"
#include "mainwindow/tooltips.h"
#include "mainwindow/tray.h"
#include "mainwindow/visibility_marker.h"
#include "mainwindow/window_commands.h"

#include "common/runtime_error.h"

#include <gtest/gtest.h>

using namespace rz4::mainwindow;

TEST(WindowCommands, OnTopTooltipAlwaysNamesTheNextClick) {
    std::u16string tooltip(tip::OnTop);
    bool onTop = false;
    for (int click = 0; click < 4; ++click) {
        const OnTopStep step = onTopCommand(tooltip);
        onTop = step.onTop;
        tooltip = step.nextTip;
        EXPECT_EQ(tooltip, onTop ? tip::NotOnTop : tip::OnTop);
    }
    EXPECT_FALSE(onTop);
    // Any text other than the exact "on top" wording counts as "currently on top".
    EXPECT_FALSE(onTopCommand(u"窗口置顶 ").onTop);
}

TEST(WindowCommands, MaximiseThenRestoreCentresTheDesignSize) {
    int asked = 0;
    const auto taskbar = [&asked]() -> std::int16_t {
        ++asked;
        return 390;
    };
    const SizeStep max = sizeCommand(tip::Maximise, 19200, 12000, taskbar);
    EXPECT_EQ(max.nextTip, tip::Restore);
    EXPECT_FLOAT_EQ(max.window.left, 0);
    EXPECT_FLOAT_EQ(max.window.top, 0);
    EXPECT_FLOAT_EQ(max.window.width, 19200);
    EXPECT_FLOAT_EQ(max.window.height, 11610);

    const SizeStep restore = sizeCommand(max.nextTip, 19200, 12000, taskbar);
    EXPECT_EQ(restore.nextTip, tip::Maximise);
    EXPECT_FLOAT_EQ(restore.window.left, (19200 - 9345) / 2.0F);
    EXPECT_FLOAT_EQ(restore.window.top, (12000 - 6750) / 2.0F);
    EXPECT_FLOAT_EQ(restore.window.width, 9345);
    EXPECT_FLOAT_EQ(restore.window.height, 6750);
    EXPECT_EQ(asked, 1); // restoring needs no taskbar
}

TEST(WindowCommands, TaskbarHeightFromTheWorkArea) {
    // 1280 × 800 screen, 26-pixel taskbar at the bottom: the work area ends at 774.
    EXPECT_EQ(taskbarHeightTwips(774, 800 * 15.0, 15), 390);
    // Taskbar at the top: the work area reaches the bottom of the screen.
    EXPECT_EQ(taskbarHeightTwips(800, 800 * 15.0, 15), 0);
    // The maximised window then ends exactly at the taskbar, or has the full height.
    EXPECT_FLOAT_EQ(sizeCommand(
                        tip::Maximise, 19200, 12000,
                        [] {
                            return taskbarHeightTwips(774, 12000, 15);
                        }).window.height /
                        15,
                    774);
    EXPECT_FLOAT_EQ(sizeCommand(
                        tip::Maximise, 19200, 12000,
                        [] {
                            return taskbarHeightTwips(800, 12000, 15);
                        }).window.height /
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
        EXPECT_EQ(trayAction(click, marker::Shown), TrayAction::None);
        EXPECT_EQ(trayAction(click, marker::Hidden), TrayAction::None);
    }
    EXPECT_EQ(trayAction(TrayClick::Left, marker::Shown), TrayAction::Hide);
    EXPECT_EQ(trayAction(TrayClick::Left, marker::Hidden), TrayAction::Show);
    // Any marker that is not exactly "shown" brings the window back.
    EXPECT_EQ(trayAction(TrayClick::Left, u""), TrayAction::Show);
}

TEST(TrayIcon, DoubleClickTogglesOnce) {
    std::u16string m(marker::Shown);
    for (TrayClick click : {TrayClick::Left, TrayClick::DoubleClick}) {
        switch (trayAction(click, m)) {
        case TrayAction::Hide:
            m = marker::Hidden;
            break;
        case TrayAction::Show:
            m = marker::Shown;
            break;
        case TrayAction::None:
            break;
        }
    }
    EXPECT_EQ(m, marker::Hidden);
}
