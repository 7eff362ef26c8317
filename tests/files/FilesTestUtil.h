#pragma once
// What the files tests share: charts and tables of known content, files written and read
// back as bytes, and a folder the test process cannot write into even as root.
#include "graph/ChartModel.h"
#include "logger/TableModel.h"
#include "meter/DayCount.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTest>
#include <array>
#include <vector>

#include <sys/fsuid.h>
#include <unistd.h>

namespace qx::test {

// 14 March 2026, 09:30:00 local time.
inline double firstSampleTime() { return toDayCount(QDateTime(QDate(2026, 3, 14), QTime(9, 30, 0))); }

inline QLocale french() { return QLocale(QLocale::French, QLocale::France); }
inline QLocale american() { return QLocale(QLocale::English, QLocale::UnitedStates); }

// A chart prepared for `points` points of which the first samples.size() hold a sample,
// one minute apart; the rest keep X 0 and the null value.
inline ChartModel chartWith(const std::vector<std::array<float, 4>> &samples, int points)
{
    ChartModel m;
    m.setSeriesCount(4);
    m.setPointCount(points);
    for (int p = 0; p < points; ++p)
        for (int s = 0; s < 4; ++s) {
            m.setX(s, p, 0);
            m.setY(s, p, 9999.0f);
        }
    for (int p = 0; p < int(samples.size()); ++p)
        for (int s = 0; s < 4; ++s) {
            m.setX(s, p, firstSampleTime() + p / 1440.0);
            m.setY(s, p, samples[std::size_t(p)][std::size_t(s)]);
        }
    return m;
}

inline void fillTable(TableModel &table, const std::vector<QStringList> &rows)
{
    table.clear();
    for (const QStringList &r : rows)
        table.appendRow(r);
}

inline std::vector<QStringList> rowsOf(const TableModel &table)
{
    std::vector<QStringList> rows;
    for (int r = 0; r < table.rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < TableModel::kColumns; ++c)
            cells << table.cell(r, c);
        rows.push_back(cells);
    }
    return rows;
}

inline QByteArray readBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// While it lives, the folder's permissions hold for this process: the folder is made
// read-only, and a root process checks files as an ordinary user would (its file system
// user id is set to "nobody", which drops the right to override permissions).
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const QString &folder) : m_folder(folder)
    {
        QFile::setPermissions(m_folder, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup |
                                            QFile::ReadOther | QFile::ExeOther);
        if (geteuid() == 0) {
            setfsgid(65534);
            setfsuid(65534);
        }
    }
    ~ReadOnlyFolder()
    {
        if (geteuid() == 0) {
            setfsuid(0);
            setfsgid(0);
        }
        QFile::setPermissions(m_folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                            QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
    }

private:
    QString m_folder;
};

} // namespace qx::test
