// Channel switches of our player, timed from setting URL to the first picture (playing).
// Usage: zap_probe URL_A URL_B SWITCHES DWELL_MS [neighbours]; prints one time in ms per line,
// then on standard error what the player fetched. With "neighbours" the channel not playing is
// held ready, as the window holds the channels next to the one on screen. Each channel
// plays DWELL_MS plus a spread of up to a second, the same spread as the script gives mpv, so
// that switches do not all fall on the same moment of the channels' two-second segments.
// zap_probe --engine-options prints the player's engine options as mpv command-line options.
#include "bench/probe_window.h"
#include "bench/pss.h"
#include "platform/engine_options.h"
#include "platform/malloc_arenas.h"
#include "platform/player.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

using rz4::platform::Player;
using rz4::platform::PlayState;

namespace {

// Runs the event loop until the player plays or `boundMs` passes.
bool waitPlaying(Player& player, int boundMs) {
    QEventLoop loop;
    QObject::connect(&player, &Player::StatusChange, &loop, [&] {
        if (player.playState() == PlayState::Playing) {
            loop.quit();
        }
    });
    QTimer::singleShot(boundMs, &loop, &QEventLoop::quit);
    if (player.playState() != PlayState::Playing) {
        loop.exec();
    }
    return player.playState() == PlayState::Playing;
}

void dwell(int baseMs, int i) {
    QEventLoop loop;
    QTimer::singleShot(baseMs + (i * 373) % 1000, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string_view(argv[1]) == "--engine-options") {
        for (const auto options :
             {rz4::platform::fixedEngineOptions(), rz4::platform::screenOutputOptions()}) {
            for (const auto& [name, value] : options) {
                std::printf("--%s=%s\n", name, value);
            }
        }
        return 0;
    }
    // The program's own memory set-up, so that switches cost here what they cost there.
    rz4::platform::limitMallocArenas();
    QApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
    QApplication app(argc, argv);
    if (argc != 5 && argc != 6) {
        std::fprintf(stderr, "usage: zap_probe URL_A URL_B SWITCHES DWELL_MS [neighbours]\n");
        return 2;
    }
    const bool neighbours = argc == 6 && std::string_view(argv[5]) == "neighbours";
    const QString channels[] = {QString::fromUtf8(argv[1]), QString::fromUtf8(argv[2])};
    const int switches = std::atoi(argv[3]);
    const int dwellMs = std::atoi(argv[4]);

    rz4::bench::ProbeWindow probe;
    Player& player = probe.player;

    auto holdOtherReady = [&](int playing) {
        if (neighbours) {
            player.prepareNeighbours({channels[1 - playing]});
        }
    };
    player.setURL(channels[0]);
    holdOtherReady(0);
    if (!waitPlaying(player, 20000)) {
        std::fprintf(stderr, "first channel did not play: %s\n", qPrintable(player.status()));
        return 1;
    }
    dwell(dwellMs, 0);
    for (int i = 1; i <= switches; ++i) {
        QElapsedTimer clock;
        clock.start();
        player.setURL(channels[i % 2]);
        if (!waitPlaying(player, 20000)) {
            std::fprintf(stderr, "switch %d did not play: %s\n", i, qPrintable(player.status()));
            return 1;
        }
        std::printf("%.1f\n", static_cast<double>(clock.nsecsElapsed()) / 1e6);
        std::fflush(stdout);
        holdOtherReady(i % 2);
        dwell(dwellMs, i);
    }
    const auto traffic = player.relayTraffic();
    std::fprintf(stderr, "traffic: played %lld bytes, prepared %lld bytes, PSS %ld KiB\n",
                 static_cast<long long>(traffic.played), static_cast<long long>(traffic.prepared),
                 rz4::bench::pssKib());
    return 0;
}
