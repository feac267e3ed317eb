#include "ui/single_instance.h"
#include "ui/widget_test_app.h"

#include "support/scoped_environment.h"
#include "support/temporary_folder.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace bw {
namespace {

// What a crashed window leaves: a socket file nobody listens on.
void leaveDeadSocket(const QString& path) {
    const int descriptor = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray native = path.toLocal8Bit();
    std::copy(native.begin(), native.end(), address.sun_path);
    ASSERT_EQ(::bind(descriptor, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(descriptor);
}

TEST(SingleInstanceTest, ALaterWindowBringsTheFirstForwardAndEnds) {
    test::widgetApplication();
    test::TemporaryFolder home;
    test::ScopedEnvironment runtime("XDG_RUNTIME_DIR", home.path().string());
    const auto library = home / "data/Brindlewick/Library";
    const QString path = ui::SingleInstance::socketPath(library);
    leaveDeadSocket(path);

    ui::SingleInstance first(path);
    ASSERT_FALSE(first.forwardToRunningInstance()) << "a dead socket stopped the first window";
    QSignalSpy shown(&first, &ui::SingleInstance::showRequested);

    // The program itself, over the same library, as the user would start it again.
    QProcess second;
    auto environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_RUNTIME_DIR", QString::fromStdString(home.path().string()));
    environment.insert("XDG_DATA_HOME", QString::fromStdString((home / "data").string()));
    environment.insert("XDG_CONFIG_HOME", QString::fromStdString((home / "config").string()));
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    second.setProcessEnvironment(environment);
    QElapsedTimer clock;
    clock.start();
    second.start(QString(BW_BINARY_DIR) + "/bin/brindlewick", {});
    ASSERT_TRUE(test::waitFor([&] { return second.state() == QProcess::NotRunning; }, 10000));
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardError().toStdString();
    EXPECT_TRUE(test::waitFor([&] { return shown.count() == 1; }));

    // Another library is another window's: no answer there.
    ui::SingleInstance other(ui::SingleInstance::socketPath(home / "elsewhere"));
    EXPECT_FALSE(other.forwardToRunningInstance());
}

} // namespace
} // namespace bw
