#pragma once
// The simulated meter's cable, for a program run with --simulate: each SIGUSR1 sent to the
// program unplugs the meter, the next one plugs it in again (`kill -USR1 <pid>`). The
// signal only writes a byte to a pipe; the meter is switched on the user-interface thread.
#include <QObject>

class QSocketNotifier;

namespace qx {

class SimulatedMeter;

class SimUnplugSwitch final : public QObject {
    Q_OBJECT
public:
    // At most one switch at a time; a second one stays inactive.
    explicit SimUnplugSwitch(SimulatedMeter &meter, QObject *parent = nullptr);
    ~SimUnplugSwitch() override;

    bool active() const { return m_notifier != nullptr; }

private:
    void toggle();

    SimulatedMeter &m_meter;
    QSocketNotifier *m_notifier = nullptr;
};

} // namespace qx
