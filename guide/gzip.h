#pragma once

#include <QByteArray>

namespace rz4::guide {

// The bytes as one gzip member, as `gzip` writes them.
QByteArray gzipped(const QByteArray& plain);

} // namespace rz4::guide
