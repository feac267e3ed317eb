#include "ui/language_picker.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>

namespace bw::ui {

LanguagePicker::LanguagePicker(QWidget* parent) : QWidget(parent), m_box(new QComboBox(this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* label = new QLabel("Language", this);
    label->setBuddy(m_box);
    layout->addWidget(label);
    layout->addWidget(m_box);
    for (auto language : allTranscriptionLanguages) {
        m_box->addItem(QString::fromUtf8(displayName(language)));
    }
    m_box->setAccessibleName("Language");
    m_box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(m_box, &QComboBox::activated, this, [this] { emit languageChosen(language()); });
}

TranscriptionLanguage LanguagePicker::language() const {
    const int index = m_box->currentIndex();
    return index >= 0 ? allTranscriptionLanguages.at(std::size_t(index))
                      : TranscriptionLanguage::slovak;
}

void LanguagePicker::setLanguage(TranscriptionLanguage language) {
    const QSignalBlocker blocker(m_box);
    for (std::size_t i = 0; i < allTranscriptionLanguages.size(); ++i) {
        if (allTranscriptionLanguages[i] == language) {
            m_box->setCurrentIndex(int(i));
        }
    }
}

} // namespace bw::ui
