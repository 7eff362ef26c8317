#include "SimUnplugSwitch.h"

#include "SimulatedMeter.h"

#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace qx {

namespace {

int g_pipe[2] = {-1, -1};
struct sigaction g_previous {};

void onSignal(int)
{
    const char byte = 1;
    // Nothing to do when the pipe is full: toggles already wait to be read.
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1);
}

} // namespace

SimUnplugSwitch::SimUnplugSwitch(SimulatedMeter &meter, QObject *parent) : QObject(parent), m_meter(meter)
{
    if (g_pipe[0] >= 0 || ::pipe2(g_pipe, O_NONBLOCK | O_CLOEXEC) != 0)
        return;
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    if (::sigaction(SIGUSR1, &action, &g_previous) != 0) {
        ::close(g_pipe[0]);
        ::close(g_pipe[1]);
        g_pipe[0] = g_pipe[1] = -1;
        return;
    }
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SimUnplugSwitch::toggle);
}

SimUnplugSwitch::~SimUnplugSwitch()
{
    if (!m_notifier)
        return;
    ::sigaction(SIGUSR1, &g_previous, nullptr);
    delete m_notifier;
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void SimUnplugSwitch::toggle()
{
    char bytes[16];
    const ssize_t n = ::read(g_pipe[0], bytes, sizeof bytes);
    // Signals that came together count one by one.
    for (ssize_t i = 0; i < n; ++i)
        m_meter.setUnplugged(!m_meter.unplugged());
    if (n > 0)
        std::fprintf(stderr, "qx736: simulated meter %s\n", m_meter.unplugged() ? "unplugged" : "plugged in");
}

} // namespace qx
