#include "ExchangeGate.h"

namespace qx {

namespace {
// The tick itself never waits, so it ends within one dispatch; this bound only guards
// against being asked from inside the tick, where waiting would never end.
constexpr int kPollWaitStepMs = 5;
constexpr int kPollWaitLimitMs = 3000;
} // namespace

bool ExchangeGate::quiesce()
{
    int waited = 0;
    while (m_pollInProgress && waited < kPollWaitLimitMs) {
        m_clock.pumpWait(kPollWaitStepMs);
        waited += kPollWaitStepMs + 1;
    }
    if (m_pollInProgress)
        return false;
    m_mainTimer.stop();
    return true;
}

bool ExchangeGate::begin()
{
    if (m_userExchange)
        return false;
    m_userExchange = true;
    if (!quiesce()) {
        m_userExchange = false;
        return false;
    }
    return true;
}

void ExchangeGate::end()
{
    m_userExchange = false;
    m_mainTimer.start();
}

} // namespace qx
