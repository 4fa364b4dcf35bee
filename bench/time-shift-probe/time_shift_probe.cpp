// The time-shift as the viewer sees it: our player in a real window on a live channel whose frames
// carry their number in binary along the top (live_channel.sh --counter), read back from the
// screen. Times pause, resume, seeks of ten seconds and back to live to the picture, checks that
// resuming shows the frame that was held, and what a long pause costs in memory and on disk.
// Usage: time_shift_probe URL [--pause-seconds N] [--long-pause-seconds N]
// time_shift_probe --engine-options [--time-shift] prints the engine's options for mpv.
#include "bench/probe_window.h"
#include "bench/pss.h"
#include "platform/engine_options.h"
#include "platform/malloc_arenas.h"
#include "platform/player.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QThread>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

using rz4::platform::Player;
using rz4::platform::PlayState;

namespace {

constexpr int Bits = 16;
constexpr double TargetMs = 150;

// The frame number on screen, or -1 when the stripe is not there.
class Counter {
public:
    explicit Counter(const QWidget& video) : m_video(video) {}

    int read() const {
        const double scale = std::min(m_video.width() / 320.0, m_video.height() / 240.0);
        const QPoint origin =
            m_video.mapToGlobal(QPoint(static_cast<int>((m_video.width() - 320 * scale) / 2),
                                       static_cast<int>((m_video.height() - 240 * scale) / 2)));
        const int y = static_cast<int>(8 * scale);
        const QImage row =
            QGuiApplication::primaryScreen()
                ->grabWindow(0, origin.x(), origin.y() + y, static_cast<int>(320 * scale), 1)
                .toImage();
        if (row.width() < static_cast<int>(320 * scale) - 1) {
            return -1;
        }
        int n = 0;
        for (int bit = 0; bit < Bits; ++bit) {
            const QRgb p = row.pixel(static_cast<int>((20 * bit + 10) * scale), 0);
            const int grey = qGray(p);
            if (grey > 60 && grey < 190) {
                return -1; // a block half drawn, or no stripe
            }
            n |= (grey >= 190 ? 1 : 0) << bit;
        }
        return n;
    }

private:
    const QWidget& m_video;
};

void spin(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(2);
    }
}

// Milliseconds from `start` until the counter satisfies `done`; -1 when it does not in 5 s.
template <typename Done>
double untilPicture(const Counter& c, const QElapsedTimer& start, Done done, int* seen = nullptr) {
    while (start.elapsed() < 5000) {
        QCoreApplication::processEvents();
        const int n = c.read();
        if (n >= 0 && done(n)) {
            if (seen != nullptr) {
                *seen = n;
            }
            return static_cast<double>(start.nsecsElapsed()) / 1e6;
        }
    }
    return -1;
}

// A pause is on the picture at the frame's last change; the picture then stays for 400 ms.
double untilHeld(const Counter& c, const QElapsedTimer& start, int* held) {
    int last = c.read();
    double changed = 0;
    QElapsedTimer still;
    still.start();
    while (still.elapsed() < 400 && start.elapsed() < 5000) {
        QCoreApplication::processEvents();
        const int n = c.read();
        if (n >= 0 && n != last) {
            last = n;
            changed = static_cast<double>(start.nsecsElapsed()) / 1e6;
            still.restart();
        }
    }
    *held = last;
    return still.elapsed() >= 400 ? changed : -1;
}

const char* met(bool ok) {
    return ok ? "met" : "NOT met";
}

struct Hold {
    int held = -1;
    int resumed = -1;
    double pauseMs = -1;
    double resumeMs = -1;
    long pssBefore = 0;
    long pssAfter = 0;
    long anonBefore = 0;
    long anonAfter = 0;
    long long diskBytes = 0;
    long long streamBytes = 0;
};

Hold hold(Player& player, const Counter& c, int seconds) {
    Hold h;
    QElapsedTimer t;
    t.start();
    player.pause();
    h.pauseMs = untilHeld(c, t, &h.held);
    h.pssBefore = rz4::bench::pssKib();
    h.anonBefore = rz4::bench::pssKib("Pss_Anon");
    const long long disk = player.held().diskBytes;
    const long long sent = player.relayTraffic().played;
    for (int left = seconds; left > 0; left -= 60) {
        spin(std::min(left, 60) * 1000);
        std::fprintf(stderr,
                     "paused %d s: PSS %ld KiB, of it allocated %ld KiB, buffer on disk "
                     "%lld bytes\n",
                     seconds - left + std::min(left, 60), rz4::bench::pssKib(),
                     rz4::bench::pssKib("Pss_Anon"), player.held().diskBytes);
    }
    h.pssAfter = rz4::bench::pssKib();
    h.anonAfter = rz4::bench::pssKib("Pss_Anon");
    h.diskBytes = player.held().diskBytes - disk;
    h.streamBytes = player.relayTraffic().played - sent;
    t.restart();
    player.play();
    h.resumeMs = untilPicture(
        c, t, [&](int n) { return n != h.held; }, &h.resumed);
    return h;
}

int printOptions(bool timeShift) {
    for (const auto options :
         {rz4::platform::fixedEngineOptions(), rz4::platform::screenOutputOptions()}) {
        for (const auto& [name, value] : options) {
            std::printf("--%s=%s\n", name, value);
        }
    }
    if (timeShift) {
        for (const auto& [name, value] : rz4::platform::timeShiftOptions()) {
            std::printf("--%s=%s\n", name, value);
        }
    }
    return 0;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::string_view(argv[1]) == "--engine-options") {
        return printOptions(argc == 3 && std::string_view(argv[2]) == "--time-shift");
    }
    rz4::platform::limitMallocArenas();
    QApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: time_shift_probe URL [--pause-seconds N] "
                             "[--long-pause-seconds N]\n");
        return 2;
    }
    int pauseSeconds = 60;
    int longPauseSeconds = 600;
    for (int i = 2; i + 1 < argc; i += 2) {
        const std::string_view name = argv[i];
        (name == "--pause-seconds" ? pauseSeconds : longPauseSeconds) = std::atoi(argv[i + 1]);
    }

    rz4::bench::ProbeWindow probe;
    Player& player = probe.player;
    player.setURL(QString::fromUtf8(argv[1]));
    const Counter counter(*player.videoWidget());
    QElapsedTimer t;
    t.start();
    while (!(player.playState() == PlayState::Playing && player.timeShift().length > 12 &&
             counter.read() >= 0)) {
        if (t.elapsed() > 60000) {
            std::fprintf(stderr, "the channel did not play with a buffer: %s\n",
                         qPrintable(player.status()));
            return 1;
        }
        spin(50);
    }

    // The floor of any measurement: the picture changes on its own every frame.
    std::vector<double> frames;
    for (int i = 0, last = counter.read(); i < 20; ++i) {
        t.restart();
        untilPicture(
            counter, t, [&](int n) { return n != last; }, &last);
        frames.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    }

    const Hold first = hold(player, counter, pauseSeconds);
    std::vector<double> back, forward;
    for (int round = 0; round < 3; ++round) {
        spin(1500);
        int before = counter.read();
        t.restart();
        player.seekBy(-10);
        back.push_back(untilPicture(counter, t, [&](int n) { return n < before - 150; }));
        spin(1500);
        before = counter.read();
        t.restart();
        player.seekBy(10);
        forward.push_back(untilPicture(counter, t, [&](int n) { return n > before + 150; }));
    }
    spin(1500);
    const int behind = counter.read();
    // Half the frames behind live: the jump is not the picture's own next frame.
    const int jump = std::max(10, player.timeShift().behindSeconds * 25 / 2);
    t.restart();
    player.goLive();
    const double liveMs = untilPicture(counter, t, [&](int n) { return n > behind + jump; });
    spin(2000);
    const Hold longer = hold(player, counter, longPauseSeconds);

    const double mib = 1024.0;
    std::printf("time-shift: the picture changes on its own every %.0f ms (median of 20)\n",
                median(frames));
    std::printf("time-shift: pause %.0f ms, resume %.0f ms, seek -10 s %.0f ms, seek +10 s %.0f "
                "ms (medians of 3), back to live %.0f ms\n",
                first.pauseMs, first.resumeMs, median(back), median(forward), liveMs);
    const double worst = std::max({first.pauseMs, first.resumeMs, median(back), median(forward),
                                   liveMs, longer.pauseMs, longer.resumeMs});
    const bool allSeen = std::min({first.pauseMs, first.resumeMs, median(back), median(forward),
                                   liveMs, longer.pauseMs, longer.resumeMs}) >= 0;
    std::printf("target: each <= %.0f ms to the picture: %s (slowest %.0f ms)\n", TargetMs,
                met(allSeen && worst <= TargetMs), worst);
    for (const Hold* h : {&first, &longer}) {
        const int seconds = h == &first ? pauseSeconds : longPauseSeconds;
        std::printf("time-shift: held frame %d for %d s, resumed at frame %d\n", h->held, seconds,
                    h->resumed);
        std::printf("target: resume after %d s shows the held frame within one frame: %s\n",
                    seconds, met(h->resumed >= h->held && h->resumed <= h->held + 2));
    }
    const double grew = static_cast<double>(longer.pssAfter - longer.pssBefore) / mib;
    const double anonGrew = static_cast<double>(longer.anonAfter - longer.anonBefore) / mib;
    const double ratio = longer.streamBytes > 0 ? static_cast<double>(longer.diskBytes) /
                                                      static_cast<double>(longer.streamBytes)
                                                : 0;
    std::printf("time-shift: paused %d s, PSS %.1f -> %.1f MiB (grew %.1f MiB); buffer on disk "
                "grew %.1f MiB for %.1f MiB the stream sent (ratio %.2f)\n",
                longPauseSeconds, static_cast<double>(longer.pssBefore) / mib,
                static_cast<double>(longer.pssAfter) / mib, grew,
                static_cast<double>(longer.diskBytes) / mib / mib,
                static_cast<double>(longer.streamBytes) / mib / mib, ratio);
    // The whole PSS also moves as other processes that share our libraries come and go (tens of
    // MiB here while builds run); what the process allocated does not.
    std::printf("time-shift: paused %d s, PSS of what the process allocated %.1f -> %.1f MiB "
                "(grew %.1f MiB)\n",
                longPauseSeconds, static_cast<double>(longer.anonBefore) / mib,
                static_cast<double>(longer.anonAfter) / mib, anonGrew);
    std::printf("target: PSS paused %d s grows <= 40 MiB: %s (whole %.1f MiB, allocated %.1f "
                "MiB)%s\n",
                longPauseSeconds, met(grew <= 40 && anonGrew <= 40), grew, anonGrew,
                longPauseSeconds < 600 ? " (a shorter pause than 10 minutes)" : "");
    std::printf("target: buffer bytes on disk ~ the stream's own (0.8-1.25): %s\n",
                met(ratio >= 0.8 && ratio <= 1.25));
    return 0;
}
