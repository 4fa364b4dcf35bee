#pragma once

#include "guide/guide.h"

#include <QIODevice>

#include <atomic>

namespace rz4::guide {

struct GuideRead {
    Guide guide;
    qint64 programmes = 0; // read, kept or not
    // Why the document was not read to its end, with where; what came before is kept.
    QString failure;
};

// Reads an XMLTV guide (plain or gzip) into the few programmes a channel keeps from `now` on.
GuideRead readGuide(QIODevice& source, Seconds now, qint64 maxExpanded,
                    const std::atomic<bool>* cancel = nullptr);

} // namespace rz4::guide
