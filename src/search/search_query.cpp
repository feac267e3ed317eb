#include "search/search_query.h"

#include "base/text_trimming.h"

#include <vector>

namespace bw {

namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// One FTS5 phrase: the words in double quotes, quotes inside doubled.
std::string phrase(std::string_view words, bool prefix) {
    std::string quoted = "\"";
    for (char c : words) {
        quoted += c;
        if (c == '"') {
            quoted += '"';
        }
    }
    quoted += '"';
    if (prefix) {
        quoted += '*';
    }
    return quoted;
}

} // namespace

std::optional<SearchQuery> SearchQuery::parse(std::string_view text) {
    std::vector<std::string> phrases;
    std::size_t at = 0;
    while (at < text.size()) {
        if (isSpace(text[at])) {
            ++at;
            continue;
        }
        std::string_view words;
        if (text[at] == '"') {
            const std::size_t close = text.find('"', at + 1);
            const std::size_t end = close == std::string_view::npos ? text.size() : close;
            words = text.substr(at + 1, end - at - 1);
            at = close == std::string_view::npos ? text.size() : close + 1;
        } else {
            std::size_t end = at;
            while (end < text.size() && !isSpace(text[end]) && text[end] != '"') {
                ++end;
            }
            words = text.substr(at, end - at);
            at = end;
        }
        bool prefix = false;
        if (at < text.size() && text[at] == '*') {
            prefix = true; // "a phrase"*
            ++at;
        }
        while (!words.empty() && words.back() == '*') {
            prefix = true;
            words.remove_suffix(1);
        }
        if (words.find_first_not_of(" \t\n\r\f\v") != std::string_view::npos) {
            phrases.push_back(phrase(words, prefix));
        }
    }
    if (phrases.empty()) {
        return std::nullopt;
    }
    std::string expression = "text : (";
    for (std::size_t i = 0; i < phrases.size(); ++i) {
        expression += (i ? " " : "") + phrases[i];
    }
    expression += ")";
    return SearchQuery(std::string(trimWhitespaceAndLineBreaks(text)), std::move(expression));
}

} // namespace bw
