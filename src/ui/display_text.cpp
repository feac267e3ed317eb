#include "ui/display_text.h"

#include <QLocale>

#include <unicode/dtfmtsym.h>
#include <unicode/dtptngen.h>
#include <unicode/smpdtfmt.h>

#include <map>
#include <memory>
#include <string>

namespace bw::ui {
namespace {

// ICU picks the locale's own order and punctuation for the fields a skeleton names, which
// QLocale's fixed short and long formats cannot do. Rows are painted often, so each format is
// made once per locale and skeleton (on the main thread, like every view).
const icu::SimpleDateFormat* dateFormat(const char* skeleton) {
    const std::string localeName = QLocale::system().name().toStdString();
    static std::map<std::string, std::unique_ptr<icu::SimpleDateFormat>> formats;
    auto& format = formats[localeName + '|' + skeleton];
    if (!format) {
        const icu::Locale locale(localeName.c_str());
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::DateTimePatternGenerator> generator(
            icu::DateTimePatternGenerator::createInstance(locale, status));
        icu::UnicodeString pattern;
        if (U_SUCCESS(status)) {
            pattern = generator->getBestPattern(icu::UnicodeString(skeleton), status);
        }
        auto made = std::make_unique<icu::SimpleDateFormat>(pattern, locale, status);
        if (U_FAILURE(status)) {
            return nullptr; // tried again next time, as before
        }
        format = std::move(made);
    }
    return format.get();
}

QString formatDate(std::chrono::sys_seconds date, const char* skeleton) {
    const auto* format = dateFormat(skeleton);
    if (!format) {
        return {};
    }
    icu::UnicodeString text;
    format->format(static_cast<UDate>(date.time_since_epoch().count()) * 1000.0, text);
    return QString::fromUtf16(text.getBuffer(), text.length());
}

} // namespace

QString countText(int count) {
    return count == 1 ? QStringLiteral("1 recording") : QString::number(count) + " recordings";
}

QString rowDateText(std::chrono::sys_seconds date) {
    return formatDate(date, "yMMMdjmm");
}

QString detailDateText(std::chrono::sys_seconds date) {
    return formatDate(date, "yMMMMEEEEdjmm");
}

} // namespace bw::ui
