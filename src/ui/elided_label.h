// A one-line label for text of any length, such as a recording's title: what does not fit is
// elided at the end and the whole text becomes the tooltip. It never asks for more width than
// its layout gives it, so a long title cannot push the panes beside it apart.
#pragma once

#include <QLabel>
#include <QString>

namespace bw::ui {

class ElidedLabel : public QLabel {
    Q_OBJECT

public:
    explicit ElidedLabel(QWidget* parent = nullptr);

    void setFullText(const QString& text);
    const QString& fullText() const { return m_fullText; }

    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void elide();

    QString m_fullText;
};

} // namespace bw::ui
