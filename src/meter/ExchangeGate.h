#pragma once
// Keeps the meter link to one exchange at a time. Polling marks its tick; a user-initiated
// exchange (a panel key, a download, a setup command) waits for the tick to end, stops
// the poll timer while it runs and starts it again afterwards. Since waits inside an
// exchange keep dispatching input, a second user exchange can be asked for in the middle
// of the first: it is refused instead of interleaving its reports with the first one's.
#include "Clock.h"

namespace qx {

class ExchangeGate {
public:
    ExchangeGate(Clock &clock, Timer &mainTimer) : m_clock(clock), m_mainTimer(mainTimer) {}

    bool pollInProgress() const { return m_pollInProgress; }
    void setPollInProgress(bool on) { m_pollInProgress = on; }

    bool userExchangeActive() const { return m_userExchange; }

    // Waits (dispatching events) until no poll tick runs, then stops the poll timer.
    // Returns false if the tick could not end: the caller runs inside it.
    bool quiesce();

    // Starts a user exchange: false (and nothing stopped) when another one is on the link.
    bool begin();
    // Ends it and starts the poll timer again.
    void end();

private:
    Clock &m_clock;
    Timer &m_mainTimer;
    bool m_pollInProgress = false;
    bool m_userExchange = false;
};

// Scope of one user exchange: test `ok()` before talking to the meter.
class UserExchange {
public:
    explicit UserExchange(ExchangeGate &gate) : m_gate(gate), m_ok(gate.begin()) {}
    ~UserExchange()
    {
        if (m_ok)
            m_gate.end();
    }
    UserExchange(const UserExchange &) = delete;
    UserExchange &operator=(const UserExchange &) = delete;
    bool ok() const { return m_ok; }

private:
    ExchangeGate &m_gate;
    bool m_ok;
};

} // namespace qx
