// The reminder above the detail pane to ask everyone for consent before recording.
#pragma once

#include <QString>
#include <QWidget>

namespace bw::ui {

class ConsentInstruction : public QWidget {
    Q_OBJECT

public:
    explicit ConsentInstruction(QWidget* parent = nullptr);

    // "Ask everyone present or on the call for consent before you record."
    static QString text();
};

} // namespace bw::ui
