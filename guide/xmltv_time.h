#pragma once

#include <QStringView>

#include <cstdint>
#include <optional>

namespace rz4::guide {

// Seconds since 1970-01-01 00:00 UTC.
using Seconds = std::int64_t;

// An XMLTV time: "YYYYMMDDhhmmss" or a leading part of it of at least the date, then optionally a
// zone as "+hhmm"/"-hhmm" (with or without a space before it). Without a zone the time is UTC, as
// XMLTV has it. Nothing else is accepted: a time that cannot be read places no programme.
std::optional<Seconds> parseXmltvTime(QStringView text);

// The same format back, in UTC: "YYYYMMDDhhmmss +0000".
QString formatXmltvTime(Seconds utc);

} // namespace rz4::guide
