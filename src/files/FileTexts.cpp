#include "FileTexts.h"

#include <QDir>

namespace qx::filesText {

namespace {
QString withReason(const char *text, const QString &path, const QString &reason)
{
    return QString::fromUtf8(text).arg(QDir::toNativeSeparators(path), reason);
}
} // namespace

QString cannotCreate(const QString &path, const QString &reason)
{
    return withReason("Impossible de créer le fichier %1.\n%2", path, reason);
}

QString cannotWrite(const QString &path, const QString &reason)
{
    return withReason("Impossible d'écrire le fichier %1.\n%2", path, reason);
}

QString cannotOpen(const QString &path, const QString &reason)
{
    return withReason("Impossible d'ouvrir le fichier %1.\n%2", path, reason);
}

QString cannotRead(const QString &path, const QString &reason)
{
    return withReason("Erreur de lecture du fichier %1.\n%2", path, reason);
}

QString notARegularFile(const QString &path)
{
    return QStringLiteral("Le fichier %1 n'est pas un fichier ordinaire.").arg(QDir::toNativeSeparators(path));
}

QString readingStoppedNoSeparator(int line)
{
    return QStringLiteral("Lecture arrêtée à la ligne %1 : cette ligne ne contient pas de séparateur.").arg(line);
}

QString readingStoppedLineTooLong(int line)
{
    return QStringLiteral("Lecture arrêtée à la ligne %1 : cette ligne est trop longue.").arg(line);
}

} // namespace qx::filesText
