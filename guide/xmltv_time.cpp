#include "guide/xmltv_time.h"

#include <QString>

namespace rz4::guide {

namespace {

// Days from 1970-01-01 to the date (proleptic Gregorian), after Howard Hinnant's algorithm.
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void civilFromDays(std::int64_t z, std::int64_t& y, unsigned& m, unsigned& d) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2 ? 1 : 0);
}

// The number in text[from, from + count), or -1 when one of those is no digit.
int digits(QStringView text, qsizetype from, qsizetype count) {
    int value = 0;
    for (qsizetype i = from; i < from + count; ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9') {
            return -1;
        }
        value = value * 10 + (c - u'0');
    }
    return value;
}

} // namespace

std::optional<Seconds> parseXmltvTime(QStringView text) {
    qsizetype n = 0;
    while (n < text.size() && n < 14 && text[n].isDigit()) {
        ++n;
    }
    if (n < 8 || n % 2 != 0) {
        return std::nullopt;
    }
    const int year = digits(text, 0, 4);
    const int month = digits(text, 4, 2);
    const int day = digits(text, 6, 2);
    const int hour = n >= 10 ? digits(text, 8, 2) : 0;
    const int minute = n >= 12 ? digits(text, 10, 2) : 0;
    const int second = n >= 14 ? digits(text, 12, 2) : 0;
    if (year < 0 || month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 || hour > 23 ||
        minute < 0 || minute > 59 || second < 0 || second > 60) {
        return std::nullopt;
    }
    QStringView rest = text.mid(n).trimmed();
    int offset = 0;
    if (!rest.isEmpty()) {
        const char16_t sign = rest[0].unicode();
        const int hh = rest.size() == 5 ? digits(rest, 1, 2) : -1;
        const int mm = rest.size() == 5 ? digits(rest, 3, 2) : -1;
        if ((sign != u'+' && sign != u'-') || hh < 0 || hh > 23 || mm < 0 || mm > 59) {
            return std::nullopt;
        }
        offset = (sign == u'-' ? -1 : 1) * (hh * 3600 + mm * 60);
    }
    const std::int64_t days =
        daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
    return days * 86400 + hour * 3600 + minute * 60 + second - offset;
}

QString formatXmltvTime(Seconds utc) {
    std::int64_t days = utc / 86400;
    std::int64_t rest = utc % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    std::int64_t y = 0;
    unsigned m = 0;
    unsigned d = 0;
    civilFromDays(days, y, m, d);
    return QString::asprintf("%04lld%02u%02u%02lld%02lld%02lld +0000", static_cast<long long>(y), m,
                             d, static_cast<long long>(rest / 3600),
                             static_cast<long long>(rest / 60 % 60),
                             static_cast<long long>(rest % 60));
}

} // namespace rz4::guide
