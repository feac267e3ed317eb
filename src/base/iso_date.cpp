#include "base/iso_date.h"

#include "base/json_decoding_error.h"

#include <cstdio>

namespace bw {

namespace {

[[noreturn]] void invalidDate(const std::string& text) {
    throw JsonDecodingError(JsonDecodingError::Kind::dataCorrupted,
                            "Expected date string to be ISO8601-formatted: \"" + text + "\".");
}

// Reads `count` decimal digits at `position` or fails.
int digits(const std::string& text, size_t position, size_t count) {
    if (position + count > text.size()) {
        invalidDate(text);
    }
    int value = 0;
    for (size_t i = position; i < position + count; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            invalidDate(text);
        }
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

void expect(const std::string& text, size_t position, char c) {
    if (position >= text.size() || text[position] != c) {
        invalidDate(text);
    }
}

} // namespace

std::string iso8601String(std::chrono::sys_seconds date) {
    using namespace std::chrono;
    auto day = floor<days>(date);
    year_month_day ymd{day};
    hh_mm_ss time{date - day};
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%04d-%02u-%02uT%02d:%02d:%02dZ", int(ymd.year()),
                  unsigned(ymd.month()), unsigned(ymd.day()), int(time.hours().count()),
                  int(time.minutes().count()), int(time.seconds().count()));
    return buffer;
}

std::chrono::sys_seconds iso8601Date(const std::string& text) {
    using namespace std::chrono;
    int y = digits(text, 0, 4);
    expect(text, 4, '-');
    int mo = digits(text, 5, 2);
    expect(text, 7, '-');
    int d = digits(text, 8, 2);
    expect(text, 10, 'T');
    int h = digits(text, 11, 2);
    expect(text, 13, ':');
    int mi = digits(text, 14, 2);
    expect(text, 16, ':');
    int s = digits(text, 17, 2);
    seconds offset{0};
    if (text.size() == 20 && text[19] == 'Z') {
        // UTC
    } else if (text.size() == 25 && (text[19] == '+' || text[19] == '-')) {
        expect(text, 22, ':');
        int offsetHours = digits(text, 20, 2);
        int offsetMinutes = digits(text, 23, 2);
        if (offsetHours > 23 || offsetMinutes > 59) {
            invalidDate(text);
        }
        offset = hours(offsetHours) + minutes(offsetMinutes);
        if (text[19] == '-') {
            offset = -offset;
        }
    } else {
        invalidDate(text);
    }
    year_month_day ymd{year(y), month(unsigned(mo)), day(unsigned(d))};
    if (!ymd.ok() || h > 23 || mi > 59 || s > 59) {
        invalidDate(text);
    }
    return sys_days(ymd) + hours(h) + minutes(mi) + seconds(s) - offset;
}

} // namespace bw
