#include "ui/single_instance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QLockFile>

#include <sys/stat.h>
#include <unistd.h>

namespace bw::ui {

namespace {

const QByteArray showRequest = "show\n";
constexpr int answerTimeoutMs = 1000;

// A folder only the user can enter: the runtime folder the session provides, else one of our
// own under the temporary folder (made private, and refused when someone else owns it).
QString runtimeFolder() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime) && QFileInfo(runtime).isDir()) {
        return runtime;
    }
    const QString folder = QDir::tempPath() + "/brindlewick-" + QString::number(getuid());
    const QByteArray native = QFile::encodeName(folder);
    mkdir(native.constData(), 0700);
    struct stat status {};
    if (lstat(native.constData(), &status) == 0 && S_ISDIR(status.st_mode) &&
        status.st_uid == getuid()) {
        chmod(native.constData(), 0700);
        return folder;
    }
    // Taken by someone else: the socket still needs a place, and the user's home is theirs.
    return QDir::homePath();
}

} // namespace

QString SingleInstance::socketPath(const std::filesystem::path& libraryRoot) {
    const QByteArray key = QCryptographicHash::hash(
        QFile::encodeName(QString::fromStdString(libraryRoot.lexically_normal().string())),
        QCryptographicHash::Sha1);
    return runtimeFolder() + "/brindlewick-" + QString::number(getuid()) + "-" +
           QString::fromLatin1(key.toHex().left(16)) + ".socket";
}

SingleInstance::SingleInstance(QString socketPath, QObject* parent)
    : QObject(parent), m_socketPath(std::move(socketPath)) {
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&m_server, &QLocalServer::newConnection, this, &SingleInstance::receive);
}

bool SingleInstance::forwardToRunningInstance() {
    // Two windows started at once take turns, so that exactly one of them listens.
    QLockFile lock(m_socketPath + ".lock");
    lock.tryLock(2 * answerTimeoutMs);

    QLocalSocket socket;
    socket.connectToServer(m_socketPath);
    if (socket.waitForConnected(answerTimeoutMs)) {
        socket.write(showRequest);
        if (socket.waitForBytesWritten(answerTimeoutMs)) {
            socket.disconnectFromServer();
            return true;
        }
    }
    // Nobody answers: whatever is left at the path belongs to a window that ended.
    QLocalServer::removeServer(m_socketPath);
    m_server.listen(m_socketPath);
    return false;
}

void SingleInstance::receive() {
    while (QLocalSocket* socket = m_server.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        const auto take = [this, socket] {
            if (socket->readAll().contains(showRequest.trimmed())) {
                emit showRequested();
            }
        };
        connect(socket, &QLocalSocket::readyRead, this, take);
        if (socket->bytesAvailable() > 0) {
            take(); // arrived with the connection
        }
    }
}

} // namespace bw::ui
