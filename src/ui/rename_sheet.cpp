#include "ui/rename_sheet.h"
#include "ui/sheet_buttons.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace bw::ui {

RenameSheet::RenameSheet(const QString& title, std::function<bool(const std::string&)> onSave,
                         QWidget* parent)
    : QDialog(parent), m_onSave(std::move(onSave)), m_field(new QLineEdit(title)),
      m_save(new QPushButton("Save")) {
    setWindowTitle("Rename Recording");
    setWindowModality(Qt::WindowModal);
    auto* heading = new QLabel("Rename Recording");
    QFont headline = heading->font();
    headline.setBold(true);
    heading->setFont(headline);
    m_field->setMinimumWidth(320);
    m_field->setAccessibleName("Title");
    auto* cancel = new QPushButton("Cancel");
    auto* buttons = sheetButtons(cancel, m_save);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 20);
    layout->addWidget(heading);
    layout->addWidget(m_field);
    layout->addLayout(buttons);

    auto updateSave = [this] { m_save->setEnabled(!m_field->text().trimmed().isEmpty()); };
    connect(m_field, &QLineEdit::textChanged, this, updateSave);
    connect(m_field, &QLineEdit::returnPressed, this, &RenameSheet::save);
    connect(m_save, &QPushButton::clicked, this, &RenameSheet::save);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    updateSave();
}

void RenameSheet::keyPressEvent(QKeyEvent* event) {
    // Return is handled by the field (which saves even when Save is disabled); letting the
    // dialog press the default button as well would save twice.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        return;
    }
    QDialog::keyPressEvent(event);
}

void RenameSheet::save() {
    if (m_onSave(m_field->text().toStdString())) {
        accept();
    }
}

} // namespace bw::ui
