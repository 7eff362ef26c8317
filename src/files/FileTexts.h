#pragma once
// The texts the single-recording files show: the range and progress dialog's captions,
// and the messages of a save or an open that did not go through.
#include <QString>

namespace qx::filesText {

inline QString notAnInteger() { return QStringLiteral("Entier non valide"); }
inline QString rangeCaption() { return QStringLiteral("Sauvegarder fichier"); }
inline QString saveProgressCaption() { return QStringLiteral("Sauvegarde en cours"); }
inline QString saveProgressText() { return QStringLiteral("Sauvegarde....."); }
inline QString openProgressCaption() { return QStringLiteral("Ouverture en cours"); }

// Each names the file (in the platform's notation) and gives the system's reason.
QString cannotCreate(const QString &path, const QString &reason);
QString cannotWrite(const QString &path, const QString &reason);
QString cannotOpen(const QString &path, const QString &reason);
QString cannotRead(const QString &path, const QString &reason);
QString notARegularFile(const QString &path);

// Where a text open stopped before the end of the file.
QString readingStoppedNoSeparator(int line);
QString readingStoppedLineTooLong(int line);

} // namespace qx::filesText
