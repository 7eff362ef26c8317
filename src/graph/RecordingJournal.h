#pragma once
// The journal of a running real-time recording: every sample goes to disk as it arrives,
// so a crash, a power cut or a killed program loses at most the last few seconds. A
// journal left behind is offered back at the next start.
//
// File layout, little-endian:
//   header:  "QX736JNL", u32 version, f64 start (day count), u32 interval (s), u32 planned
//            count, f64 axis extension step (days), u32 N, N bytes of the chart's state
//            block as prepared for the Run, u32 CRC-32 of everything before it
//   records: 36 bytes each: u32 sample number, f64 time (day count), u8 channel status,
//            3 bytes 0, 4 x f32 temperatures (°C), u32 CRC-32 of the 32 bytes before it
// A record whose check or number is wrong ends the journal: a torn last write is dropped,
// never read as data.
#include "meter/MeterSession.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <memory>
#include <vector>

class QLockFile;

namespace qx {

inline constexpr int kJournalRecordSize = 36;
inline constexpr quint32 kJournalVersion = 1;
// A journal's chart state is the chart as a Run prepares it, never more than this.
inline constexpr qint64 kMaxJournalChartState = 64ll * 1024 * 1024;
// The disk is asked to keep the records at most this often.
inline constexpr qint64 kJournalSyncIntervalMs = 5000;

quint32 crc32(const char *data, qint64 size, quint32 crc = 0);

struct JournalHeader {
    double startTime = 0;    // day count
    quint32 interval = 0;    // seconds between samples
    quint32 plannedCount = 0;
    double extensionStep = 0; // days the X axis is pushed past a late sample
    QByteArray chartState;    // the chart as prepared before the Run started
};

struct JournalContent {
    JournalHeader header;
    std::vector<LiveSample> samples;
    bool tornTail = false; // bytes after the last whole record were dropped
};

enum class JournalRead { Ok, NotAFile, CannotOpen, BadHeader };

// Reads a journal; a damaged or foreign file gives BadHeader (and `error` says why).
JournalRead readJournal(const QString &path, JournalContent &content, QString *error = nullptr);

class RecordingJournal {
public:
    RecordingJournal();
    ~RecordingJournal();

    bool isOpen() const { return m_file.isOpen(); }
    const QString &path() const { return m_path; }

    // Creates the journal and writes its header; false (with `error`) when it cannot.
    bool begin(const QString &path, const JournalHeader &header, qint64 nowMs, QString *error = nullptr);
    // One sample, written and flushed; the disk is asked to keep it at most every few
    // seconds. False when the write failed: the journal is closed and kept.
    bool append(const LiveSample &sample, qint64 nowMs);
    // No more samples: synced and closed, the file kept until the user decides.
    void close();
    // The user has decided about the recording: the file goes.
    void remove();

private:
    void sync(qint64 nowMs);

    QFile m_file;
    QString m_path;
    quint32 m_next = 0;
    qint64 m_lastSyncMs = 0;
};

// The folder of the journals, held by one program at a time.
class JournalFolder {
public:
    explicit JournalFolder(QString folder);
    ~JournalFolder();

    // True when this program holds the folder (taken on first call).
    bool acquire();
    bool held() const { return m_held; }
    const QString &folder() const { return m_folder; }
    // A new journal's name for a recording started at `startTime` (day count).
    QString newJournalPath(double startTime) const;
    // The journals left behind, oldest first.
    QStringList journals() const;
    // Moves a damaged journal aside so it is never offered again nor lost; the new name.
    QString setAside(const QString &path) const;

private:
    QString m_folder;
    std::unique_ptr<QLockFile> m_lock;
    bool m_tried = false;
    bool m_held = false;
};

} // namespace qx
