#include "ui/acknowledgements_window.h"

#include "ui/app_icons.h"
#include "ui/scroll_bar_style.h"
#include "ui/text_styles.h"
#include "ui/window_placement.h"

#include <QFontDatabase>
#include <QLabel>
#include <QScrollArea>
#include <QShortcut>
#include <QVBoxLayout>

namespace bw::ui {

namespace {

QLabel* textLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

QFont smaller(QFont font) {
    font.setPointSizeF(font.pointSizeF() * 0.9);
    return font;
}

QWidget* entryView(const Acknowledgement& entry, const std::optional<std::string>& licence,
                   QWidget* parent) {
    auto* view = new QWidget(parent);
    auto* layout = new QVBoxLayout(view);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    auto* name = textLabel(QString::fromStdString(entry.name), view);
    QFont headline = name->font();
    headline.setBold(true);
    name->setFont(headline);
    layout->addWidget(name);
    layout->addWidget(textLabel(QString::fromStdString(entry.role), view));
    auto* facts = textLabel(QString::fromStdString(entry.version + " \u00b7 " + entry.source +
                                                   " \u00b7 " + entry.licence + " licence"),
                            view);
    facts->setFont(smaller(facts->font()));
    TextStyles::makeSecondary(*facts);
    layout->addWidget(facts);
    auto* copyright = textLabel(QString::fromStdString(entry.copyright), view);
    copyright->setFont(smaller(copyright->font()));
    layout->addWidget(copyright);
    auto* text = textLabel(QString::fromStdString(licence.value_or(
                               "The licence text is missing from this copy of Brindlewick. "
                               "Install the app again to restore it.")),
                           view);
    text->setObjectName("licence");
    text->setFont(smaller(QFontDatabase::systemFont(QFontDatabase::FixedFont)));
    text->setStyleSheet("QLabel#licence { background: rgba(128, 128, 128, 0.12); "
                        "border-radius: 6px; padding: 10px; }");
    layout->addWidget(text);
    return view;
}

} // namespace

AcknowledgementsWindow::AcknowledgementsWindow(const std::vector<Acknowledgement>& entries,
                                               const LicenceText& licenceText, QWidget* parent)
    : QWidget(parent, Qt::Window) {
    setWindowTitle("Acknowledgements");
    setWindowIcon(AppIcons::application());
    auto* content = new QWidget;
    auto* stack = new QVBoxLayout(content);
    stack->setContentsMargins(20, 20, 20, 20);
    stack->setSpacing(24);
    auto* intro = textLabel("Brindlewick includes the open-source components below. Each is "
                            "listed with its copyright notice and licence.",
                            content);
    TextStyles::makeSecondary(*intro);
    stack->addWidget(intro);
    for (const auto& entry : entries) {
        stack->addWidget(entryView(entry, licenceText(entry), content));
    }
    stack->addStretch();
    auto* scroll = new QScrollArea(this);
    scroll->setWidget(content);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    ScrollBarStyle::apply(*scroll);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll);
    resize(600, 560);
    // Closes like a dialog, with Escape, or with Ctrl+W as other windows do.
    for (const QKeySequence& keys :
         {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
        connect(new QShortcut(keys, this), &QShortcut::activated, this, &QWidget::close);
    }
}

void AcknowledgementsWindow::present() {
    if (!m_placed) {
        m_placed = true;
        centreOnScreen(*this);
    }
    show();
    raise();
    activateWindow();
}

} // namespace bw::ui
