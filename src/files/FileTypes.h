#pragma once
// What the save and open dialogs of single recordings are given, and what a chosen name
// means: the type lists, the default extensions, the extension that follows a chosen
// type, and the kind of file and separator a name stands for.
#include <QString>
#include <QStringList>

namespace qx {

// True while the user's decimal separator is a comma: no comma-separated type is offered.
bool decimalSeparatorIsComma();

// The graph save's and the single-file open's type list ("description|pattern|…").
QString graphFileTypes(bool commaDecimal);
QString graphFileTypes();
// The table window's save type list.
QString tableFileTypes(bool commaDecimal);
QString tableFileTypes();

inline QString graphDefaultSuffix() { return QStringLiteral("GHF"); }
inline QString tableDefaultSuffix() { return QStringLiteral("TXT"); }

// One extension per description/pattern pair, at most five: the four characters after
// the pair's second '*' (".GHF", ".TXT", ".CSV"); empty for a pair without two.
QStringList typeListExtensions(const QString &typeList);
// The extension of type `typeIndex` (types count from 1) without its dot, as a default
// suffix: "GHF", "TXT", "CSV"; empty when the list has none for it.
QString typeSuffix(const QString &typeList, int typeIndex);
// What the file-name box shows once type `typeIndex` is chosen: `fileName` with that
// type's extension in place of its own and without its folder. Empty when the name stays
// as it is (no such type, or a type without an extension).
QString fileNameForType(const QString &typeList, int typeIndex, const QString &fileName);

// The graph save by the chosen name's extension, compared lower-cased.
enum class GraphSaveKind { None, GraphFile, TabText, CommaText };
GraphSaveKind graphSaveKind(const QString &fileName);

// The single-file open by extension: a graph file, a text file into a table, or nothing.
enum class OpenKind { None, GraphFile, TextTable };
OpenKind openKind(const QString &fileName);

// The table save's separator: a comma when the name's last three characters, lower-cased,
// are "csv" (with or without a dot before them), else a tab.
QChar tableSaveSeparator(const QString &fileName);
// The text open's separator: a comma for ".csv", a tab for ".txt" (any case); a null
// QChar for any other name.
QChar textOpenSeparator(const QString &fileName);

} // namespace qx
