// A time zone named by its IANA identifier ("Europe/Bratislava", "UTC"), the zone in which an
// export writes the recording's date. A plain value, so export options can be compared and hashed.
#pragma once

#include <functional>
#include <string>

namespace bw {

struct TimeZone {
    // An identifier the time-zone database does not know behaves as UTC.
    std::string identifier = "UTC";

    // The zone the system is set to right now (TZ, then /etc/localtime), read afresh on every
    // call so that an export follows a change of zone made while the program runs.
    static TimeZone current();
    static TimeZone utc() { return {"UTC"}; }

    bool operator==(const TimeZone&) const = default;
};

} // namespace bw

template <> struct std::hash<bw::TimeZone> {
    std::size_t operator()(const bw::TimeZone& zone) const noexcept {
        return std::hash<std::string>{}(zone.identifier);
    }
};
