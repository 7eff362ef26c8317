#pragma once
// Time, waiting and timers in one injectable place. The program runs on the system
// clock; tests run on the virtual clock, where a five-attempt download takes no real time
// and the simulated meter still sees every pause.
#include <QDateTime>
#include <functional>
#include <memory>
#include <vector>

namespace qx {

class Timer {
public:
    virtual ~Timer() = default;
    virtual void setInterval(int ms) = 0; // restarts a running timer
    virtual int interval() const = 0;
    virtual void start() = 0;             // (re)starts the countdown
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
    // Switches to the asked state; a timer already in that state runs on undisturbed.
    void setActive(bool on)
    {
        if (on != isActive()) {
            if (on)
                start();
            else
                stop();
        }
    }
    void onTimeout(std::function<void()> handler) { m_handler = std::move(handler); }

protected:
    void fire()
    {
        if (m_handler)
            m_handler();
    }

private:
    std::function<void()> m_handler;
};

class Clock {
public:
    virtual ~Clock() = default;
    // Monotonic millisecond tick counter.
    virtual qint64 tickMs() const = 0;
    // Local date and time.
    virtual QDateTime now() const = 0;
    // Returns once more than `ms` milliseconds have passed, dispatching events meanwhile.
    virtual void pumpWait(int ms) = 0;
    // Lets the user interface handle what is pending, once.
    virtual void processEvents() = 0;
    // Blocks without dispatching anything, as a USB transfer does.
    virtual void sleepBlocking(int ms) = 0;
    virtual std::unique_ptr<Timer> createTimer() = 0;
};

// Real time: Qt's event loop and QTimer.
class SystemClock final : public Clock {
public:
    qint64 tickMs() const override;
    QDateTime now() const override;
    void pumpWait(int ms) override;
    void processEvents() override;
    void sleepBlocking(int ms) override;
    std::unique_ptr<Timer> createTimer() override;
};

// Virtual time for tests: nothing happens until the test (or a pumpWait) advances it.
class VirtualClock final : public Clock {
public:
    explicit VirtualClock(QDateTime start = QDateTime(QDate(2026, 3, 14), QTime(9, 30, 0)));
    ~VirtualClock() override;

    qint64 tickMs() const override { return m_nowMs; }
    QDateTime now() const override { return m_start.addMSecs(m_nowMs); }
    // Dispatches Qt events (when an application exists), then advances ms + 1.
    void pumpWait(int ms) override;
    void processEvents() override;
    void sleepBlocking(int ms) override { m_nowMs += ms; }
    std::unique_ptr<Timer> createTimer() override;

    // Moves time forward, firing due timers in order of their due time.
    void advance(qint64 ms);
    // Changes the wall clock without moving the tick counter (the user set the clock).
    void setNow(const QDateTime &dateTime);

private:
    class VTimer;
    friend class VTimer;
    void fireDue(qint64 upTo);

    QDateTime m_start;
    qint64 m_nowMs = 0;
    std::vector<VTimer *> m_timers;
};

} // namespace qx
