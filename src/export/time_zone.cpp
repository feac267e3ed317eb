#include "export/time_zone.h"

#include <memory>

#include <unicode/timezone.h>
#include <unicode/unistr.h>

namespace bw {

TimeZone TimeZone::current() {
    // detectHostTimeZone reads the environment each time, unlike createDefault, which ICU
    // caches for the life of the process.
    std::unique_ptr<icu::TimeZone> host(icu::TimeZone::detectHostTimeZone());
    icu::UnicodeString id;
    if (host) {
        host->getID(id);
    }
    std::string identifier;
    id.toUTF8String(identifier);
    if (identifier.empty() || identifier == "Etc/Unknown") {
        return utc();
    }
    return {identifier};
}

} // namespace bw
