#pragma once
// What the data logger tests share: memory images made by the simulated meter's own
// layout code, and a meter, a session and a data logger in virtual time.
#include "logger/DataLogger.h"
#include "meter/DayCount.h"
#include "meter/MeterSession.h"
#include "sim/SimulatedMeter.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <vector>

namespace qx::test {

using Call = SimulatedMeter::Call;

inline QByteArray toBytes(const std::vector<std::uint8_t> &v)
{
    return QByteArray(reinterpret_cast<const char *>(v.data()), qsizetype(v.size()));
}

inline std::vector<std::uint8_t> toVector(const QByteArray &b)
{
    return std::vector<std::uint8_t>(b.begin(), b.end());
}

inline sim::DataSet makeSet(const QDateTime &start, int intervalSeconds, std::vector<sim::Record> records,
                            int type = 0, bool fahrenheit = false, std::array<std::int8_t, 4> offsets = {})
{
    sim::DataSet set;
    set.header = {start, intervalSeconds, type, fahrenheit, offsets};
    set.records = std::move(records);
    return set;
}

inline QByteArray imageOf(const std::vector<sim::DataSet> &sets)
{
    return toBytes(SimulatedMeter::buildMemoryImage(sets));
}

inline void put(QByteArray &image, int at, std::initializer_list<int> bytes)
{
    for (int b : bytes)
        image[at++] = char(b);
}

inline void setFillPointer(QByteArray &image, int fill)
{
    put(image, 10, {fill >> 16 & 0xFF, fill >> 8 & 0xFF, fill & 0xFF});
}

inline int fillPointerOf(const QByteArray &image)
{
    const auto *b = reinterpret_cast<const std::uint8_t *>(image.constData());
    return b[10] << 16 | b[11] << 8 | b[12];
}

// Records the progress window's and the cursor's side of a download.
struct RecordingObserver : DownloadObserver {
    QList<bool> cursor;
    QList<int> startedWith;
    QList<int> received;
    int finishedCount = 0;
    std::function<void(int)> onProgress;

    void setBusyCursor(bool busy) override { cursor << busy; }
    void started(int targetLength) override { startedWith << targetLength; }
    void progress(int bytes) override
    {
        received << bytes;
        if (onProgress)
            onProgress(bytes);
    }
    void finished() override { ++finishedCount; }
};

// A connected meter, its session and a data logger whose windows are recorded calls.
struct LoggerRig {
    VirtualClock clock{QDateTime(QDate(2026, 3, 14), QTime(9, 30, 0))};
    SimulatedMeter sim{clock};
    MeterSession session{sim, clock};
    DataSetStore store;
    DataLogger logger{session, store};
    RecordingObserver observer;
    QTemporaryDir folder;
    QStringList messages;
    QStringList windowCalls; // "open", "grid", "show 0"

    LoggerRig()
    {
        logger.setDataFolder(folder.path() + '/');
        logger.setDownloadObserver(&observer);
    }

    // The data logger command as the windows run it, their part recorded.
    void load()
    {
        const LoadStart start = logger.beginLoad();
        if (!start.started) {
            if (!start.message.isEmpty())
                messages << start.message;
            return;
        }
        windowCalls << "open";
        const LoadResult result = logger.finishLoad();
        if (result.parsed)
            windowCalls << "grid";
        if (result.showFirstSet)
            windowCalls << "show 0";
        if (!result.message.isEmpty())
            messages << result.message;
        logger.endLoad();
    }

    // The collection open as the windows run it.
    OpenResult open(const QString &path)
    {
        const OpenResult result = logger.openCollection(path);
        if (result.parsed())
            windowCalls << "grid";
        if (result.status == OpenResult::FolderUnavailable)
            messages << result.folder;
        else if (result.status == OpenResult::Opened)
            windowCalls << "show 0";
        return result;
    }

    bool connect()
    {
        session.mainTimer().start();
        clock.advance(kPollIntervalDisconnectedMs);
        clock.advance(kPollIntervalConnectedMs); // one live status read
        return session.connected();
    }

    void setMemory(const QByteArray &image) { sim.setMemoryImage(toVector(image)); }
    QByteArray memory() const { return toBytes(sim.memoryImage()); }

    // The command letters written, in order.
    QString commands() const
    {
        QString out;
        for (const auto &e : sim.log())
            if (e.call == Call::WriteCommand && e.bytes.size() > 1)
                out += QChar(e.bytes[1]);
        return out;
    }
    int count(char command) const { return int(commands().count(QChar(command))); }
};

} // namespace qx::test
