// What the user typed into a search, turned into a full-text query over segment texts and
// titles. Words are all required, in any order; "quoted words" must follow one another; a word or
// quoted phrase ending in * matches any word it begins. Case and accents don't matter, and
// neither do letters the index folds (ß and ss, ł and l). Anything else (operators, brackets,
// column names) is taken literally, so no input is a syntax error.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace bw {

class SearchQuery {
public:
    // None when the text holds nothing to look for (only spaces, or nothing at all).
    static std::optional<SearchQuery> parse(std::string_view text);

    // The text as typed, trimmed.
    const std::string& text() const { return m_text; }
    // The FTS5 MATCH expression.
    const std::string& expression() const { return m_expression; }

    friend bool operator==(const SearchQuery& a, const SearchQuery& b) {
        return a.m_expression == b.m_expression;
    }

private:
    SearchQuery(std::string text, std::string expression)
        : m_text(std::move(text)), m_expression(std::move(expression)) {}

    std::string m_text;
    std::string m_expression;
};

} // namespace bw
