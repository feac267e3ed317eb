#include "cli/tab_separated_field.h"

#include <cstdio>

namespace bw::cli {

namespace {

void appendEscape(std::string& out, const char* format, unsigned value) {
    char escape[8];
    std::snprintf(escape, sizeof escape, format, value);
    out += escape;
}

} // namespace

std::string tabSeparatedField(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    // Byte by byte is enough: every character to escape is ASCII or starts with C2 or E2 80,
    // which no other character's encoding contains at a character boundary.
    for (size_t i = 0; i < text.size(); ++i) {
        auto byte = static_cast<unsigned char>(text[i]);
        auto next = [&](size_t offset) {
            return i + offset < text.size() ? static_cast<unsigned char>(text[i + offset]) : 0;
        };
        if (byte == '\t') {
            out += "\\t";
        } else if (byte == '\n') {
            out += "\\n";
        } else if (byte == '\r') {
            out += "\\r";
        } else if (byte < 0x20 || byte == 0x7F) {
            appendEscape(out, "\\x%02X", byte);
        } else if (byte == 0xC2 && next(1) >= 0x80 && next(1) <= 0x9F) {
            appendEscape(out, "\\u%04X", next(1));
            ++i;
        } else if (byte == 0xE2 && next(1) == 0x80 && (next(2) == 0xA8 || next(2) == 0xA9)) {
            appendEscape(out, "\\u%04X", 0x2000u + (next(2) - 0x80u));
            i += 2;
        } else {
            out += char(byte);
        }
    }
    return out;
}

} // namespace bw::cli
