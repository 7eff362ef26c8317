#include "MeterSession.h"

#include "DayCount.h"

namespace qx {

MeterSession::MeterSession(DeviceAccess &device, Clock &clock, QObject *parent)
    : QObject(parent), m_device(device), m_clock(clock), m_mainTimer(clock.createTimer()),
      m_maxMinTimer(clock.createTimer()), m_recFullTimer(clock.createTimer())
{
    m_gate = std::make_unique<ExchangeGate>(clock, *m_mainTimer);
    m_link = std::make_unique<MeterLink>(device, clock, *m_gate);
    m_mainTimer->setInterval(kPollIntervalDisconnectedMs);
    m_maxMinTimer->setInterval(kFlashIntervalMs);
    m_recFullTimer->setInterval(kFlashIntervalMs);
    m_mainTimer->onTimeout([this] { tick(); });
    m_maxMinTimer->onTimeout([this] { emit maxMinFlashTick(); });
    m_recFullTimer->onTimeout([this] { emit recFullFlashTick(); });
}

MeterSession::~MeterSession() = default;

void MeterSession::tick()
{
    m_gate->setPollInProgress(true);
    const QDateTime stamp = m_clock.now();
    countSeconds(stamp);
    if (!m_connected) {
        if (m_link->queryIdentity() && m_link->identityIsOurModel())
            onConnected();
    } else if (m_link->readLiveStatus()) {
        m_failures = 0;
        // A frame with wrong marks is dropped; the read still counted as a success.
        if (liveFrameMarksValid(m_link->reply().data()))
            onValidFrame(stamp);
    } else {
        onStatusFailure();
    }
    m_gate->setPollInProgress(false);
}

void MeterSession::countSeconds(const QDateTime &now)
{
    const int second = now.time().second();
    if (second != m_lastSecond) {
        ++m_secondsCounter;
        m_lastSecond = second;
    }
}

void MeterSession::onConnected()
{
    m_connected = true;
    m_mainTimer->setInterval(kPollIntervalConnectedMs);
    emit connectionChanged(true);
}

void MeterSession::onStatusFailure()
{
    if (++m_failures < kFailuresToDisconnect)
        return;
    m_recFullTimer->stop();
    m_connected = false;
    m_mainTimer->setInterval(kPollIntervalDisconnectedMs);
    m_failures = 0;
    emit connectionChanged(false);
}

void MeterSession::onValidFrame(const QDateTime &stamp)
{
    m_live = decodeLiveFrame(m_link->reply().data());
    m_maxMinTimer->setActive(m_live.maxMinAvgFlash);
    m_recFullTimer->setActive(m_live.recordFull);
    emit liveStateUpdated();
    if (m_sampling && m_secondsCounter >= m_realTimeRate) {
        m_secondsCounter = 0;
        emit liveSample(LiveSample{m_live.channelStatus, toDayCount(stamp), m_live.temperature});
    }
}

} // namespace qx
