#include "ui/web_page.h"

#include <gtest/gtest.h>

namespace bw {
namespace {

TEST(WebPageTest, UpdatePageOnlyForPlainVersions) {
    const QStringList english{"en-GB"};
    const QStringList slovak{"sk-SK", "en"};
    const std::vector<std::tuple<QString, QStringList, QString>> cases = {
        {"1.4.2", english, "https://brindlewick.app/update/1.4.2/"},
        {"1.4.2", slovak, "https://brindlewick.app/sk/update/1.4.2/"},
        {"1.4.2 beta", english, ""},
        {"", english, ""},
        {"1.4\uff12", english, ""}, // a full-width digit
        {"1.\u0664", english, ""},  // an Arabic-Indic digit
    };
    for (const auto& [version, languages, expected] : cases) {
        const auto url = ui::UpdatePage::url(version, languages);
        EXPECT_EQ(url ? url->toString() : QString(), expected) << version.toStdString();
    }
}

TEST(WebPageTest, SlovakOnlyWhenItIsTheFirstLanguage) {
    const std::vector<std::pair<QStringList, bool>> cases = {
        {{}, false},           {{"sk"}, true},     {{"sk_SK"}, true},
        {{"cs", "sk"}, false}, {{"en-SK"}, false}, {{"SK-sk"}, true},
    };
    for (const auto& [languages, expected] : cases) {
        EXPECT_EQ(ui::WebPage::prefersSlovak(languages), expected)
            << languages.join(",").toStdString();
    }
    using ui::PrivacyPolicyPage::Build;
    EXPECT_EQ(ui::PrivacyPolicyPage::url(Build::direct, {"sk"}).toString(),
              "https://brindlewick.app/sk/privacy");
    EXPECT_EQ(ui::PrivacyPolicyPage::url(Build::appStore, {"de"}).toString(),
              "https://brindlewick.app/privacy#app-store");
}

} // namespace
} // namespace bw
