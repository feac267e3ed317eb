#include "export/formatting.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>

#include <unicode/gregocal.h>
#include <unicode/timezone.h>

#include "base/unicode_text.h"

namespace bw::Formatting {

namespace {

// Characters XML 1.0 forbids, and the C1 controls, which nobody means to keep in a transcript.
bool isDropped(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0xFFFE || c == 0xFFFF;
}

} // namespace

std::vector<std::string> lines(std::string_view text) {
    std::vector<std::string> result;
    std::string line;
    bool spacePending = false;
    unicode::forEachScalar(text, [&](char32_t c, std::string_view source) {
        if (unicode::isLineBreak(c)) {
            if (!line.empty()) {
                result.push_back(std::move(line));
            }
            line.clear();
            spacePending = false;
        } else if (c == U' ' || c == U'\t') {
            spacePending = !line.empty();
        } else if (!isDropped(c)) {
            if (spacePending) {
                line.push_back(' ');
            }
            // A well-formed scalar is copied as read; a replacement is written anew.
            line += c == 0xFFFD ? unicode::replacementCharacter : source;
            spacePending = false;
        }
    });
    if (!line.empty()) {
        result.push_back(std::move(line));
    }
    return result;
}

std::string singleLine(std::string_view text) {
    std::string joined;
    for (const std::string& line : lines(text)) {
        if (!joined.empty()) {
            joined.push_back(' ');
        }
        joined += line;
    }
    return joined;
}

std::int64_t milliseconds(double seconds) {
    if (!std::isfinite(seconds) || seconds <= 0) {
        return 0;
    }
    const double rounded = std::round(seconds * 1000); // halves away from zero
    // 2^63 is exactly representable; anything from there on does not fit.
    if (rounded >= 9223372036854775808.0) {
        return std::numeric_limits<std::int64_t>::max();
    }
    return std::int64_t(rounded);
}

std::string clock(double seconds) {
    const std::int64_t ms = milliseconds(seconds);
    char text[64];
    std::snprintf(text, sizeof text, "%02" PRId64 ":%02" PRId64 ":%02" PRId64, ms / 3600000,
                  ms / 60000 % 60, ms / 1000 % 60);
    return text;
}

std::string headerDate(std::chrono::system_clock::time_point date, const TimeZone& timeZone) {
    return headerDate(std::chrono::floor<std::chrono::seconds>(date), timeZone);
}

std::string headerDate(std::chrono::sys_seconds date, const TimeZone& timeZone) {
    const auto sinceEpoch = std::chrono::milliseconds(date.time_since_epoch());
    UErrorCode status = U_ZERO_ERROR;
    icu::GregorianCalendar calendar(
        icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(timeZone.identifier)), status);
    // Gregorian all the way back, as the dates of ISO 8601 are, not Julian before 1582.
    calendar.setGregorianChange(U_DATE_MIN, status);
    int fields[5] = {0, 0, 0, 0, 0};
    if (U_SUCCESS(status)) {
        calendar.setTime(UDate(sinceEpoch.count()), status);
        // The extended year counts on through year 0, where the era's year would restart.
        const UCalendarDateFields wanted[5] = {UCAL_EXTENDED_YEAR, UCAL_MONTH, UCAL_DATE,
                                               UCAL_HOUR_OF_DAY, UCAL_MINUTE};
        for (int i = 0; i < 5; ++i) {
            UErrorCode fieldStatus = status;
            const int value = calendar.get(wanted[i], fieldStatus);
            // A component the calendar cannot supply counts as 0. ICU counts months from 0.
            if (U_SUCCESS(fieldStatus)) {
                fields[i] = wanted[i] == UCAL_MONTH ? value + 1 : value;
            }
        }
    }
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", fields[0], fields[1], fields[2],
                  fields[3], fields[4]);
    return text;
}

} // namespace bw::Formatting
