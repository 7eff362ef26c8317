#include "Dialogs.h"

#include <QColorDialog>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QUrl>

namespace qx {

namespace {
const char *const kCaption = "QX736";
}

QString filterSuffix(const QString &qtFilter)
{
    // The last pattern in the last parentheses: "... (*.GHF)" gives "GHF".
    const qsizetype open = qtFilter.lastIndexOf(QLatin1Char('('));
    const qsizetype close = qtFilter.lastIndexOf(QLatin1Char(')'));
    if (open < 0 || close < open)
        return {};
    const QString pattern = qtFilter.mid(open + 1, close - open - 1).split(QLatin1Char(' '), Qt::SkipEmptyParts).value(0);
    if (!pattern.startsWith(QStringLiteral("*.")) || pattern.size() < 3 || pattern.indexOf(QLatin1Char('*'), 1) >= 0)
        return {};
    return pattern.mid(2);
}

QString qtFileFilter(const QString &filter)
{
    if (!filter.contains(QLatin1Char('|')))
        return filter;
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString patterns = QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' ')).trimmed();
        const QString shown = parts[i].trimmed();
        // Qt reads the patterns from the last parentheses: add them unless they are there.
        if (shown.endsWith(QLatin1Char('(') + patterns + QLatin1Char(')'), Qt::CaseInsensitive))
            out << shown;
        else
            out << shown + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return out.join(QStringLiteral(";;"));
}

void QtDialogs::message(QWidget *parent, const QString &text)
{
    QMessageBox::information(parent, kCaption, text);
}

Dialogs::Button QtDialogs::question(QWidget *parent, const QString &text, int buttons)
{
    QMessageBox::StandardButtons qb;
    if (buttons & Ok)
        qb |= QMessageBox::Ok;
    if (buttons & Yes)
        qb |= QMessageBox::Yes;
    if (buttons & No)
        qb |= QMessageBox::No;
    if (buttons & Cancel)
        qb |= QMessageBox::Cancel;
    switch (QMessageBox::question(parent, kCaption, text, qb)) {
    case QMessageBox::Ok:
        return Ok;
    case QMessageBox::Yes:
        return Yes;
    case QMessageBox::No:
        return No;
    default:
        return Cancel;
    }
}

QString QtDialogs::openFileName(QWidget *parent, const QString &folder, const QString &filter)
{
    return QFileDialog::getOpenFileName(parent, QString(), folder, qtFileFilter(filter));
}

QString QtDialogs::saveFileName(QWidget *parent, const QString &folder, const QString &filter,
                                const QString &defaultSuffix)
{
    QFileDialog dialog(parent, QString(), folder, qtFileFilter(filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(defaultSuffix);
    // A type chosen in the list gives the name in the box its extension, and a name typed
    // without one gets it.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString &chosen) {
        const QString suffix = filterSuffix(chosen);
        if (suffix.isEmpty())
            return;
        dialog.setDefaultSuffix(suffix);
        const QStringList names = dialog.selectedFiles();
        if (names.isEmpty())
            return;
        const QFileInfo typed(names.first());
        if (typed.fileName().isEmpty() || typed.isDir())
            return;
        dialog.selectFile(typed.completeBaseName() + QLatin1Char('.') + suffix);
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

std::optional<QColor> QtDialogs::color(QWidget *parent, const QColor &initial)
{
    const QColor c = QColorDialog::getColor(initial, parent);
    if (!c.isValid())
        return std::nullopt;
    return c;
}

std::optional<QFont> QtDialogs::font(QWidget *parent, const QFont &initial)
{
    bool ok = false;
    const QFont f = QFontDialog::getFont(&ok, initial, parent);
    if (!ok)
        return std::nullopt;
    return f;
}

bool QtDialogs::print(QWidget *parent, QPrinter &printer)
{
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

bool QtDialogs::printerSetup(QWidget *parent, QPrinter &printer)
{
    QPageSetupDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

void QtDialogs::openExternal(const QString &path) { QDesktopServices::openUrl(QUrl::fromLocalFile(path)); }

} // namespace qx

namespace qx {
int QtDialogs::execDialog(QDialog &dialog) { return dialog.exec(); }
} // namespace qx
