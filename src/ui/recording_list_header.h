// The heading above the recording list: the shown group's title on one line, cut short at the
// end when too long, and the number of recordings below it in small secondary text.
#pragma once

#include <QWidget>

class QLabel;

namespace bw::ui {

class RecordingListHeader : public QWidget {
    Q_OBJECT

public:
    explicit RecordingListHeader(QWidget* parent = nullptr);

    void setContent(const QString& title, int count);
    const QString& title() const { return m_title; }
    QString countText() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void showTitle();

    QString m_title;
    QLabel* m_titleLabel;
    QLabel* m_countLabel;
};

} // namespace bw::ui
