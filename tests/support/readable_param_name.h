// Names parameterised test cases after their parameter, as GoogleTest prints it (through the
// case's PrintTo where it has one), instead of by index:
//   INSTANTIATE_TEST_SUITE_P(Cases, Suite, testing::Values(...), test::ReadableParamName());
// Characters a test name cannot hold become "_"; a leading minus sign of a number, "minus".
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace bw::test {

inline std::string readableName(const std::string& text) {
    std::string name;
    bool separated = true; // at the start or just after a character that was left out
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (std::isalnum(c)) {
            name += char(c);
            separated = false;
        } else if (c == '-' && separated && i + 1 < text.size() &&
                   std::isdigit(static_cast<unsigned char>(text[i + 1]))) {
            name += name.empty() || name.back() == '_' ? "minus" : "_minus";
            separated = false;
        } else {
            if (!separated && !name.empty()) {
                name += '_';
            }
            separated = true;
        }
    }
    while (!name.empty() && name.back() == '_') {
        name.pop_back();
    }
    return name.empty() ? "empty" : name;
}

struct ReadableParamName {
    template <typename Param>
    std::string operator()(const testing::TestParamInfo<Param>& info) const {
        return readableName(testing::PrintToString(info.param));
    }
};

} // namespace bw::test
