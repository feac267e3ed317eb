#include "transcription/speaker.h"

namespace bw {

std::string_view code(Speaker speaker) {
    return speaker == Speaker::me ? "me" : "others";
}

std::optional<Speaker> speakerFromCode(std::string_view code) {
    if (code == "me") {
        return Speaker::me;
    }
    if (code == "others") {
        return Speaker::others;
    }
    return std::nullopt;
}

std::string_view displayName(Speaker speaker) {
    return speaker == Speaker::me ? "Me" : "Others";
}

} // namespace bw
