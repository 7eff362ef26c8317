#include "RecordingJournal.h"

#include "meter/DayCount.h"

#include <QDataStream>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QtEndian>
#include <array>
#include <cmath>
#include <cstring>
#include <unistd.h>

namespace qx {

namespace {

constexpr char kMagic[8] = {'Q', 'X', '7', '3', '6', 'J', 'N', 'L'};
constexpr int kFixedHeaderSize = 8 + 4 + 8 + 4 + 4 + 8 + 4; // up to the chart state
constexpr const char *kSuffix = ".qxj";

const std::array<quint32, 256> &crcTable()
{
    static const std::array<quint32, 256> table = [] {
        std::array<quint32, 256> t{};
        for (quint32 i = 0; i < 256; ++i) {
            quint32 c = i;
            for (int k = 0; k < 8; ++k)
                c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    return table;
}

template <class T> void put(char *&p, T value)
{
    qToLittleEndian(value, p);
    p += sizeof(T);
}
void putDouble(char *&p, double v)
{
    quint64 bits;
    std::memcpy(&bits, &v, sizeof bits);
    put<quint64>(p, bits);
}
void putFloat(char *&p, float v)
{
    quint32 bits;
    std::memcpy(&bits, &v, sizeof bits);
    put<quint32>(p, bits);
}
template <class T> T get(const char *&p)
{
    const T v = qFromLittleEndian<T>(p);
    p += sizeof(T);
    return v;
}
double getDouble(const char *&p)
{
    const quint64 bits = get<quint64>(p);
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}
float getFloat(const char *&p)
{
    const quint32 bits = get<quint32>(p);
    float v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

QByteArray encodeHeader(const JournalHeader &h)
{
    QByteArray out(kFixedHeaderSize, '\0');
    char *p = out.data();
    std::memcpy(p, kMagic, sizeof kMagic);
    p += sizeof kMagic;
    put<quint32>(p, kJournalVersion);
    putDouble(p, h.startTime);
    put<quint32>(p, h.interval);
    put<quint32>(p, h.plannedCount);
    putDouble(p, h.extensionStep);
    put<quint32>(p, quint32(h.chartState.size()));
    out += h.chartState;
    char crc[4];
    qToLittleEndian(crc32(out.constData(), out.size()), crc);
    out.append(crc, 4);
    return out;
}

std::array<char, kJournalRecordSize> encodeRecord(quint32 number, const LiveSample &s)
{
    std::array<char, kJournalRecordSize> r{};
    char *p = r.data();
    put<quint32>(p, number);
    putDouble(p, s.time);
    *p++ = char(s.channelStatus);
    p += 3;
    for (float t : s.temperature)
        putFloat(p, t);
    put<quint32>(p, crc32(r.data(), kJournalRecordSize - 4));
    return r;
}

bool fail(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return false;
}

} // namespace

quint32 crc32(const char *data, qint64 size, quint32 crc)
{
    const auto &t = crcTable();
    crc = ~crc;
    for (qint64 i = 0; i < size; ++i)
        crc = t[(crc ^ quint8(data[i])) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

JournalRead readJournal(const QString &path, JournalContent &content, QString *error)
{
    content = {};
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile()) {
        fail(error, QStringLiteral("ce n'est pas un fichier"));
        return info.exists() ? JournalRead::NotAFile : JournalRead::CannotOpen;
    }
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        fail(error, f.errorString());
        return JournalRead::CannotOpen;
    }
    const auto bad = [&](const char *why) {
        fail(error, QString::fromUtf8(why));
        return JournalRead::BadHeader;
    };
    const qint64 size = f.size();
    if (size < kFixedHeaderSize + 4)
        return bad("trop court");
    const QByteArray fixed = f.read(kFixedHeaderSize);
    if (fixed.size() != kFixedHeaderSize || std::memcmp(fixed.constData(), kMagic, sizeof kMagic) != 0)
        return bad("ce n'est pas un journal QX736");
    const char *p = fixed.constData() + sizeof kMagic;
    if (get<quint32>(p) != kJournalVersion)
        return bad("version inconnue");
    JournalHeader &h = content.header;
    h.startTime = getDouble(p);
    h.interval = get<quint32>(p);
    h.plannedCount = get<quint32>(p);
    h.extensionStep = getDouble(p);
    const quint32 stateSize = get<quint32>(p);
    // The length is checked against the file before anything is allocated for it.
    if (stateSize > kMaxJournalChartState || qint64(stateSize) + 4 > size - kFixedHeaderSize)
        return bad("en-tête plus long que le fichier");
    h.chartState = f.read(stateSize);
    const QByteArray crcBytes = f.read(4);
    if (h.chartState.size() != qint64(stateSize) || crcBytes.size() != 4)
        return bad("en-tête coupé");
    quint32 crc = crc32(fixed.constData(), fixed.size());
    crc = crc32(h.chartState.constData(), h.chartState.size(), crc);
    if (qFromLittleEndian<quint32>(crcBytes.constData()) != crc)
        return bad("contrôle de l'en-tête faux");
    if (h.plannedCount == 0 || !std::isfinite(h.startTime))
        return bad("en-tête hors limites");

    const qint64 records = (size - f.pos()) / kJournalRecordSize;
    content.tornTail = (size - f.pos()) % kJournalRecordSize != 0;
    content.samples.reserve(std::size_t(std::min<qint64>(records, h.plannedCount)));
    for (qint64 i = 0; i < records && i < qint64(h.plannedCount); ++i) {
        char r[kJournalRecordSize];
        if (f.read(r, kJournalRecordSize) != kJournalRecordSize) {
            content.tornTail = true;
            break;
        }
        const char *q = r;
        const quint32 number = get<quint32>(q);
        const quint32 check = qFromLittleEndian<quint32>(r + kJournalRecordSize - 4);
        if (check != crc32(r, kJournalRecordSize - 4) || number != quint32(i)) {
            content.tornTail = true; // a torn or spoiled write ends the recording there
            break;
        }
        LiveSample s;
        s.time = getDouble(q);
        s.channelStatus = quint8(*q++);
        q += 3;
        for (float &t : s.temperature)
            t = getFloat(q);
        content.samples.push_back(s);
    }
    if (qint64(content.samples.size()) < records)
        content.tornTail = true;
    return JournalRead::Ok;
}

RecordingJournal::RecordingJournal() = default;
RecordingJournal::~RecordingJournal() { close(); }

bool RecordingJournal::begin(const QString &path, const JournalHeader &header, qint64 nowMs, QString *error)
{
    close();
    m_path = path;
    m_next = 0;
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        return fail(error, m_file.errorString());
    const QByteArray h = encodeHeader(header);
    if (m_file.write(h) != h.size()) {
        const QString why = m_file.errorString();
        m_file.close();
        m_file.remove();
        return fail(error, why);
    }
    ::fsync(m_file.handle());
    m_lastSyncMs = nowMs;
    return true;
}

bool RecordingJournal::append(const LiveSample &sample, qint64 nowMs)
{
    if (!m_file.isOpen())
        return false;
    const auto r = encodeRecord(m_next, sample);
    // Unbuffered: the record reaches the system at once, whatever happens to this program.
    if (m_file.write(r.data(), kJournalRecordSize) != kJournalRecordSize) {
        m_file.close();
        return false;
    }
    ++m_next;
    if (nowMs - m_lastSyncMs >= kJournalSyncIntervalMs)
        sync(nowMs);
    return true;
}

void RecordingJournal::sync(qint64 nowMs)
{
    ::fdatasync(m_file.handle());
    m_lastSyncMs = nowMs;
}

void RecordingJournal::close()
{
    if (!m_file.isOpen())
        return;
    ::fsync(m_file.handle());
    m_file.close();
}

void RecordingJournal::remove()
{
    close();
    if (!m_path.isEmpty())
        QFile::remove(m_path);
    m_path.clear();
}

JournalFolder::JournalFolder(QString folder) : m_folder(std::move(folder)) {}
JournalFolder::~JournalFolder() = default;

bool JournalFolder::acquire()
{
    if (m_tried)
        return m_held;
    m_tried = true;
    if (m_folder.isEmpty() || !QDir().mkpath(m_folder))
        return false;
    m_lock = std::make_unique<QLockFile>(QDir(m_folder).filePath(QStringLiteral("journals.lock")));
    // Only a living program holds the folder: the lock of one that died is taken over.
    m_lock->setStaleLockTime(0);
    m_held = m_lock->tryLock(0);
    return m_held;
}

QString JournalFolder::newJournalPath(double startTime) const
{
    const QString stamp = fromDayCount(startTime).toString(QStringLiteral("yyyyMMdd-hhmmss"));
    QString path = QDir(m_folder).filePath(QStringLiteral("realtime-%1%2").arg(stamp, kSuffix));
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = QDir(m_folder).filePath(QStringLiteral("realtime-%1-%2%3").arg(stamp).arg(n).arg(kSuffix));
    return path;
}

QStringList JournalFolder::journals() const
{
    QStringList out;
    const QDir dir(m_folder);
    for (const QFileInfo &f : dir.entryInfoList({QStringLiteral("*.qxj")}, QDir::Files | QDir::NoDotAndDotDot,
                                                QDir::Name))
        out << f.absoluteFilePath();
    return out;
}

QString JournalFolder::setAside(const QString &path) const
{
    QString target = path + QStringLiteral(".damaged");
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = path + QStringLiteral(".damaged%1").arg(n);
    return QFile::rename(path, target) ? target : QString();
}

} // namespace qx
