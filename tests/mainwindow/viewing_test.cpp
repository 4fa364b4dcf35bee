#include "mainwindow/viewing.h"

#include "standard_items.h"

#include <QSignalSpy>
#include <QStandardItemModel>

#include <gtest/gtest.h>

using namespace rz4::mainwindow;
using rz4::platform::PlayState;
using rz4::testing::node;
using rz4::testing::Tag;

namespace {

// Writes down what it is asked to do, one line a command.
struct RecordingPlatform final : ViewingPlatform {
    QStringList calls;
    void open(const Channel& c) override { calls << "open " + c.address; }
    void playAgain() override { calls << "play"; }
    void stop() override { calls << "stop"; }
    void pause() override { calls << "pause"; }
    void seekBy(double s) override { calls << QStringLiteral("seek by %1").arg(s); }
    void seekTo(double s) override { calls << QStringLiteral("seek to %1").arg(s); }
    void goLive() override { calls << "live"; }
    void setRecording(bool on, bool fromStart) override {
        calls << QStringLiteral("record %1 %2").arg(on).arg(fromStart);
    }
    void setVolume(int v) override { calls << QStringLiteral("volume %1").arg(v); }
    void setMute(bool on) override { calls << QStringLiteral("mute %1").arg(on); }
    void setFullScreen(bool on) override { calls << QStringLiteral("full screen %1").arg(on); }
    void setOnTop(bool on) override { calls << QStringLiteral("on top %1").arg(on); }
    void setMaximised(bool on) override { calls << QStringLiteral("maximised %1").arg(on); }
    void setShown(bool on) override { calls << QStringLiteral("shown %1").arg(on); }
    QStringList take() { return std::exchange(calls, {}); }
};

class ViewingTest : public ::testing::Test {
protected:
    ViewingTest() {
        m_model.appendRow(node("新闻", {}, {node("综合", {}, {m_one, m_two})}));
        m_model.appendRow(node("地方", {}, {node("城市", {}, {m_three})}));
    }

    QStandardItem* m_one = node("一台", "http://s/1");
    QStandardItem* m_two = node("二台", "http://s/2");
    QStandardItem* m_three = node("三台", "http://s/3");
    QStandardItemModel m_model;
    RecordingPlatform m_platform;
    Viewing m_viewing{m_platform, m_model, Tag};
};

} // namespace

TEST_F(ViewingTest, AChannelIsOpenedWithItsNameAndGroupAndAGroupIsNotAChannel) {
    QSignalSpy changed(&m_viewing, &Viewing::channelChanged);
    EXPECT_FALSE(m_viewing.playChannel(m_model.index(0, 0)));
    EXPECT_FALSE(m_viewing.playChannel({}));
    EXPECT_TRUE(m_platform.take().isEmpty());

    EXPECT_TRUE(m_viewing.playChannel(m_two->index()));
    EXPECT_EQ(m_platform.take(), QStringList{"open http://s/2"});
    const Channel& on = m_viewing.channel();
    EXPECT_EQ(on.node, m_two->index());
    EXPECT_EQ(on.name, "二台");
    EXPECT_EQ(on.group, "综合");
    EXPECT_EQ(on.address, "http://s/2");
    // Chosen again, it opens again, but nothing changed for the views.
    EXPECT_TRUE(m_viewing.playChannel(m_two->index()));
    EXPECT_EQ(m_platform.take(), QStringList{"open http://s/2"});
    EXPECT_EQ(changed.count(), 1);
}

TEST_F(ViewingTest, NeighboursFollowTheTreeOrderFromTheGivenNode) {
    EXPECT_TRUE(m_viewing.playAdjacent(Direction::Next, {}));
    EXPECT_TRUE(m_viewing.playAdjacent(Direction::Next, m_two->index()));
    EXPECT_TRUE(m_viewing.playAdjacent(Direction::Previous, m_one->index()));
    EXPECT_EQ(m_platform.take(),
              (QStringList{"open http://s/1", "open http://s/3", "open http://s/3"}));
    EXPECT_EQ(m_viewing.channel().group, "城市");

    QStandardItemModel empty;
    Viewing none(m_platform, empty, Tag);
    EXPECT_FALSE(none.playAdjacent(Direction::Next, {}));
    EXPECT_TRUE(m_platform.take().isEmpty());
}

TEST_F(ViewingTest, FullScreenIsEnteredOnlyWhilePlayingAndFollowsThePlayer) {
    QSignalSpy played(&m_viewing, &Viewing::playStateChanged);
    QSignalSpy full(&m_viewing, &Viewing::fullScreenChanged);
    m_viewing.setFullScreen(true);
    m_viewing.reportPlayState(PlayState::Buffering);
    m_viewing.setFullScreen(true);
    EXPECT_TRUE(m_platform.take().isEmpty());

    m_viewing.reportPlayState(PlayState::Playing);
    m_viewing.reportPlayState(PlayState::Playing);
    m_viewing.setFullScreen(true);
    EXPECT_EQ(m_platform.take(), QStringList{"full screen 1"});
    EXPECT_FALSE(m_viewing.fullScreen()); // until the player says so
    m_viewing.reportFullScreen(true);
    m_viewing.reportFullScreen(true);
    EXPECT_TRUE(m_viewing.fullScreen());

    // Leaving is always possible, even once the stream has stopped.
    m_viewing.reportPlayState(PlayState::Stopped);
    m_viewing.setFullScreen(false);
    EXPECT_EQ(m_platform.take(), QStringList{"full screen 0"});
    EXPECT_EQ(played.count(), 3);
    EXPECT_EQ(full.count(), 1);
}

TEST_F(ViewingTest, VolumeIsKeptInRangeAndToldEveryTimeButSignalledOnChange) {
    QSignalSpy changed(&m_viewing, &Viewing::volumeChanged);
    m_viewing.setVolume(0); // the player may not know it yet
    m_viewing.setVolume(140);
    m_viewing.setVolume(-5);
    m_viewing.toggleMute();
    m_viewing.toggleMute();
    EXPECT_EQ(m_platform.take(),
              (QStringList{"volume 0", "volume 100", "volume 0", "mute 1", "mute 0"}));
    EXPECT_EQ(changed.count(), 2);
    EXPECT_EQ(m_viewing.volume(), 0);
    EXPECT_FALSE(m_viewing.mute());
}

TEST_F(ViewingTest, WindowStatesToggleAndAreToldBeforeTheViews) {
    QStringList seen;
    const auto watch = [&](auto signal, const char* name) {
        QObject::connect(&m_viewing, signal,
                         [&, name] { seen << m_platform.calls.join(',') + " > " + name; });
    };
    watch(&Viewing::onTopChanged, "on top");
    watch(&Viewing::maximisedChanged, "maximised");
    watch(&Viewing::shownChanged, "shown");
    m_viewing.toggleOnTop();
    m_viewing.toggleMaximised();
    m_viewing.setShown(false);
    EXPECT_EQ(seen, (QStringList{"on top 1 > on top", "on top 1,maximised 1 > maximised",
                                 "on top 1,maximised 1,shown 0 > shown"}));
    EXPECT_TRUE(m_viewing.onTop());
    EXPECT_TRUE(m_viewing.maximised());
    EXPECT_FALSE(m_viewing.shown());
    m_viewing.toggleOnTop();
    m_viewing.setShown(true);
    EXPECT_FALSE(m_viewing.onTop());
    EXPECT_TRUE(m_viewing.shown());
}

TEST_F(ViewingTest, SeeksNeedABufferAndRecordingTogglesOnWhatThePlayerReports) {
    QSignalSpy shifted(&m_viewing, &Viewing::timeShiftChanged);
    m_viewing.seekBy(-10);
    m_viewing.seekTo(5);
    m_viewing.goLive();
    m_viewing.pause();
    EXPECT_EQ(m_platform.take(), QStringList{"pause"}) << "a pause without a buffer still stops";

    rz4::platform::TimeShiftView held;
    held.available = true;
    m_viewing.reportTimeShift(held);
    m_viewing.reportTimeShift(held);
    EXPECT_EQ(shifted.count(), 1);
    m_viewing.seekBy(-10);
    m_viewing.seekTo(5);
    m_viewing.goLive();
    EXPECT_EQ(m_platform.take(), (QStringList{"seek by -10", "seek to 5", "live"}));

    m_viewing.toggleRecording(true);
    rz4::platform::RecordingView on;
    on.on = true;
    m_viewing.reportRecording(on);
    m_viewing.toggleRecording(true);
    EXPECT_EQ(m_platform.take(), (QStringList{"record 1 1", "record 0 1"}));
}
