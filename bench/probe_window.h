#pragma once

#include "platform/player.h"

#include <QWidget>

namespace rz4::bench {

// What the probes time: a player in a 640x480 window of its own, shown, its engine started.
struct ProbeWindow {
    QWidget window;
    platform::Player player{&window};

    ProbeWindow() {
        window.resize(640, 480);
        player.videoWidget()->setGeometry(0, 0, 640, 480);
        window.show();
        player.startEngine();
    }
};

} // namespace rz4::bench
