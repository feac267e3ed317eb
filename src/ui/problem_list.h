// The problems of the transcript section, one row each: a warning sign and the message in red,
// selectable so that it can be copied into an e-mail.
#pragma once

#include <QStringList>
#include <QWidget>

#include <string>
#include <vector>

namespace bw::ui {

class ProblemList : public QWidget {
    Q_OBJECT

public:
    explicit ProblemList(QWidget* parent = nullptr);

    // Shows these messages in this order; hidden when there are none.
    void setMessages(const std::vector<std::string>& messages);
    const QStringList& messages() const { return m_messages; }

private:
    QStringList m_messages;
};

} // namespace bw::ui
