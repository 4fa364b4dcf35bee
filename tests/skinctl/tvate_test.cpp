#include "skinctl/tvate.h"

#include "common/runtime_error.h"
#include "tests/skinctl/synthetic_skin.h"
#include "tests/skinctl/test_support.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QPixmap>

#include <functional>
#include <string>
#include <vector>

namespace rz4::skinctl {
namespace {

using testskin::errorNumber;

using picture::Picture;
namespace skin = testskin;

// Records every event and change notification of a control, in the order they arrive.
class EventLog {
public:
    explicit EventLog(tVate& c) {
        QObject::connect(&c, &tVate::MouseOverCmd, [this] { add("MouseOverCmd"); });
        QObject::connect(&c, &tVate::MouseOutCmd, [this] { add("MouseOutCmd"); });
        QObject::connect(&c, &tVate::Changed, [this](std::int32_t& v, std::int32_t& m) {
            add("Changed " + std::to_string(v) + "/" + std::to_string(m));
        });
        QObject::connect(&c, &tVate::Done, [this](std::int32_t&, std::int32_t&) { add("Done"); });
        const auto mouse = [this](const char* name) {
            return [this, name](std::int16_t& b, std::int16_t& s, float& x, float& y) {
                add(std::string(name) + " " + std::to_string(b) + " " + std::to_string(s) + " " +
                    std::to_string(static_cast<int>(x)) + " " +
                    std::to_string(static_cast<int>(y)));
            };
        };
        QObject::connect(&c, &tVate::MouseMove, mouse("MouseMove"));
        QObject::connect(&c, &tVate::MouseUp, mouse("MouseUp"));
        QObject::connect(&c, &tVate::MouseDown, mouse("MouseDown"));
        QObject::connect(&c, &tVate::Click, [this] { add("Click"); });
        QObject::connect(&c, &tVate::DBClick, [this] { add("DBClick"); });
        QObject::connect(&c, &tVate::propertyChanged,
                         [this](const QString& name) { add("notify " + name.toStdString()); });
    }
    void add(std::string e) { m_events.push_back(std::move(e)); }
    std::vector<std::string> take() { return std::exchange(m_events, {}); }

private:
    std::vector<std::string> m_events;
};

void sendMouse(QWidget& w, QEvent::Type type, QPoint at, Qt::MouseButton button,
               Qt::MouseButtons held) {
    QMouseEvent event(type, QPointF(at), QPointF(w.mapToGlobal(at)), button, held, Qt::NoModifier);
    QApplication::sendEvent(&w, &event);
}

class TVateTest : public ::testing::Test {
protected:
    // The volume slider's set-up on a surface 1500 twips wide.
    void makeVolume() {
        control.setStyle(2);
        control.setCanMove(true);
        control.setBite_RP(2);
        control.setBite_LP(2);
        control.resize(100, 13);
        control.setValue(50);
        control.setPicture(Picture(skin::sliderSkin()), 5, 5, 1, 1, 12);
    }
    QRgb pixel(int x, int y) const { return control.composedImage().pixel(x, y); }

    tVate control;
};

TEST_F(TVateTest, CreationValues) {
    EXPECT_EQ(control.Max(), 100);
    EXPECT_EQ(control.Value(), 1);
    EXPECT_EQ(control.Style(), 2);
    EXPECT_TRUE(control.IsShowCmd());
    EXPECT_FALSE(control.CanMove());
    EXPECT_EQ(control.TopColor(), 0u);
    EXPECT_EQ(control.GotBottomColor(), 0u);
    EXPECT_EQ(control.Bite_LP(), 0);
    EXPECT_TRUE(control.Caption().isEmpty());
    EXPECT_EQ(control.CmdWidth(), 0);
}

TEST_F(TVateTest, WithoutASkinTheBackgroundShows) {
    control.resize(20, 10);
    control.setBackColor(0x0000FF);
    QImage corner(3, 2, QImage::Format_RGB32);
    corner.fill(qRgb(0, 90, 0));
    control.setBkPicture(Picture(corner)); // top-left, unstretched
    EXPECT_EQ(pixel(2, 1), qRgb(0, 90, 0));
    EXPECT_EQ(pixel(3, 1), qRgb(255, 0, 0));
    EXPECT_EQ(pixel(19, 9), qRgb(255, 0, 0));
    control.setStyle(3);
    EXPECT_EQ(pixel(10, 5), qRgb(255, 0, 0));
}

TEST_F(TVateTest, SkinGeometryAndComposedPixels) {
    makeVolume();
    EXPECT_EQ(control.ScaleWidth(), 1500);
    EXPECT_EQ(control.LeftPicWidth(), 75);
    EXPECT_EQ(control.RightPicWidth(), 75);
    EXPECT_EQ(control.CmdWidth(), 180);
    EXPECT_EQ(control.CmdHeight(), 13);
    EXPECT_FLOAT_EQ(control.CmdLeft(), 660.1F);
    // Caps keep their width, the track pieces meet at the thumb centre (pixel 50).
    EXPECT_EQ(pixel(0, 6), skin::LeftCap);
    EXPECT_EQ(pixel(4, 12), skin::LeftCap);
    EXPECT_EQ(pixel(5, 6), skin::Filled);
    EXPECT_EQ(pixel(43, 6), skin::Filled);
    EXPECT_EQ(pixel(56, 6), skin::Empty);
    EXPECT_EQ(pixel(94, 6), skin::Empty);
    EXPECT_EQ(pixel(95, 6), skin::RightCap);
    EXPECT_EQ(pixel(99, 0), skin::RightCap);
    // Frame 0 at pixel 44..55; its key-coloured corners show the track under it.
    EXPECT_EQ(pixel(44, 6), skin::Frames[0]);
    EXPECT_EQ(pixel(55, 6), skin::Frames[0]);
    EXPECT_EQ(pixel(44, 0), skin::Filled);
    EXPECT_EQ(pixel(55, 12), skin::Empty);
    // What is shown on screen is the kept image.
    EXPECT_EQ(control.grab().toImage().pixel(45, 6), skin::Frames[0]);
}

TEST_F(TVateTest, ThumbFrameFollowsTheMouseState) {
    makeVolume();
    control.UserControl_MouseMove(0, 0, 750, 90); // over the thumb
    EXPECT_EQ(pixel(45, 6), skin::Frames[1]);
    control.UserControl_MouseMove(0, 0, 300, 90); // beside it
    EXPECT_EQ(pixel(45, 6), skin::Frames[0]);
    control.UserControl_MouseDown(1, 0, 750.1F, 90);
    EXPECT_EQ(pixel(45, 6), skin::Frames[2]);
    control.UserControl_MouseUp(1, 0, 750.1F, 90);
    control.setEnabled(false);
    control.setValue(50);
    EXPECT_EQ(control.GetMouseState(), 3);
    EXPECT_EQ(pixel(45, 6), skin::Frames[3]);
    // A plain surface always shows frame 0.
    control.setEnabled(true);
    control.setCanMove(false);
    control.UserControl_MouseDown(1, 0, 750.1F, 90);
    control.setIsShowCmd(true);
    EXPECT_EQ(pixel(45, 6), skin::Frames[0]);
}

TEST_F(TVateTest, PressesSetTheValueUnderThePointer) {
    makeVolume();
    EventLog log(control);
    const auto press = [&](float x) {
        control.UserControl_MouseDown(1, 0, x, 90);
        control.UserControl_MouseUp(1, 0, x, 90);
        return control.Value();
    };
    EXPECT_EQ(press(660), 43);
    EXPECT_EQ(log.take()[2], "Changed 43/100");
    EXPECT_EQ(press(750.1F), 50);
    EXPECT_EQ(press(45), 0);
    EXPECT_EQ(press(1500), 100);
    EXPECT_EQ(press(657.75F), 42); // exactly 42.5
    // Beyond either end while dragging.
    control.UserControl_MouseDown(1, 0, 700, 90);
    control.UserControl_MouseMove(1, 0, -5000, 90);
    EXPECT_EQ(control.Value(), 0);
    control.UserControl_MouseMove(1, 0, 99999, 90);
    EXPECT_EQ(control.Value(), 100);
    control.UserControl_MouseUp(1, 0, 99999, 90);
    EXPECT_FALSE(control.IsMouseDown());
}

TEST_F(TVateTest, LeftClickOnASliderRaisesEventsInOrder) {
    makeVolume();
    control.show();
    EventLog log(control);
    sendMouse(control, QEvent::MouseButtonPress, {50, 6}, Qt::LeftButton, Qt::LeftButton);
    sendMouse(control, QEvent::MouseButtonRelease, {50, 6}, Qt::LeftButton, Qt::NoButton);
    const std::vector<std::string> expected = {
        "MouseDown 1 0 750 90", "MouseMove 1 0 750 90", "Changed 50/100", "MouseOverCmd",
        "MouseUp 1 0 750 90",   "MouseOverCmd",         "Click"};
    EXPECT_EQ(log.take(), expected);
}

TEST_F(TVateTest, PlainSurfacePassesEventsOnWithoutChangingAnything) {
    control.resize(40, 10);
    control.show();
    EventLog log(control);
    sendMouse(control, QEvent::MouseButtonPress, {3, 2}, Qt::LeftButton, Qt::LeftButton);
    sendMouse(control, QEvent::MouseButtonRelease, {3, 2}, Qt::LeftButton, Qt::NoButton);
    sendMouse(control, QEvent::MouseButtonDblClick, {3, 2}, Qt::LeftButton, Qt::LeftButton);
    sendMouse(control, QEvent::MouseButtonRelease, {3, 2}, Qt::LeftButton, Qt::NoButton);
    const std::vector<std::string> expected = {
        "MouseDown 1 0 45 30", "MouseMove 1 0 45 30", "MouseUp 1 0 45 30", "Click",
        "MouseDown 1 0 45 30", "MouseMove 1 0 45 30", "MouseUp 1 0 45 30", "DBClick"};
    EXPECT_EQ(log.take(), expected);
    EXPECT_EQ(control.Value(), 1);
    // Released outside: no click.
    sendMouse(control, QEvent::MouseButtonPress, {3, 2}, Qt::RightButton, Qt::RightButton);
    sendMouse(control, QEvent::MouseButtonRelease, {80, 2}, Qt::RightButton, Qt::NoButton);
    EXPECT_EQ(log.take(), (std::vector<std::string>{"MouseDown 2 0 45 30", "MouseUp 2 0 1200 30"}));
}

TEST_F(TVateTest, OnlyTheLeftButtonAloneDrags) {
    makeVolume();
    control.show();
    EventLog log(control);
    sendMouse(control, QEvent::MouseButtonPress, {80, 6}, Qt::RightButton, Qt::RightButton);
    sendMouse(control, QEvent::MouseMove, {90, 6}, Qt::NoButton, Qt::RightButton);
    sendMouse(control, QEvent::MouseMove, {90, 6}, Qt::NoButton, Qt::RightButton | Qt::LeftButton);
    EXPECT_EQ(control.Value(), 50);
    // Each move still repaints, which reports the thumb state.
    const std::vector<std::string> expected = {"MouseDown 2 0 1200 90", "MouseMove 2 0 1350 90",
                                               "MouseOutCmd", "MouseMove 3 0 1350 90",
                                               "MouseOutCmd"};
    EXPECT_EQ(log.take(), expected);
}

TEST_F(TVateTest, MouseDownHandlerCanMoveThePress) {
    makeVolume();
    QObject::connect(&control, &tVate::MouseDown,
                     [](std::int16_t&, std::int16_t&, float& x, float&) { x = 45; });
    control.UserControl_MouseDown(1, 0, 1400, 90);
    EXPECT_EQ(control.Value(), 0);
}

TEST_F(TVateTest, ValueWrites) {
    makeVolume();
    EventLog log(control);
    control.setValue(150);
    EXPECT_EQ(control.Value(), 150);
    EXPECT_EQ(log.take(),
              (std::vector<std::string>{"MouseOutCmd", "Changed 150/100", "notify Value"}));
    EXPECT_FLOAT_EQ(control.CmdLeft(), 1500 - 75 - 180 + 30 + 0.1F); // painted as 100
    control.setValue(-5);
    EXPECT_EQ(control.Value(), -5);
    EXPECT_FLOAT_EQ(control.CmdLeft(), 75 - 30 + 0.1F); // painted as 0

    // Held thumb: the write is dropped, the notification still goes out.
    control.UserControl_MouseDown(1, 0, 750.1F, 90);
    log.take();
    control.setValue(80);
    EXPECT_EQ(control.Value(), 50);
    EXPECT_EQ(log.take(), std::vector<std::string>{"notify Value"});
    control.UserControl_MouseMove(1, 0, 1500, 90); // the drag itself still stores
    EXPECT_EQ(control.Value(), 100);
    control.UserControl_MouseUp(1, 0, 1500, 90);
    control.setValue(80);
    EXPECT_EQ(control.Value(), 80);
}

TEST_F(TVateTest, ChangedHandlerWritesThroughWithoutRepaint) {
    makeVolume();
    QObject::connect(&control, &tVate::Changed, [](std::int32_t& v, std::int32_t&) { v = 30; });
    control.setValue(50);
    EXPECT_EQ(control.Value(), 30);
    EXPECT_FLOAT_EQ(control.CmdLeft(), 660.1F); // still where 50 was painted
}

TEST_F(TVateTest, PropertyWritesNotifyAndRepaintAsDocumented) {
    makeVolume();
    EventLog log(control);
    struct Write {
        const char* name;
        std::function<void()> write;
        bool repaints;
    };
    const std::vector<Write> writes = {
        {"Caption", [&] { control.setCaption("x"); }, false},
        {"cMouseIcon", [&] { control.setcMouseIcon(Picture(skin::sliderSkin())); }, false},
        {"cMousePointer", [&] { control.setcMousePointer(99); }, false},
        {"BKPicture", [&] { control.setBkPicture(Picture()); }, true},
        {"Appearance", [&] { control.setAppearance(1); }, false},
        {"BorderStyle", [&] { control.setBorderStyle(0); }, false},
        {"Style", [&] { control.setStyle(2); }, true},
        {"CanMove", [&] { control.setCanMove(true); }, true},
        {"TopColor", [&] { control.setTopColor(1); }, true},
        {"BottomColor", [&] { control.setBottomColor(2); }, true},
        {"GotTopColor", [&] { control.setGotTopColor(3); }, true},
        {"GotBottomColor", [&] { control.setGotBottomColor(4); }, true},
        {"Max", [&] { control.setMax(100); }, true},
        {"Bite_LP", [&] { control.setBite_LP(3); }, false},
        {"Bite_RP", [&] { control.setBite_RP(3); }, false},
        {"IsShowCmd", [&] { control.setIsShowCmd(true); }, true},
    };
    for (const Write& w : writes) {
        w.write();
        std::vector<std::string> expected;
        if (w.repaints) {
            expected.emplace_back("MouseOutCmd"); // every repaint of a slider reports its state
        }
        expected.push_back(std::string("notify ") + w.name);
        EXPECT_EQ(log.take(), expected) << w.name;
    }
    EXPECT_EQ(control.GotBottomColor(), 4u);
    EXPECT_EQ(control.BottomColor(), 2u);
    EXPECT_EQ(control.cursor().shape(), Qt::BitmapCursor);
}

TEST_F(TVateTest, BitesAreKeptInTwipsWithSixteenBitOverflow) {
    makeVolume();
    EventLog log(control);
    EXPECT_EQ(control.Bite_LP(), 2);
    control.setBite_LP(-2184);
    EXPECT_EQ(control.Bite_LP(), -2184);
    EXPECT_EQ(errorNumber([&] { control.setBite_LP(2185); }), common::err::Overflow);
    EXPECT_EQ(errorNumber([&] { control.setBite_RP(-2185); }), common::err::Overflow);
    EXPECT_EQ(control.Bite_LP(), -2184);
    EXPECT_EQ(control.Bite_RP(), 2);
    EXPECT_EQ(log.take(), std::vector<std::string>{"notify Bite_LP"});
}

TEST_F(TVateTest, MaxCorrections) {
    makeVolume();
    control.setMax(-5);
    EXPECT_EQ(control.Max(), 1);
    control.setMax(0); // stays 0, thumb at the left end of its travel
    EXPECT_EQ(control.Max(), 0);
    EXPECT_FLOAT_EQ(control.CmdLeft(), 75 + 90 - 30 + 0.1F - 90);
    EXPECT_EQ(pixel(0, 6), skin::LeftCap); // the track is drawn as usual
}

TEST_F(TVateTest, HiddenThumbStillPlacesCmdLeft) {
    makeVolume();
    control.setIsShowCmd(false);
    control.setValue(0);
    EXPECT_FLOAT_EQ(control.CmdLeft(), 75 - 30 + 0.1F - 90);
    // Position 45.1 (pixel 3) lies inside the left cap: the filled piece has negative width and
    // is not drawn, the empty piece starts at the thumb centre and covers the cap's end.
    EXPECT_EQ(pixel(2, 6), skin::LeftCap);
    for (int x = 3; x < 95; ++x) {
        ASSERT_EQ(pixel(x, 6), skin::Empty) << x;
    }
}

TEST_F(TVateTest, SetPictureVariants) {
    makeVolume();
    // A thumb of its own height and offset.
    control.setPicture(Picture(skin::sliderSkin()), 5, 5, 1, 1, 12, 5, 4);
    EXPECT_EQ(control.CmdHeight(), 5);
    EXPECT_EQ(pixel(45, 3), skin::Filled);
    EXPECT_EQ(pixel(45, 4), skin::Frames[0]);
    EXPECT_EQ(pixel(45, 8), skin::Frames[0]);
    EXPECT_EQ(pixel(45, 9), skin::Filled);
    // No thumb strip: no width, nothing drawn.
    control.setPicture(Picture(skin::sliderSkin()), 5, 5, 1, 1, 0);
    EXPECT_EQ(control.CmdWidth(), 0);
    EXPECT_EQ(pixel(45, 6), skin::Filled);
    // An empty picture changes nothing.
    control.setPicture(Picture(), 1, 1, 1, 1, 1);
    EXPECT_EQ(control.LeftPicWidth(), 75);
    // A cap 2185 px wide overflows in twips; what was assigned before stays.
    control.setPicture(Picture(skin::sliderSkin()), 5, 5, 1, 1, 12);
    EXPECT_EQ(errorNumber(
                  [&] { control.setPicture(Picture(skin::sliderSkin()), 2185, 5, 1, 1, 3, 7, 2); }),
              common::err::Overflow);
    EXPECT_EQ(control.CmdHeight(), 7);
    EXPECT_EQ(control.CmdWidth(), 45);
    EXPECT_EQ(control.LeftPicWidth(), 75);
    EXPECT_EQ(control.CmdTop(), 0);
}

TEST_F(TVateTest, PictureHelpers) {
    const Picture skinPicture(skin::sliderSkin());
    EXPECT_EQ(tVate::GetPictureWidth(skinPicture), 60);
    EXPECT_EQ(tVate::GetPictureHeight(skinPicture), 13);
    EXPECT_EQ(tVate::GetPictureWidth(Picture()), 0);
    const Picture frame2 = tVate::PicToPic(skinPicture, 36, 0, 12, 13);
    EXPECT_EQ(frame2.image().pixel(5, 5), skin::Frames[2]);
    EXPECT_EQ(errorNumber([&] { tVate::PicToPic(Picture(), 0, 0, 1, 1); }),
              common::err::InvalidArgument);
}

TEST_F(TVateTest, StyleThreeCropsTheMiddleSlicesUnstretched) {
    QImage wide(200, 13, QImage::Format_RGB32);
    for (int x = 0; x < 200; ++x) {
        for (int y = 0; y < 13; ++y) {
            wide.setPixel(x, y, x < 100 ? qRgb(x, 0, 0) : qRgb(0, x - 100, 9));
        }
    }
    control.resize(100, 13);
    control.setStyle(3);
    control.setValue(50);
    control.setPicture(Picture(wide), 0, 0, 100, 100, 0);
    EXPECT_EQ(pixel(10, 5), qRgb(10, 0, 0));
    EXPECT_EQ(pixel(49, 5), qRgb(49, 0, 0));
    EXPECT_EQ(pixel(50, 5), qRgb(0, 50, 9));
    EXPECT_EQ(pixel(99, 5), qRgb(0, 99, 9));
}

TEST_F(TVateTest, GradientStyleBands) {
    control.resize(100, 20); // 300 twips: bands of 2 px
    control.setStyle(0);
    control.setGotTopColor(0xFF0000);
    control.setGotBottomColor(0x000000);
    control.setTopColor(0x00FF00);
    control.setBottomColor(0x00FF00);
    control.setIsShowCmd(false);
    control.setValue(50); // position 750.1: pixel 50
    const std::array<int, 10> blues = {255, 230, 204, 178, 153, 128, 102, 76, 51, 26};
    for (int band = 0; band < 10; ++band) {
        EXPECT_EQ(pixel(10, band * 2), qRgb(0, 0, blues[static_cast<std::size_t>(band)]));
        EXPECT_EQ(pixel(49, band * 2 + 1), qRgb(0, 0, blues[static_cast<std::size_t>(band)]));
    }
    EXPECT_EQ(pixel(50, 0), qRgb(0, 255, 0));
    EXPECT_EQ(pixel(99, 19), qRgb(0, 255, 0));
    // A system colour cannot be split: that gradient is left out, the other still drawn.
    control.setBackColor(0x123456);
    control.setGotTopColor(0x80000005);
    EXPECT_EQ(pixel(10, 0), qRgb(0x56, 0x34, 0x12));
    EXPECT_EQ(pixel(60, 0), qRgb(0, 255, 0));
}

TEST_F(TVateTest, CaptionShowsAtTheNextRepaint) {
    control.resize(100, 30);
    control.setStyle(0);
    control.setIsShowCmd(false);
    control.setTopColor(0xFFFFFF);
    control.setBottomColor(0xFFFFFF);
    control.setGotTopColor(0xFFFFFF);
    control.setGotBottomColor(0xFFFFFF);
    const QImage blank = control.composedImage().copy();
    control.setCaption("WWW");
    EXPECT_EQ(control.composedImage(), blank);
    control.setMax(100);
    const QImage captioned = control.composedImage();
    int inked = 0;
    for (int y = 0; y < captioned.height(); ++y) {
        for (int x = 0; x < captioned.width(); ++x) {
            inked += captioned.pixel(x, y) != qRgb(255, 255, 255) ? 1 : 0;
            if (captioned.pixel(x, y) != qRgb(255, 255, 255)) {
                EXPECT_GT(x, 20) << "caption is centred";
                EXPECT_LT(x, 80) << "caption is centred";
            }
        }
    }
    EXPECT_GT(inked, 0);
}

TEST_F(TVateTest, HoverTimerNoticesThePointerLeaving) {
    makeVolume();
    QWidget* under = &control;
    control.setWidgetUnderPointer([&] { return under; });
    control.UserControl_MouseMove(0, 0, 750, 90);
    EXPECT_TRUE(control.IsMouseIn());
    EXPECT_TRUE(control.isHoverTimerActive());
    control.Timer1_Timer();
    EXPECT_TRUE(control.IsMouseIn());
    EXPECT_EQ(pixel(45, 6), skin::Frames[1]);

    // Another window on top counts as outside; the real timer notices it.
    QWidget cover;
    under = &cover;
    QElapsedTimer waited;
    waited.start();
    while (control.isHoverTimerActive() && waited.elapsed() < 5000) {
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    EXPECT_FALSE(control.IsMouseIn());
    EXPECT_FALSE(control.isHoverTimerActive());
    EXPECT_EQ(pixel(45, 6), skin::Frames[0]);
}

TEST_F(TVateTest, HeldThumbStaysHeldOutsideTheControl) {
    makeVolume();
    control.setWidgetUnderPointer([] { return nullptr; });
    control.UserControl_MouseDown(1, 0, 750.1F, 90);
    control.Timer1_Timer();
    EXPECT_FALSE(control.IsMouseIn());
    EXPECT_EQ(control.GetMouseState(), 2);
    control.UserControl_MouseUp(1, 0, 3000, 90);
    EXPECT_EQ(control.GetMouseState(), 0);
}

TEST_F(TVateTest, BorderTakesRoomFromTheSurface) {
    makeVolume();
    control.show();
    control.setBorderStyle(1);
    EXPECT_EQ(control.ScaleWidth(), 98 * 15);
    EXPECT_EQ(control.composedImage().size(), QSize(98, 11));
    EventLog log(control);
    sendMouse(control, QEvent::MouseButtonPress, {1, 1}, Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(log.take()[0], "MouseDown 1 0 0 0");
    const QImage shown = control.grab().toImage();
    EXPECT_EQ(shown.pixel(0, 0), control.palette().color(QPalette::Shadow).rgb());
    EXPECT_EQ(shown.pixel(1, 6), skin::LeftCap);
}

} // namespace
} // namespace rz4::skinctl
