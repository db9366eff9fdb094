// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SignalExit.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace aurelith {
namespace {

constexpr std::array kSignals = {SIGTERM, SIGINT, SIGHUP};
// [0] is written by the handler, [1] read by the window's thread. One pair per
// process: signal handlers are process-wide.
int pairFds[2] = {-1, -1};

} // namespace

SignalExit::SignalExit(std::function<void(int)> onSignal, QObject* parent)
    : QObject(parent), onSignal_(std::move(onSignal))
{
    if (pairFds[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pairFds) != 0)
        return;
    // A handler must never block, even if a flood of signals fills the pipe.
    ::fcntl(pairFds[0], F_SETFL, ::fcntl(pairFds[0], F_GETFL) | O_NONBLOCK);
    ::fcntl(pairFds[1], F_SETFL, ::fcntl(pairFds[1], F_GETFL) | O_NONBLOCK);
    notifier_ = new QSocketNotifier(pairFds[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &SignalExit::readSignals);

    struct sigaction action {};
    action.sa_handler = &SignalExit::handle;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    installed_ = true;
    for (int s : kSignals)
        installed_ = ::sigaction(s, &action, nullptr) == 0 && installed_;
}

SignalExit::~SignalExit()
{
    if (!notifier_)
        return;
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (int s : kSignals)
        ::sigaction(s, &action, nullptr);
    delete notifier_;
    ::close(pairFds[0]);
    ::close(pairFds[1]);
    pairFds[0] = pairFds[1] = -1;
}

void SignalExit::handle(int signal)
{
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signal);
    [[maybe_unused]] const auto written = ::write(pairFds[0], &byte, 1);
    errno = savedErrno;
}

void SignalExit::readSignals()
{
    unsigned char bytes[16];
    ssize_t got;
    while ((got = ::read(pairFds[1], bytes, sizeof bytes)) > 0)
        for (ssize_t i = 0; i < got; ++i)
            if (onSignal_)
                onSignal_(bytes[i]);
}

} // namespace aurelith
