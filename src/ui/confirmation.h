// The question asked before something is deleted: a window-modal message box with a
// destructive button and "Cancel". It is opened without blocking and deletes itself when
// closed in any way.
#pragma once

#include <QString>

#include <functional>

class QMessageBox;
class QWidget;

namespace bw::ui {

// Fills a message box with its heading and the explanation below it, wide enough that the
// explanation reads as a paragraph rather than a column of a few words. The window title is
// left to the application's name, as the heading already says it.
void setMessageBoxText(QMessageBox& box, const QString& title, const QString& message);

// Shows the question over `parent`'s window; `onConfirm` runs when the destructive button is
// chosen.
QMessageBox* openConfirmation(QWidget* parent, const QString& title, const QString& message,
                              const QString& destructiveButton, std::function<void()> onConfirm);

} // namespace bw::ui
