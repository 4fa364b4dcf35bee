#include "resources/resources.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

struct Picture {
    QString path;
    int width;
    int height;
    bool opaque; // 24-bit RGB; otherwise RGB with alpha
};

// What the window and the slider are laid out for: one pixel more or less shifts the skin.
const Picture kPictures[] = {
    {"skin/image1.png", 125, 61, true},     {"skin/image2.png", 38, 61, true},
    {"skin/image3.png", 208, 30, true},     {"skin/image4.png", 8, 30, true},
    {"skin/image5.png", 99, 50, true},      {"skin/image6.png", 25, 50, true},
    {"skin/image7.png", 80, 50, true},      {"skin/image8.png", 8, 30, true},
    {"skin/image10.png", 18, 61, true},     {"skin/image11.png", 8, 30, true},
    {"skin/image12.png", 197, 34, true},    {"skin/image13.png", 204, 9, true},
    {"skin/bitmap101.png", 60, 13, true},   {"tree/jie.png", 16, 16, false},
    {"tree/jia.png", 16, 16, false},        {"icon/rz4tv.png", 48, 48, true},
    {"icon/rz4tv-16.png", 16, 16, true},    {"icon/rz4tv-22.png", 22, 22, true},
    {"icon/rz4tv-24.png", 24, 24, true},    {"icon/rz4tv-32.png", 32, 32, true},
    {"icon/rz4tv-64.png", 64, 64, true},    {"icon/rz4tv-128.png", 128, 128, true},
    {"icon/rz4tv-256.png", 256, 256, true},
};

constexpr QRgb kKey = 0xff00ff;

class Resources : public ::testing::Test {
protected:
    static void SetUpTestSuite() { rz4::resources::init(); }

    static QImage compiled(const QString& path) {
        return QImage(":/" + path).convertToFormat(QImage::Format_ARGB32);
    }
};

TEST_F(Resources, EveryPictureIsCompiledInAtItsSizeAndDepth) {
    for (const auto& pic : kPictures) {
        SCOPED_TRACE(pic.path.toStdString());
        QFile file(":/" + pic.path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray png = file.readAll();
        ASSERT_GT(png.size(), 26);
        ASSERT_TRUE(png.startsWith("\x89PNG\r\n\x1a\n"));
        ASSERT_EQ(png.mid(12, 4), QByteArray("IHDR"));
        EXPECT_EQ(png[24], 8) << "bits per channel";
        EXPECT_EQ(png[25], pic.opaque ? 2 : 6) << "PNG colour type";
        const QImage img = QImage::fromData(png, "PNG");
        EXPECT_EQ(img.size(), QSize(pic.width, pic.height));
        if (!pic.opaque) { // the tree's background and its selection must show around the picture
            EXPECT_EQ(qAlpha(img.pixel(0, 0)), 0);
        }
    }
}

TEST_F(Resources, StretchedPiecesVaryOnlyAcrossTheirStretch) {
    // The window scales these in both directions; detail along the stretch would smear.
    for (const char* path : {"skin/image2.png", "skin/image6.png"}) {
        SCOPED_TRACE(path);
        const QImage img = compiled(path);
        for (int x = 1; x < img.width(); ++x)
            for (int y = 0; y < img.height(); ++y)
                ASSERT_EQ(img.pixel(x, y), img.pixel(0, y)) << x << "," << y;
    }
    for (const char* path : {"skin/image4.png", "skin/image8.png", "skin/image11.png"}) {
        SCOPED_TRACE(path);
        const QImage img = compiled(path);
        for (int y = 1; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                ASSERT_EQ(img.pixel(x, y), img.pixel(x, 0)) << x << "," << y;
    }
}

TEST_F(Resources, SliderKnobsAreCutOutWithTheExactKeyColour) {
    const QImage skin = compiled("skin/bitmap101.png");
    const auto rgb = [&](int x, int y) { return skin.pixel(x, y) & 0xffffff; };
    for (int x = 0; x < 12; ++x)
        for (int y = 0; y < 13; ++y)
            ASSERT_NE(rgb(x, y), kKey) << "groove and caps are copied without a key";
    for (int frame = 0; frame < 4; ++frame) {
        SCOPED_TRACE(frame);
        const int left = 12 + 12 * frame;
        for (const auto& [x, y] : {std::pair{0, 0}, {11, 0}, {0, 12}, {11, 12}, {5, 0}, {0, 2}})
            EXPECT_EQ(rgb(left + x, y), kKey) << x << "," << y;
        int knobPixels = 0;
        for (int y = 0; y < 13; ++y) {
            for (int x = 0; x < 12; ++x) {
                const QRgb c = rgb(left + x, y);
                const double dx = x + 0.5 - 6.0, dy = y + 0.5 - 6.5;
                if (std::hypot(dx, dy) < 4.5) {
                    ASSERT_NE(c, kKey) << "hole in the knob at " << x << "," << y;
                }
                if (c == kKey)
                    continue;
                ++knobPixels;
                // A blend with the key would show as a pink fringe on the groove.
                const int pinkness = std::min(qRed(c), qBlue(c)) - qGreen(c);
                EXPECT_LT(pinkness, 40) << "key colour bled into " << x << "," << y;
            }
        }
        EXPECT_GT(knobPixels, 80); // round, about 11 pixels across
        EXPECT_LT(knobPixels, 120);
    }
}

TEST_F(Resources, GeneratorRedrawsTheCommittedPicturesExactly) {
    QTemporaryDir out;
    ASSERT_TRUE(out.isValid());
    QProcess generator;
    generator.start(RZ4_SKIN_GENERATOR, {out.path()});
    ASSERT_TRUE(generator.waitForFinished(-1));
    ASSERT_EQ(generator.exitCode(), 0) << generator.readAllStandardError().toStdString();

    QStringList written;
    for (QDirIterator it(out.path(), QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
        written << QDir(out.path()).relativeFilePath(it.next());
    QStringList expected;
    for (const auto& pic : kPictures)
        expected << pic.path;
    written.sort();
    expected.sort();
    EXPECT_EQ(written, expected) << "the generator and the compiled list disagree";

    for (const auto& pic : kPictures) {
        SCOPED_TRACE(pic.path.toStdString());
        const QImage committed(QStringLiteral(RZ4_RESOURCE_DIR "/") + pic.path);
        const QImage fresh(out.filePath(pic.path));
        ASSERT_FALSE(committed.isNull());
        ASSERT_FALSE(fresh.isNull());
        EXPECT_EQ(fresh.convertToFormat(QImage::Format_ARGB32),
                  committed.convertToFormat(QImage::Format_ARGB32));
        EXPECT_EQ(compiled(pic.path), committed.convertToFormat(QImage::Format_ARGB32))
            << "the build compiled in a stale copy";
    }
}

TEST_F(Resources, GeneratorFailsLoudlyWhereItCannotWrite) {
    QTemporaryDir out;
    ASSERT_TRUE(out.isValid());
    QFile blocker(out.filePath("skin"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly)); // a file where the folder should go
    blocker.close();
    QProcess generator;
    generator.start(RZ4_SKIN_GENERATOR, {out.path()});
    ASSERT_TRUE(generator.waitForFinished(-1));
    EXPECT_NE(generator.exitCode(), 0);
    EXPECT_TRUE(generator.readAllStandardError().contains("skin"));
}

} // namespace
