#include "ui/web_page.h"

#include "platform/bundle_info.h"

#include <QDesktopServices>
#include <QLocale>

namespace bw::ui {

namespace WebPage {

QString host() {
    const auto configured = BundleInfo::value("BWWebsiteHost");
    return QString::fromStdString(configured && !configured->empty() ? *configured : defaultHost);
}

bool prefersSlovak(const QStringList& preferredLanguages) {
    if (preferredLanguages.isEmpty()) {
        return false;
    }
    QString first = preferredLanguages.front();
    first.replace('_', '-');
    return first.section('-', 0, 0).compare("sk", Qt::CaseInsensitive) == 0;
}

QStringList userLanguages() {
    return QLocale::system().uiLanguages();
}

} // namespace WebPage

namespace {

QUrl page(const QString& path, const QStringList& preferredLanguages) {
    QUrl url;
    url.setScheme("https");
    url.setHost(WebPage::host());
    url.setPath((WebPage::prefersSlovak(preferredLanguages) ? "/sk" : "") + path);
    return url;
}

} // namespace

namespace UpdatePage {

std::optional<QUrl> url(const QString& version, const QStringList& preferredLanguages) {
    if (version.isEmpty()) {
        return std::nullopt;
    }
    for (const QChar c : version) {
        if (c != '.' && (c < '0' || c > '9')) {
            return std::nullopt;
        }
    }
    return page("/update/" + version + "/", preferredLanguages);
}

std::optional<QUrl> url(const ResourceBundle& bundle, const QStringList& preferredLanguages) {
    const auto version = bundle.infoValue("CFBundleShortVersionString");
    if (!version || !version->is_string()) {
        return std::nullopt;
    }
    return url(QString::fromStdString(version->get<std::string>()), preferredLanguages);
}

void open() {
    if (const auto page = url(ResourceBundle::main(), WebPage::userLanguages())) {
        QDesktopServices::openUrl(*page);
    }
}

} // namespace UpdatePage

namespace PrivacyPolicyPage {

QUrl url(Build build, const QStringList& preferredLanguages) {
    QUrl url = page("/privacy", preferredLanguages);
    if (build == Build::appStore) {
        url.setFragment("app-store");
    }
    return url;
}

void open() {
    QDesktopServices::openUrl(url(Build::direct, WebPage::userLanguages()));
}

} // namespace PrivacyPolicyPage

} // namespace bw::ui
