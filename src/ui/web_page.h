// The pages of the product's web site that the application opens in the browser: the update
// page for the running version and the privacy policy, each in Slovak for a user whose first
// preferred language is Slovak.
#pragma once

#include "platform/resource_bundle.h"

#include <QStringList>
#include <QUrl>

#include <optional>

namespace bw::ui {

namespace WebPage {

// The product's web site, unless Info.json names another ("BWWebsiteHost").
inline constexpr const char* defaultHost = "brindlewick.app";
QString host();

// True when the first identifier's language is Slovak ("sk", "sk-SK", "sk_SK").
bool prefersSlovak(const QStringList& preferredLanguages);

// The user's preferred languages, most preferred first.
QStringList userLanguages();

} // namespace WebPage

namespace UpdatePage {

// "https://HOST[/sk]/update/VERSION/"; none unless the version is ASCII digits and dots.
std::optional<QUrl> url(const QString& version, const QStringList& preferredLanguages);
// The same for the bundle's "CFBundleShortVersionString".
std::optional<QUrl> url(const ResourceBundle& bundle, const QStringList& preferredLanguages);
// Opens the running version's page in the browser; does nothing without a version.
void open();

} // namespace UpdatePage

namespace PrivacyPolicyPage {

enum class Build { direct, appStore };

// "https://HOST[/sk]/privacy", with the fragment "app-store" for that build.
QUrl url(Build build, const QStringList& preferredLanguages);
void open();

} // namespace PrivacyPolicyPage

} // namespace bw::ui
