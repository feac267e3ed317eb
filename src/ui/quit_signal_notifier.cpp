#include "ui/quit_signal_notifier.h"

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace bw::ui {

namespace {

int signalPipe[2] = {-1, -1};
struct sigaction previousInterrupt {};
struct sigaction previousTerminate {};

void onSignal(int signal) {
    const char byte = static_cast<char>(signal);
    // Nothing else is safe here; a full pipe already holds a pending quit.
    [[maybe_unused]] const auto written = ::write(signalPipe[0], &byte, 1);
}

} // namespace

QuitSignalNotifier::QuitSignalNotifier(std::function<void()> quit, QObject* parent)
    : QObject(parent), m_quit(std::move(quit)) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0) {
        return; // the signals keep their default effect
    }
    ::fcntl(signalPipe[0], F_SETFL, O_NONBLOCK);
    ::fcntl(signalPipe[1], F_SETFL, O_NONBLOCK);
    m_notifier = std::make_unique<QSocketNotifier>(signalPipe[1], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] {
        char bytes[16];
        while (::read(signalPipe[1], bytes, sizeof bytes) == sizeof bytes) {
        }
        m_quit();
    });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, &previousInterrupt);
    ::sigaction(SIGTERM, &action, &previousTerminate);
}

QuitSignalNotifier::~QuitSignalNotifier() {
    if (!m_notifier) {
        return;
    }
    ::sigaction(SIGINT, &previousInterrupt, nullptr);
    ::sigaction(SIGTERM, &previousTerminate, nullptr);
    m_notifier.reset();
    ::close(signalPipe[0]);
    ::close(signalPipe[1]);
    signalPipe[0] = signalPipe[1] = -1;
}

} // namespace bw::ui
