#include "cli/tab_separated_field.h"

#include <gtest/gtest.h>

namespace bw::cli {
namespace {

TEST(TabSeparatedField, EscapesControlCharactersOnly) {
    struct Case {
        std::string text;
        std::string field;
    };
    for (const auto& c : std::vector<Case>{
             {"Plain title", "Plain title"},
             {"a\tb\nc\rd", "a\\tb\\nc\\rd"},
             {std::string("nul\0bell\a", 9) + "esc\x1B" + "del\x7F",
              "nul\\x00bell\\x07esc\\x1Bdel\\x7F"},
             {"next\u0085line", "next\\u0085line"},
             {"line\u2028para\u2029", "line\\u2028para\\u2029"},
             // Printable text beyond ASCII, a backslash and ill-formed bytes stay as they are.
             {"Žltý kôň \u2026 \\t \xC2", "Žltý kôň \u2026 \\t \xC2"},
         }) {
        EXPECT_EQ(tabSeparatedField(c.text), c.field) << c.text;
    }
}

} // namespace
} // namespace bw::cli
