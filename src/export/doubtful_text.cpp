#include "export/doubtful_text.h"

namespace bw {

std::string_view rawValue(DoubtfulText choice) {
    switch (choice) {
    case DoubtfulText::keep:
        return "keep";
    case DoubtfulText::mark:
        return "mark";
    case DoubtfulText::omit:
        return "omit";
    }
    return "keep";
}

std::optional<DoubtfulText> doubtfulTextFromRawValue(std::string_view raw) {
    for (DoubtfulText choice : allDoubtfulTexts) {
        if (rawValue(choice) == raw) {
            return choice;
        }
    }
    return std::nullopt;
}

} // namespace bw
