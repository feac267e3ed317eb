// Keeps the window to one process per user and library folder. The first window listens on a
// local socket in the user's runtime folder; a later start finds it there, asks it to come
// forward and exits. A socket left behind by a crashed window is removed, so it never stops the
// window from starting. Commands never take part: only the window claims the socket.
//
// Main thread only.
#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

#include <filesystem>

namespace bw::ui {

class SingleInstance : public QObject {
    Q_OBJECT

public:
    // The socket's path for the window over `libraryRoot`: in $XDG_RUNTIME_DIR, else in a
    // folder of the user's own under the temporary folder; named after the user and the folder.
    static QString socketPath(const std::filesystem::path& libraryRoot);

    explicit SingleInstance(QString socketPath, QObject* parent = nullptr);

    // True when another window answers on the socket and was asked to come forward; otherwise
    // this one listens from now on (false). A failure to listen is no reason not to start: the
    // window then runs without the guard.
    bool forwardToRunningInstance();

signals:
    // A later start asked this window to come forward.
    void showRequested();

private:
    void receive();

    QString m_socketPath;
    QLocalServer m_server;
};

} // namespace bw::ui
