#include "ChartFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace qx {

bool storeChartFile(const ChartModel &chart, const QString &path, QString *error)
{
    const QByteArray block = chart.storeState();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = QString("Impossible de créer le fichier %1.\n%2").arg(path, file.errorString());
        return false;
    }
    const quint32 n = quint32(block.size());
    const char length[4] = {char(n & 0xFF), char((n >> 8) & 0xFF), char((n >> 16) & 0xFF), char((n >> 24) & 0xFF)};
    if (file.write(length, 4) != 4 || file.write(block) != block.size() || !file.commit()) {
        if (error)
            *error = QString("Impossible d'écrire le fichier %1.\n%2").arg(path, file.errorString());
        file.cancelWriting();
        return false;
    }
    return true;
}

bool loadChartFile(ChartModel &chart, const QString &path, QString *error)
{
    // A pipe or a device under the name would block the open or the read for ever.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        if (error)
            *error = QString("Le fichier %1 n'est pas un fichier ordinaire.").arg(path);
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QString("Impossible d'ouvrir le fichier %1.\n%2").arg(path, file.errorString());
        return false;
    }
    const QByteArray head = file.read(4);
    if (head.size() != 4) {
        if (error)
            *error = QString("Lecture au-delà de la fin du fichier %1.").arg(path);
        return false;
    }
    const quint32 length = quint32(quint8(head[0])) | quint32(quint8(head[1])) << 8
                           | quint32(quint8(head[2])) << 16 | quint32(quint8(head[3])) << 24;
    // The length must fit what the file holds: never allocate for a length read blindly.
    if (qint64(length) > file.size() - 4 || qint64(length) > kMaxChartFileBlock) {
        if (error)
            *error = QString("Lecture au-delà de la fin du fichier %1.").arg(path);
        return false;
    }
    const QByteArray block = file.read(length);
    if (block.size() != qsizetype(length)) {
        if (error)
            *error = QString("Lecture au-delà de la fin du fichier %1.").arg(path);
        return false;
    }
    QString why;
    if (!chart.loadState(block, &why)) {
        if (error)
            *error = QString("Le fichier %1 n'est pas un graphique valide.\n%2").arg(path, why);
        return false;
    }
    return true;
}

} // namespace qx
