// Who spoke a segment of a two-track recording: "Me", heard by the microphone, or "Others",
// this computer's sound (the far side of a call). A single-track transcript names nobody.
#pragma once

#include <optional>
#include <string_view>

namespace bw {

enum class Speaker { me, others };

// The stored value: "me" or "others".
std::string_view code(Speaker speaker);
std::optional<Speaker> speakerFromCode(std::string_view code);

// What the user reads: "Me" or "Others".
std::string_view displayName(Speaker speaker);

} // namespace bw
