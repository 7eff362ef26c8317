#include "Clock.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <algorithm>

namespace qx {

namespace {

QElapsedTimer &processTicks()
{
    static QElapsedTimer ticks = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return ticks;
}

class QtTimer final : public Timer {
public:
    QtTimer()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { fire(); });
    }
    void setInterval(int ms) override { m_timer.setInterval(ms); }
    int interval() const override { return m_timer.interval(); }
    void start() override { m_timer.start(); }
    void stop() override { m_timer.stop(); }
    bool isActive() const override { return m_timer.isActive(); }

private:
    QTimer m_timer;
};

} // namespace

qint64 SystemClock::tickMs() const { return processTicks().elapsed(); }

QDateTime SystemClock::now() const { return QDateTime::currentDateTime(); }

void SystemClock::pumpWait(int ms)
{
    const qint64 start = tickMs();
    // Sleep in the event loop rather than spin: the window stays live and the CPU idle.
    while (tickMs() - start <= ms) {
        const qint64 left = ms - (tickMs() - start) + 1;
        if (QCoreApplication::instance()) {
            QEventLoop loop;
            QTimer::singleShot(int(std::max<qint64>(left, 1)), Qt::PreciseTimer, &loop, &QEventLoop::quit);
            loop.exec();
        } else {
            QThread::msleep(std::max<qint64>(left, 1));
        }
    }
}

void SystemClock::processEvents()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

void SystemClock::sleepBlocking(int ms)
{
    if (ms > 0)
        QThread::msleep(ms);
}

std::unique_ptr<Timer> SystemClock::createTimer() { return std::make_unique<QtTimer>(); }

// --- virtual time ------------------------------------------------------------------

class VirtualClock::VTimer final : public Timer {
public:
    explicit VTimer(VirtualClock *clock) : m_clock(clock) { m_clock->m_timers.push_back(this); }
    ~VTimer() override
    {
        *m_alive = false;
        if (m_clock) {
            auto &v = m_clock->m_timers;
            v.erase(std::remove(v.begin(), v.end(), this), v.end());
        }
    }
    void setInterval(int ms) override
    {
        m_interval = ms;
        if (m_active)
            start();
    }
    int interval() const override { return m_interval; }
    void start() override
    {
        m_active = true;
        m_due = (m_clock ? m_clock->m_nowMs : 0) + std::max(m_interval, 1);
    }
    void stop() override { m_active = false; }
    bool isActive() const override { return m_active; }

    void trigger()
    {
        // Like Qt, a timer whose handler is still running does not fire again inside it.
        if (m_inHandler)
            return;
        m_inHandler = true;
        m_due += std::max(m_interval, 1);
        const std::shared_ptr<bool> alive = m_alive; // the handler may delete its own timer
        fire();
        if (*alive)
            m_inHandler = false;
    }

    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);

    VirtualClock *m_clock;
    int m_interval = 0;
    bool m_active = false;
    bool m_inHandler = false;
    qint64 m_due = 0;
};

VirtualClock::VirtualClock(QDateTime start) : m_start(std::move(start)) {}

VirtualClock::~VirtualClock()
{
    for (VTimer *t : m_timers)
        t->m_clock = nullptr;
}

void VirtualClock::processEvents()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

void VirtualClock::pumpWait(int ms)
{
    processEvents();
    advance(qint64(ms) + 1);
}

std::unique_ptr<Timer> VirtualClock::createTimer() { return std::make_unique<VTimer>(this); }

void VirtualClock::advance(qint64 ms)
{
    const qint64 target = m_nowMs + std::max<qint64>(ms, 0);
    fireDue(target);
    m_nowMs = std::max(m_nowMs, target);
}

void VirtualClock::fireDue(qint64 upTo)
{
    for (;;) {
        VTimer *next = nullptr;
        for (VTimer *t : m_timers) {
            if (t->m_active && !t->m_inHandler && t->m_due <= upTo && (!next || t->m_due < next->m_due))
                next = t;
        }
        if (!next)
            return;
        // A blocking call may have carried time past the due moment: fire late, once.
        m_nowMs = std::max(m_nowMs, next->m_due);
        if (next->m_due < m_nowMs)
            next->m_due = m_nowMs;
        next->trigger();
    }
}

void VirtualClock::setNow(const QDateTime &dateTime) { m_start = dateTime.addMSecs(-m_nowMs); }

} // namespace qx
