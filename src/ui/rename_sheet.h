// The sheet that renames a recording: a text field starting with the current title, "Cancel"
// and "Save". Save is disabled while the text is empty after trimming; Return saves in any case,
// so the library can explain why an empty title is refused. The sheet closes only when the
// save succeeds.
#pragma once

#include <QDialog>

#include <functional>
#include <string>

class QLineEdit;
class QPushButton;

namespace bw::ui {

class RenameSheet : public QDialog {
    Q_OBJECT

public:
    // `onSave` renames and answers whether it did.
    RenameSheet(const QString& title, std::function<bool(const std::string&)> onSave,
                QWidget* parent = nullptr);

    QLineEdit* field() const { return m_field; }
    QPushButton* saveButton() const { return m_save; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void save();

    std::function<bool(const std::string&)> m_onSave;
    QLineEdit* m_field;
    QPushButton* m_save;
};

} // namespace bw::ui
