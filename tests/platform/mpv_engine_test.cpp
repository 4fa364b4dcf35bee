#include "platform/mpv_engine.h"
#include "platform/mpv_library.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace rz4::platform;

// libmpv is not built with the sanitizer: what it keeps until the process ends is not ours.
extern "C" const char*
__asan_default_options() { // NOLINT(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)
    return "detect_leaks=0";
}

namespace {

class MpvEngineTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_lib = openMpvLibrary().result();
        ASSERT_NE(s_lib, nullptr);
        ASSERT_TRUE(s_dir.isValid());
        // One second of picture and sound, a real file for the engine to play to its end.
        QProcess ffmpeg;
        ffmpeg.start("ffmpeg", {"-loglevel", "error", "-f", "lavfi", "-i",
                                "testsrc2=duration=1:size=160x120:rate=25", "-f", "lavfi", "-i",
                                "sine=duration=1", "-c:v", "libx264", "-preset", "ultrafast",
                                "-c:a", "aac", s_dir.filePath("clip.ts")});
        ASSERT_TRUE(ffmpeg.waitForFinished(30000));
        ASSERT_EQ(ffmpeg.exitCode(), 0);
    }

    static const MpvLibrary* s_lib;
    static QTemporaryDir s_dir;
    MpvEngine m_engine;
    const MpvEngine::Setup m_setup{.headless = true, .volume = 30, .mute = true};
};

const MpvLibrary* MpvEngineTest::s_lib = nullptr;
QTemporaryDir MpvEngineTest::s_dir;

} // namespace

TEST_F(MpvEngineTest, PlaysAFileToItsEndAndTellsEachStepInOrder) {
    ASSERT_TRUE(m_engine.start(*s_lib, m_setup));
    EXPECT_EQ(m_engine.property("volume").toDouble(), 30);
    EXPECT_EQ(m_engine.property("mute"), "yes");

    QStringList steps;
    QObject::connect(&m_engine, &MpvEngine::fileStarted, [&] { steps << "started"; });
    QObject::connect(&m_engine, &MpvEngine::framesShown, [&] { steps << "frames"; });
    QSignalSpy ended(&m_engine, &MpvEngine::ended);
    m_engine.load(s_dir.filePath("clip.ts"));
    ASSERT_TRUE(ended.wait(20000));
    EXPECT_EQ(ended.at(0).at(0).value<EndReason>(), EndReason::Eof);
    EXPECT_FALSE(ended.at(0).at(1).toBool());
    ASSERT_GE(steps.size(), 2);
    EXPECT_EQ(steps.first(), "started");
    EXPECT_TRUE(steps.contains("frames"));
}

TEST_F(MpvEngineTest, WhatCannotBePlayedEndsInAnErrorThatSaysWhy) {
    ASSERT_TRUE(m_engine.start(*s_lib, m_setup));
    QFile text(s_dir.filePath("notes.txt"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write(QByteArray(4096, 'x'));
    text.close();

    QSignalSpy ended(&m_engine, &MpvEngine::ended);
    m_engine.load(text.fileName());
    ASSERT_TRUE(ended.wait(20000));
    EXPECT_EQ(ended.at(0).at(0).value<EndReason>(), EndReason::Error);
    EXPECT_TRUE(ended.at(0).at(1).toBool()); // no format the engine knows
}

TEST_F(MpvEngineTest, AStoppedEngineTellsNothingMoreAndStartsAgain) {
    QSignalSpy handled(&m_engine, &MpvEngine::eventHandled);
    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(m_engine.start(*s_lib, m_setup));
        m_engine.load(s_dir.filePath("clip.ts"));
        m_engine.stop(); // its wakeups may still be on their way
        EXPECT_FALSE(m_engine.running());
        EXPECT_EQ(m_engine.property("volume"), QString());
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(handled.count(), 0);
}

TEST_F(MpvEngineTest, ACodecDecodedInSoftwareIsNotLookedAtForHardwareAgain) {
    ASSERT_TRUE(m_engine.start(*s_lib, m_setup));
    ASSERT_TRUE(m_engine.property("hwdec-codecs").split(',').contains("h264"));
    // Looped, so that the engine hears how it is decoded however late it reads its events.
    m_engine.setOption("loop-file", "inf");
    m_engine.load(s_dir.filePath("clip.ts"));
    QString decodedBy;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !(decodedBy = m_engine.property("hwdec-current")).isEmpty(); }, 20000));
    const bool inHardware = decodedBy != "no";
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return m_engine.property("hwdec-codecs").split(',').contains("h264") == inHardware; },
        10000));
}
