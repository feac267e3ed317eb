#include "ui/display_text.h"

#include <QLocale>

#include <unicode/dtfmtsym.h>
#include <unicode/dtptngen.h>
#include <unicode/smpdtfmt.h>

#include <memory>

namespace bw::ui {
namespace {

// ICU picks the locale's own order and punctuation for the fields a skeleton names, which
// QLocale's fixed short and long formats cannot do.
QString formatDate(std::chrono::sys_seconds date, const char* skeleton) {
    const icu::Locale locale(QLocale::system().name().toStdString().c_str());
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::DateTimePatternGenerator> generator(
        icu::DateTimePatternGenerator::createInstance(locale, status));
    icu::UnicodeString pattern;
    if (U_SUCCESS(status)) {
        pattern = generator->getBestPattern(icu::UnicodeString(skeleton), status);
    }
    icu::SimpleDateFormat format(pattern, locale, status);
    if (U_FAILURE(status)) {
        return {};
    }
    icu::UnicodeString text;
    format.format(static_cast<UDate>(date.time_since_epoch().count()) * 1000.0, text);
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
