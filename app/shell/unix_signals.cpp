#include "shell/unix_signals.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <array>
#include <cerrno>

namespace {

// Written by the handler, which may do nothing that is not async-signal-safe.
volatile sig_atomic_t writeEnd = -1;

void forward(int signal)
{
    const int saved = errno;
    const unsigned char number = static_cast<unsigned char>(signal);
    if (writeEnd >= 0)
        [[maybe_unused]] const ssize_t written = ::write(writeEnd, &number, 1);
    errno = saved;
}

} // namespace

UnixSignals::UnixSignals(std::initializer_list<int> caught, QObject* parent) : QObject(parent), caught_(caught)
{
    if (writeEnd >= 0 || ::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    writeEnd = pipe_[1];
    notifier_ = new QSocketNotifier(pipe_[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &UnixSignals::drain);
    struct sigaction action {};
    action.sa_handler = forward;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : caught_)
        ::sigaction(signal, &action, nullptr);
}

UnixSignals::~UnixSignals()
{
    if (!notifier_)
        return;
    for (const int signal : caught_)
        ::signal(signal, SIG_DFL);
    writeEnd = -1;
    ::close(pipe_[0]);
    ::close(pipe_[1]);
}

void UnixSignals::drain()
{
    std::array<unsigned char, 16> numbers{};
    ssize_t got = 0;
    while ((got = ::read(pipe_[0], numbers.data(), numbers.size())) > 0) {
        for (ssize_t i = 0; i < got; ++i)
            Q_EMIT received(numbers[size_t(i)]);
    }
}
