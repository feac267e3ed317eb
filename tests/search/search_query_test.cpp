#include "search/marked_text.h"
#include "search/search_folding.h"
#include "search/search_query.h"

#include <gtest/gtest.h>

namespace bw {
namespace {

struct QueryCase {
    const char* name;
    const char* typed;
    std::optional<std::string> expression;
};

class SearchQueryTest : public testing::TestWithParam<QueryCase> {};

TEST_P(SearchQueryTest, TurnsWhatWasTypedIntoALiteralExpression) {
    const auto query = SearchQuery::parse(GetParam().typed);
    ASSERT_EQ(query.has_value(), GetParam().expression.has_value());
    if (query) {
        EXPECT_EQ(query->expression(), *GetParam().expression);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Queries, SearchQueryTest,
    testing::Values(QueryCase{"empty", "", std::nullopt}, QueryCase{"spaces", " \t ", std::nullopt},
                    QueryCase{"a_lone_star", "*", std::nullopt},
                    QueryCase{"words", " budget  Berlin ", "text : (\"budget\" \"Berlin\")"},
                    QueryCase{"prefix", "stred*", "text : (\"stred\"*)"},
                    QueryCase{"phrase", "\"for Berlin\" 2025", "text : (\"for Berlin\" \"2025\")"},
                    QueryCase{"phrase_prefix", "\"budget for B\"*", "text : (\"budget for B\"*)"},
                    QueryCase{"unclosed_phrase", "\"for Ber", "text : (\"for Ber\")"},
                    QueryCase{"operators_are_words", "a OR b NOT (c)",
                              "text : (\"a\" \"OR\" \"b\" \"NOT\" \"(c)\")"},
                    QueryCase{"column_names_are_words", "speaker:Me", "text : (\"speaker:Me\")"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SearchFoldingTest, ReplacesLettersWithoutADecompositionAndKeepsTheRest) {
    EXPECT_EQ(foldedSearchToken("straße"), "strasse");
    EXPECT_EQ(foldedSearchToken("ẞ"), "ss");
    EXPECT_EQ(foldedSearchToken("łódź"), "lódź"); // unicode61 takes the other accents away
    EXPECT_EQ(foldedSearchToken("cœur"), "coeur");
    EXPECT_EQ(foldedSearchToken("þór"), "thór");
    EXPECT_EQ(foldedSearchToken("rozpočte"), "");
    EXPECT_EQ(foldedSearchToken("berlin"), "");
}

TEST(MarkedTextTest, ReadsMarkersAndDropsStrayOnes) {
    const auto marked = MarkedText::fromMarkers("a \x02"
                                                "bc\x03 d \x03x\x02",
                                                '\x02', '\x03');
    EXPECT_EQ(marked.text, "a bc d x");
    EXPECT_EQ(marked.marks, (std::vector<MarkedText::Mark>{{2, 2}}));
}

TEST(MarkedTextTest, AnExcerptKeepsTheFirstMatchWithSomeTextBeforeIt) {
    std::string text;
    for (int i = 0; i < 40; ++i) {
        text += "word" + std::to_string(i) + " ";
    }
    text += "žluťoučký end";
    const std::size_t at = text.find("žluťoučký");
    const MarkedText long_{text, {{at, std::string("žluťoučký").size()}}};
    const MarkedText cut = long_.excerpt(60);
    EXPECT_TRUE(cut.text.starts_with("…word"));
    EXPECT_TRUE(cut.text.ends_with("žluťoučký end"));
    ASSERT_EQ(cut.marks.size(), 1u);
    EXPECT_EQ(cut.text.substr(cut.marks[0].start, cut.marks[0].length), "žluťoučký");
    EXPECT_LE(cut.text.size(), 60u + 2 * std::string("…").size());

    const MarkedText brief{"Short one.", {{0, 5}}};
    EXPECT_EQ(brief.excerpt(60), brief);
}

} // namespace
} // namespace bw
