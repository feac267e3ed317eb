// A centred placeholder for a pane with nothing to show: a large symbol, a title and an
// optional explanation below it.
#pragma once

#include <QWidget>

#include <string_view>

class QLabel;

namespace bw::ui {

class EmptyStateView : public QWidget {
    Q_OBJECT

public:
    explicit EmptyStateView(QWidget* parent = nullptr);

    void setContent(std::string_view symbolName, const QString& title, const QString& message = {});
    QString title() const;
    QString message() const;

private:
    QLabel* m_icon;
    QLabel* m_title;
    QLabel* m_message;
};

} // namespace bw::ui
