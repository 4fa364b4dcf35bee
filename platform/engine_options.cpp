#include "platform/engine_options.h"

namespace rz4::platform {

std::span<const EngineOption> fixedEngineOptions() {
    static constexpr EngineOption options[] = {
        // The same behaviour on every machine: nothing from the user's mpv set-up.
        {"config", "no"},
        {"load-scripts", "no"},
        {"ytdl", "no"},
        {"osc", "no"},
        {"input-default-bindings", "no"},
        {"input-vo-keyboard", "no"},
        // Clicks and double clicks belong to our widget.
        {"input-cursor", "no"},
        {"terminal", "no"},
        {"idle", "yes"},
        // The start-up logo is a still picture that stays until a channel is chosen.
        {"image-display-duration", "inf"},
        {"audio-fallback-to-null", "yes"},
        {"hwdec", "auto-safe"},
        // Longer than the player's connect watchdog, so that a silent server is reported by the
        // player's own timer.
        {"network-timeout", "15"},
        // A bounded cache: tearing down mpv's default one is most of a channel switch (measured
        // on a local live channel: 210 ms a switch with it, 30 ms with 4 s). With 4 s the reader
        // often sits at the end of a live playlist waiting for its reload, and mpv then waits
        // 100 ms on it before cutting it off: one switch in three took 150-200 ms. With 3 s it
        // stays a segment behind the playlist's end: none of 20 did.
        {"cache-secs", LiveReadAheadSeconds},
        // HLS opens the next segment before it hands out a byte of the first: a second round trip
        // before the first picture of every switch.
        {"demuxer-lavf-o", "http_multiple=0"},
        // Bounds stream probing on slow links. Skipping stream info (probe-info=nostreams) was
        // left out: it made every other switch 140 ms slower here.
        {"demuxer-lavf-analyzeduration", "0.5"},
        // By default the output draws a frame up to 50 ms before it is due and then waits for
        // that moment holding its lock: a channel asked for meanwhile waited with it, 0-30 ms
        // at random. Drawn when due, the picture is late by one draw, a few milliseconds.
        {"video-timing-offset", "0"},
    };
    return options;
}

std::span<const EngineOption> timeShiftOptions() {
    static constexpr EngineOption options[] = {
        {"cache", "yes"},
        // What is held goes to a file in our private folder, not into memory; the engine removes
        // the file's name as soon as it is made, so nothing stays behind even after a crash.
        {"cache-on-disk", "yes"},
        {"cache-unlink-files", "immediate"},
        // With the packets on disk these count only their bookkeeping, about 15 KiB a second of
        // a channel: 48 MiB behind keeps well over half an hour, 64 MiB ahead a whole long pause.
        {"demuxer-max-back-bytes", "48MiB"},
        {"demuxer-max-bytes", "64MiB"},
    };
    return options;
}

std::span<const EngineOption> screenOutputOptions() {
    // Auto-probing rejects software renderers and then tries DRM, which closes our stdin.
    static constexpr EngineOption options[] = {{"vo", "gpu,x11"}, {"gpu-context", "x11egl"}};
    return options;
}

std::span<const EngineOption> headlessOutputOptions() {
    // No screen to embed into and nobody to hear it: decode, show nothing.
    static constexpr EngineOption options[] = {{"vo", "null"}, {"ao", "null"}};
    return options;
}

} // namespace rz4::platform
