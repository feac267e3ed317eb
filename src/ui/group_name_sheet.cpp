#include "ui/group_name_sheet.h"

#include "library/library_navigation.h"
#include "ui/sheet_buttons.h"
#include "ui/text_styles.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace bw::ui {

GroupNameSheet::GroupNameSheet(const GroupEditor& editor, LibraryNavigation& navigation,
                               QWidget* parent)
    : QDialog(parent), m_editor(editor), m_navigation(navigation), m_name(new QLineEdit(this)),
      m_problem(new QLabel(this)), m_confirm(new QPushButton(this)) {
    const auto* rename = std::get_if<GroupEditor::Rename>(&editor.purpose);
    const QString title = rename ? "Rename Group" : "New Group";
    setWindowTitle(title);
    auto* heading = new QLabel(title, this);
    QFont headline = heading->font();
    headline.setBold(true);
    heading->setFont(headline);

    m_name->setObjectName("name");
    m_name->setPlaceholderText("Group name");
    m_name->setMinimumWidth(320);
    m_name->setClearButtonEnabled(false);
    if (rename) {
        m_name->setText(QString::fromStdString(rename->group.name));
    }
    m_problem->setObjectName("problem");
    m_problem->setWordWrap(true);
    TextStyles::makeProblem(*m_problem);
    m_problem->hide();

    auto* cancel = new QPushButton("Cancel", this);
    m_confirm->setObjectName("confirm");
    m_confirm->setText(rename ? "Save" : "Create");
    auto* buttons = sheetButtons(cancel, m_confirm);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 20);
    layout->addWidget(heading);
    layout->addWidget(m_name);
    layout->addWidget(m_problem);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_confirm, &QPushButton::clicked, this, &GroupNameSheet::confirm);
    connect(m_name, &QLineEdit::textEdited, this, [this] {
        m_problem->clear();
        m_problem->hide();
    });
    // The disabled button cannot answer Return, so the field does.
    connect(m_name, &QLineEdit::returnPressed, this, [this] {
        if (m_name->text().trimmed().isEmpty()) {
            m_problem->setText("The group's name can't be empty.");
            m_problem->show();
        }
    });
    auto updateConfirm = [this] { m_confirm->setEnabled(!m_name->text().trimmed().isEmpty()); };
    connect(m_name, &QLineEdit::textChanged, this, updateConfirm);
    updateConfirm();
}

void GroupNameSheet::confirm() {
    if (m_name->text().trimmed().isEmpty()) {
        return;
    }
    // Success clears the library's request, and whoever shows the sheet may close it then.
    const QPointer<GroupNameSheet> self(this);
    const auto problem = m_navigation.confirmGroupName(m_editor, m_name->text().toStdString());
    if (!self) {
        return;
    }
    if (problem) {
        m_problem->setText(QString::fromStdString(*problem));
        m_problem->show();
        return;
    }
    accept();
}

} // namespace bw::ui
