#pragma once
// Everything the program needs to talk to the meter, in one headless object: the device,
// the clock, the three timers, the exchange gate, the main window's exchanges and the
// connection supervision run by each poll tick.
#include "Clock.h"
#include "DeviceAccess.h"
#include "ExchangeGate.h"
#include "LiveFrame.h"
#include "MeterLink.h"

#include <QObject>
#include <array>
#include <memory>

namespace qx {

inline constexpr int kPollIntervalDisconnectedMs = 500;
inline constexpr int kPollIntervalConnectedMs = 200;
inline constexpr int kFlashIntervalMs = 500;
inline constexpr int kFailuresToDisconnect = 3;

// One sample handed to the real-time recording.
struct LiveSample {
    std::uint8_t channelStatus = 0;
    double time = 0; // day count
    std::array<float, 4> temperature{};
};

class MeterSession : public QObject {
    Q_OBJECT
public:
    MeterSession(DeviceAccess &device, Clock &clock, QObject *parent = nullptr);
    ~MeterSession() override;

    DeviceAccess &device() { return m_device; }
    Clock &clock() { return m_clock; }
    ExchangeGate &gate() { return *m_gate; }
    MeterLink &link() { return *m_link; }
    Timer &mainTimer() { return *m_mainTimer; }
    Timer &maxMinTimer() { return *m_maxMinTimer; }
    Timer &recFullTimer() { return *m_recFullTimer; }

    // One poll tick: identity while not connected, live status while connected.
    void tick();

    bool connected() const { return m_connected; }
    int failureCount() const { return m_failures; }
    void resetFailureCount() { m_failures = 0; }
    int secondsCounter() const { return m_secondsCounter; }
    const LiveState &liveState() const { return m_live; }

    int realTimeRate() const { return m_realTimeRate; }
    void setRealTimeRate(int seconds) { m_realTimeRate = seconds; }

    // While a real-time recording runs, every RealTimeRate seconds a valid frame gives a
    // liveSample.
    void setSampling(bool on) { m_sampling = on; }
    bool sampling() const { return m_sampling; }

signals:
    void connectionChanged(bool connected);
    void liveStateUpdated();
    void maxMinFlashTick();
    void recFullFlashTick();
    void liveSample(const LiveSample &sample);

private:
    void countSeconds(const QDateTime &now);
    void onConnected();
    void onStatusFailure();
    void onValidFrame(const QDateTime &stamp);

    DeviceAccess &m_device;
    Clock &m_clock;
    std::unique_ptr<Timer> m_mainTimer;
    std::unique_ptr<Timer> m_maxMinTimer;
    std::unique_ptr<Timer> m_recFullTimer;
    std::unique_ptr<ExchangeGate> m_gate;
    std::unique_ptr<MeterLink> m_link;

    bool m_connected = false;
    bool m_sampling = false;
    int m_failures = 0;
    int m_secondsCounter = 0;
    int m_lastSecond = 0;
    int m_realTimeRate = 2;
    LiveState m_live;
};

} // namespace qx
