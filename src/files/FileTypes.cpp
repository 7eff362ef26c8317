#include "FileTypes.h"

#include <QFileInfo>
#include <QLocale>

namespace qx {

namespace {

constexpr int kMaxTypeExtensions = 5;

// The extension of a name as the dialogs see it: from its last dot after the folder part,
// dot included; empty when it has none.
QString extensionOf(const QString &fileName)
{
    const QString name = QFileInfo(fileName).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot);
}

} // namespace

bool decimalSeparatorIsComma() { return QLocale().decimalPoint() == QLatin1String(","); }

QString graphFileTypes(bool commaDecimal)
{
    if (commaDecimal)
        return QStringLiteral("Graph file(*.ghf,only for QX736)|*.GHF|TXT file(*.txt,data seperated by tab)|*.TXT");
    return QStringLiteral("Graph file(*.ghf,only for QX736)|*.GHF|TXT file(*.txt,data seperated by tab)|*.TXT|"
                          "EXCEL file format(*.CSV,seperated by comma)|*.CSV");
}

QString graphFileTypes() { return graphFileTypes(decimalSeparatorIsComma()); }

QString tableFileTypes(bool commaDecimal)
{
    if (commaDecimal)
        return QStringLiteral(" TXT file(*.txt,data seperated by tab) |*.TXT");
    return QStringLiteral("TXT file(*.txt,data seperated by tab)|*.TXT                             "
                          "|EXCEL file format(*.CSV,seperated by comma) |*.CSV");
}

QString tableFileTypes() { return tableFileTypes(decimalSeparatorIsComma()); }

QStringList typeListExtensions(const QString &typeList)
{
    const QStringList parts = typeList.split(QLatin1Char('|'));
    QStringList extensions;
    for (qsizetype i = 0; i + 1 < parts.size() && extensions.size() < kMaxTypeExtensions; i += 2) {
        const QString pair = parts[i] + parts[i + 1];
        const qsizetype first = pair.indexOf(QLatin1Char('*'));
        const qsizetype second = first < 0 ? -1 : pair.indexOf(QLatin1Char('*'), first + 1);
        extensions << (second < 0 ? QString() : pair.mid(second + 1, 4));
    }
    return extensions;
}

QString typeSuffix(const QString &typeList, int typeIndex)
{
    const QStringList extensions = typeListExtensions(typeList);
    if (typeIndex < 1 || typeIndex > extensions.size())
        return {};
    const QString &ext = extensions[typeIndex - 1];
    return ext.startsWith(QLatin1Char('.')) ? ext.mid(1) : QString();
}

QString fileNameForType(const QString &typeList, int typeIndex, const QString &fileName)
{
    const QStringList extensions = typeListExtensions(typeList);
    if (typeIndex < 1 || typeIndex > extensions.size() || extensions[typeIndex - 1].isEmpty())
        return {};
    const QString name = QFileInfo(fileName).fileName();
    const QString base = name.left(name.size() - extensionOf(name).size());
    return base + extensions[typeIndex - 1];
}

GraphSaveKind graphSaveKind(const QString &fileName)
{
    const QString ext = extensionOf(fileName).toLower();
    if (ext == QLatin1String(".ghf"))
        return GraphSaveKind::GraphFile;
    if (ext == QLatin1String(".txt"))
        return GraphSaveKind::TabText;
    if (ext == QLatin1String(".csv"))
        return GraphSaveKind::CommaText;
    return GraphSaveKind::None;
}

OpenKind openKind(const QString &fileName)
{
    const QString ext = extensionOf(fileName).toLower();
    if (ext == QLatin1String(".ghf"))
        return OpenKind::GraphFile;
    if (ext == QLatin1String(".txt") || ext == QLatin1String(".csv"))
        return OpenKind::TextTable;
    return OpenKind::None;
}

QChar tableSaveSeparator(const QString &fileName)
{
    return fileName.right(3).toLower() == QLatin1String("csv") ? QLatin1Char(',') : QLatin1Char('\t');
}

QChar textOpenSeparator(const QString &fileName)
{
    const QString ext = extensionOf(fileName).toLower();
    if (ext == QLatin1String(".csv"))
        return QLatin1Char(',');
    if (ext == QLatin1String(".txt"))
        return QLatin1Char('\t');
    return {};
}

} // namespace qx
