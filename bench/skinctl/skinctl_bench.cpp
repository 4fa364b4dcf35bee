// Cost of recomposing the volume slider (1335 twips wide, 60 × 13 skin), once as a plain Redraw
// and once as a drag step (mouse move with the left button: value, Changed, Redraw), against a
// plain QPainter::drawImage of the same area. Every mouse move repaints the whole control, so a
// drag step has to stay far below a millisecond.
#include "skinctl/tvate.h"
#include "tests/skinctl/synthetic_skin.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>

namespace {

using rz4::skinctl::tVate;

// Best of several rounds, in nanoseconds per call.
double nanosPerCall(const std::function<void(int)>& body, int calls) {
    double best = 1e300;
    for (int round = 0; round < 7; ++round) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < calls; ++i) {
            body(i);
        }
        const std::chrono::duration<double, std::nano> took =
            std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count() / calls);
    }
    return best;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);

    tVate volume;
    volume.setStyle(2);
    volume.setCanMove(true);
    volume.setBite_RP(2);
    volume.setBite_LP(2);
    volume.resize(1335 / 15, 13);
    volume.setValue(50);
    volume.setPicture(rz4::picture::Picture(rz4::testskin::sliderSkin()), 5, 5, 1, 1, 12);

    constexpr int calls = 20000;
    const double redraw = nanosPerCall([&](int) { volume.Redraw(); }, calls);

    volume.UserControl_MouseDown(1, 0, 600, 90);
    const double drag = nanosPerCall(
        [&](int i) { volume.UserControl_MouseMove(1, 0, static_cast<float>(100 + i % 1200), 90); },
        calls);
    volume.UserControl_MouseUp(1, 0, 600, 90);

    const QImage source = volume.composedImage().copy();
    QImage target(source.size(), QImage::Format_RGB32);
    const double baseline = nanosPerCall(
        [&](int) {
            QPainter painter(&target);
            painter.drawImage(0, 0, source);
        },
        calls);

    std::printf("slider %d x %d px, skin 60 x 13\n", source.width(), source.height());
    std::printf("drawImage baseline: %8.0f ns\n", baseline);
    std::printf("Redraw:             %8.0f ns  (%.1f x baseline)\n", redraw, redraw / baseline);
    std::printf("drag step:          %8.0f ns  (%.1f x baseline)\n", drag, drag / baseline);
    return 0;
}
