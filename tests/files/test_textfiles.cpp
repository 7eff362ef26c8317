// The single-recording text files without windows: the dialogs' type lists and name
// rules, the save range, the lines a chart and a table write (golden bytes, "OL" limits,
// the stop at the first empty point, quoting), saves that fail or are cancelled leaving
// the old file as it was, the stepwise reader on whole, cut, corrupt and odd files, the
// graph file open check, and the printed table's lines and places.
#include "FilesTestUtil.h"
#include "files/FileTypes.h"
#include "files/GraphFileOpen.h"
#include "files/SaveRange.h"
#include "files/TablePrintLayout.h"
#include "files/TextLines.h"
#include "files/TextSave.h"
#include "files/TextTableReader.h"
#include "graph/ChartFile.h"

#include <QTemporaryDir>
#include <cmath>
#include <limits>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace qx;
using namespace qx::test;

using Rows = std::vector<QStringList>;
Q_DECLARE_METATYPE(Rows)
Q_DECLARE_METATYPE(LineRange)

namespace {

QStringList row(std::initializer_list<QString> cells)
{
    QStringList r(cells);
    while (r.size() < TableModel::kColumns)
        r << QString();
    return r;
}

const Rows kEmptyTable = {row({})};

// The samples most rows write: a reading, a negative one, an over-range one, a round one.
const std::vector<std::array<float, 4>> kSamples = {
    {21.3f, -3.2f, 2600.0f, 100.0f},
    {2500.0f, -328.0f, 9999.0f, std::numeric_limits<float>::quiet_NaN()},
    {2500.1f, -328.1f, 0.0f, -0.5f},
};

} // namespace

class TestTextFiles : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void init() { QLocale::setDefault(american()); }
    void cleanupTestCase() { QLocale::setDefault(QLocale::c()); }

    // --- dialogs and names ---------------------------------------------------------------

    void typeLists()
    {
        QCOMPARE(graphFileTypes(true),
                 QString("Graph file(*.ghf,only for QX736)|*.GHF|TXT file(*.txt,data seperated by tab)|*.TXT"));
        QCOMPARE(graphFileTypes(false),
                 QString("Graph file(*.ghf,only for QX736)|*.GHF|TXT file(*.txt,data seperated by tab)|*.TXT|"
                         "EXCEL file format(*.CSV,seperated by comma)|*.CSV"));
        QCOMPARE(tableFileTypes(true), QString(" TXT file(*.txt,data seperated by tab) |*.TXT"));
        QCOMPARE(tableFileTypes(false),
                 QString("TXT file(*.txt,data seperated by tab)|*.TXT" "                             "
                         "|EXCEL file format(*.CSV,seperated by comma) |*.CSV"));
        QCOMPARE(graphDefaultSuffix(), QString("GHF"));
        QCOMPARE(tableDefaultSuffix(), QString("TXT"));
        // The comma type is offered by the user's decimal separator.
        QVERIFY(graphFileTypes().contains("CSV"));
        QLocale::setDefault(french());
        QVERIFY(!graphFileTypes().contains("CSV"));
        QVERIFY(!tableFileTypes().contains("CSV"));
    }

    void typeChange_data()
    {
        QTest::addColumn<bool>("table");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("suffix");
        QTest::newRow("graph: text type") << false << 2 << "/home/u/Documents/QX736/run.GHF" << "run.TXT" << "TXT";
        QTest::newRow("graph: comma type") << false << 3 << "run.ghf" << "run.CSV" << "CSV";
        QTest::newRow("graph: no extension yet") << false << 1 << "/data/run" << "run.GHF" << "GHF";
        QTest::newRow("graph: last dot only") << false << 2 << "a.b.ghf" << "a.b.TXT" << "TXT";
        QTest::newRow("table: padded text type") << true << 1 << "rows.CSV" << "rows.TXT" << "TXT";
        QTest::newRow("table: comma type") << true << 2 << "rows.TXT" << "rows.CSV" << "CSV";
        QTest::newRow("no such type") << false << 4 << "run.ghf" << "" << "";
        QTest::newRow("type 0") << false << 0 << "run.ghf" << "" << "";
    }
    void typeChange()
    {
        QFETCH(bool, table);
        QFETCH(int, type);
        QFETCH(QString, name);
        const QString list = table ? tableFileTypes(false) : graphFileTypes(false);
        QTEST(fileNameForType(list, type, name), "shown");
        QTEST(typeSuffix(list, type), "suffix");
    }

    void nameRules_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("graphSave"); // GraphSaveKind
        QTest::addColumn<QString>("tableSeparator");
        QTest::addColumn<QString>("openSeparator"); // "" when the name opens no table
        using K = GraphSaveKind;
        QTest::newRow("ghf") << "a/b.GHF" << int(K::GraphFile) << "\t" << "";
        QTest::newRow("txt") << "b.txt" << int(K::TabText) << "\t" << "\t";
        QTest::newRow("csv any case") << "b.CsV" << int(K::CommaText) << "," << ",";
        QTest::newRow("csv without a dot") << "datacsv" << int(K::None) << "," << "";
        QTest::newRow("csv in the folder only") << "x.csv/data" << int(K::None) << "\t" << "";
        QTest::newRow("other extension") << "b.dat" << int(K::None) << "\t" << "";
        QTest::newRow("csvx") << "b.csvx" << int(K::None) << "\t" << "";
    }
    void nameRules()
    {
        QFETCH(QString, name);
        QTEST(int(graphSaveKind(name)), "graphSave");
        QTEST(QString(tableSaveSeparator(name)), "tableSeparator");
        const QChar open = textOpenSeparator(name);
        QTEST(open.isNull() ? QString() : QString(open), "openSeparator");
        QCOMPARE(openKind(name) == OpenKind::TextTable, !open.isNull());
    }

    // --- the range -----------------------------------------------------------------------

    void range_data()
    {
        QTest::addColumn<bool>("all");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last"); // first > last: nothing is written
        QTest::newRow("all") << true << "abc" << "" << true << 1 << 10;
        QTest::newRow("5 to 3") << false << "5" << "3" << true << 3 << 5;
        QTest::newRow("-3 counts as 3") << false << "-3" << "4" << true << 3 << 4;
        QTest::newRow("0 counts as 1") << false << "0" << "2" << true << 1 << 2;
        QTest::newRow("to past the end") << false << "7" << "99" << true << 7 << 10;
        QTest::newRow("from past the end") << false << "15" << "20" << true << 11 << 10;
        QTest::newRow("0 to 0") << false << "0" << "0" << true << 1 << 0;
        QTest::newRow("blanks around") << false << " 2 " << "3" << true << 2 << 3;
        QTest::newRow("abc") << false << "abc" << "3" << false << 0 << 0;
        QTest::newRow("empty to") << false << "1" << "" << false << 0 << 0;
        QTest::newRow("decimal") << false << "1" << "2.5" << false << 0 << 0;
        QTest::newRow("too large") << false << "1" << "99999999999" << false << 0 << 0;
    }
    void range()
    {
        QFETCH(bool, all);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(bool, valid);
        const RangeChoice c = resolveRange(all, from, to, 10);
        QCOMPARE(c.valid, valid);
        if (valid) {
            QTEST(c.range.from, "first");
            QTEST(c.range.to, "last");
        }
    }

    // --- what is written -----------------------------------------------------------------

    void channelText_data()
    {
        QTest::addColumn<bool>("fr");
        QTest::addColumn<float>("value");
        QTest::addColumn<QString>("text");
        const float nan = std::numeric_limits<float>::quiet_NaN();
        const float inf = std::numeric_limits<float>::infinity();
        QTest::newRow("2500") << false << 2500.0f << "2500.0";
        QTest::newRow("above 2500") << false << 2500.01f << "OL";
        QTest::newRow("-328") << false << -328.0f << "-328.0";
        QTest::newRow("below -328") << false << -328.01f << "OL";
        QTest::newRow("no value 9999") << false << 9999.0f << "OL";
        QTest::newRow("NaN") << false << nan << "OL";
        QTest::newRow("infinity") << false << inf << "OL";
        QTest::newRow("-infinity") << false << -inf << "OL";
        QTest::newRow("one decimal") << false << 21.34f << "21.3";
        QTest::newRow("rounded") << false << 21.36f << "21.4";
        QTest::newRow("comma") << true << 21.3f << "21,3";
        QTest::newRow("no grouping") << true << 2345.5f << "2345,5";
    }
    void channelText()
    {
        QFETCH(bool, fr);
        QFETCH(float, value);
        if (fr)
            QLocale::setDefault(french());
        QTEST(qx::channelText(value), "text");
    }

    void graphSave_data()
    {
        QTest::addColumn<bool>("fr");
        QTest::addColumn<QString>("name");
        QTest::addColumn<LineRange>("range");
        QTest::addColumn<QByteArray>("bytes");
        const LineRange all{1, 100};
        QTest::newRow("tab, en") << false << "g.txt" << all
                                 << QByteArray("3/14/26\t9:30:00 AM\t21.3\t-3.2\tOL\t100.0\r\n"
                                               "3/14/26\t9:31:00 AM\t2500.0\t-328.0\tOL\tOL\r\n"
                                               "3/14/26\t9:32:00 AM\tOL\tOL\t0.0\t-0.5\r\n");
        QTest::newRow("comma, en") << false << "g.csv" << all
                                   << QByteArray("3/14/26,9:30:00 AM,21.3,-3.2,OL,100.0\r\n"
                                                 "3/14/26,9:31:00 AM,2500.0,-328.0,OL,OL\r\n"
                                                 "3/14/26,9:32:00 AM,OL,OL,0.0,-0.5\r\n");
        QTest::newRow("tab, fr") << true << "g.txt" << all
                                 << QByteArray("14/03/2026\t09:30:00\t21,3\t-3,2\tOL\t100,0\r\n"
                                               "14/03/2026\t09:31:00\t2500,0\t-328,0\tOL\tOL\r\n"
                                               "14/03/2026\t09:32:00\tOL\tOL\t0,0\t-0,5\r\n");
        // A comma file typed by hand under a comma decimal separator: the numbers are quoted.
        QTest::newRow("comma, fr") << true << "g.csv" << all
                                   << QByteArray("14/03/2026,09:30:00,\"21,3\",\"-3,2\",OL,\"100,0\"\r\n"
                                                 "14/03/2026,09:31:00,\"2500,0\",\"-328,0\",OL,OL\r\n"
                                                 "14/03/2026,09:32:00,OL,OL,\"0,0\",\"-0,5\"\r\n");
        QTest::newRow("points 2 to 3") << false << "g.txt" << LineRange{2, 3}
                                       << QByteArray("3/14/26\t9:31:00 AM\t2500.0\t-328.0\tOL\tOL\r\n"
                                                     "3/14/26\t9:32:00 AM\tOL\tOL\t0.0\t-0.5\r\n");
        QTest::newRow("from past the end") << false << "g.txt" << LineRange{101, 100} << QByteArray();
    }
    void graphSave()
    {
        QFETCH(bool, fr);
        QFETCH(QString, name);
        QFETCH(LineRange, range);
        if (fr)
            QLocale::setDefault(french());
        const ChartModel chart = chartWith(kSamples, 100);
        const QString path = m_dir.filePath(name);
        QFile::remove(path);
        const QChar separator = graphSaveKind(name) == GraphSaveKind::CommaText ? ',' : '\t';
        const TextSaveResult result = writeGraphText(chart, path, separator, range);
        QCOMPARE(result.status, TextSaveResult::Saved);
        QVERIFY(QFile::exists(path)); // an empty range still makes the file
        QTEST(readBytes(path), "bytes");
    }

    // A chart prepared with 100 points of which 40 hold samples writes 40 lines.
    void fortyOfHundredPoints()
    {
        std::vector<std::array<float, 4>> samples(40, {20.0f, 21.0f, 22.0f, 23.0f});
        const ChartModel chart = chartWith(samples, 100);
        const QString path = m_dir.filePath("forty.txt");
        int total = -1;
        const TextSaveResult result = writeGraphText(chart, path, '\t', resolveRange(true, {}, {}, 100).range,
                                                     {[&](int, int t) { total = t; return true; }});
        QCOMPARE(result.lines, 40);
        QCOMPARE(total, 100); // the bar runs over the range asked for
        const QList<QByteArray> lines = readBytes(path).split('\n');
        QCOMPARE(lines.size(), 41);
        QCOMPARE(lines[39], QByteArray("3/14/26\t10:09:00 AM\t20.0\t21.0\t22.0\t23.0\r"));
        QCOMPARE(lines[40], QByteArray());
    }

    // An X no calendar holds (a graph file may carry one) writes no date or time.
    void pointBeyondAnyDate()
    {
        ChartModel chart = chartWith(kSamples, 2);
        for (int s = 0; s < 4; ++s)
            chart.setX(s, 1, 1e300);
        const QString path = m_dir.filePath("far.txt");
        QCOMPARE(writeGraphText(chart, path, '\t', {1, 2}).status, TextSaveResult::Saved);
        QCOMPARE(readBytes(path), QByteArray("3/14/26\t9:30:00 AM\t21.3\t-3.2\tOL\t100.0\r\n"
                                             "\t\t2500.0\t-328.0\tOL\tOL\r\n"));
    }

    void tableSaveAndOpen_data()
    {
        QTest::addColumn<bool>("fr");
        QTest::addColumn<QString>("name");
        QTest::addColumn<Rows>("rows");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("tab, en") << false << "t.txt"
                                 << Rows{row({"1", "3/14/26", "9:30:00 AM", "21.3", "OL", "-3.2", "100.0"}),
                                         row({"2", "3/14/26", "9:31:00 AM", "", "", "", ""})}
                                 << QByteArray("3/14/26\t9:30:00 AM\t21.3\tOL\t-3.2\t100.0\t\r\n"
                                               "3/14/26\t9:31:00 AM\t\t\t\t\t\r\n");
        QTest::newRow("comma, en") << false << "t.csv"
                                   << Rows{row({"1", "3/14/26", "9:30:00 AM", "21.3", "OL", "-3.2", "100.0"})}
                                   << QByteArray("3/14/26,9:30:00 AM,21.3,OL,-3.2,100.0,\r\n");
        QTest::newRow("comma, fr, quoted") << true << "t.csv"
                                           << Rows{row({"1", "14/03/2026", "09:30:00", "21,3", "OL", "-3,2", "100,0"})}
                                           << QByteArray("14/03/2026,09:30:00,\"21,3\",OL,\"-3,2\",\"100,0\",\r\n");
        QTest::newRow("quotes in a cell") << false << "t.txt"
                                          << Rows{row({"1", "say \"hi\"", "a\tb", "\"", "", "", "x"})}
                                          << QByteArray("\"say \"\"hi\"\"\"\t\"a\tb\"\t\"\"\"\"\t\t\tx\t\r\n");
        // An empty table window holds one empty row: it comes back numbered.
        QTest::newRow("one empty row") << false << "t.txt" << Rows{row({"1"})} << QByteArray("\t\t\t\t\t\t\r\n");
    }
    void tableSaveAndOpen()
    {
        QFETCH(bool, fr);
        QFETCH(QString, name);
        QFETCH(Rows, rows);
        if (fr)
            QLocale::setDefault(french());
        TableModel table;
        fillTable(table, rows);
        const QString path = m_dir.filePath(name);
        const TextSaveResult saved =
            writeTableText(table, path, tableSaveSeparator(name), resolveRange(true, {}, {}, table.rowCount()).range);
        QCOMPARE(saved.status, TextSaveResult::Saved);
        QTEST(readBytes(path), "bytes");

        TextTableOpen open(path);
        QVERIFY2(open.open(), qPrintable(open.error()));
        TableModel back;
        open.begin(back);
        open.run({});
        QCOMPARE(rowsOf(back), rows);
        QCOMPARE(open.message(), QString());
    }

    // A save that cannot go through leaves the file as it was, and no other file beside it.
    void saveFailures_data()
    {
        QTest::addColumn<bool>("table");
        QTest::addColumn<QString>("failure");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message"); // its start; the system's reason follows
        for (const bool table : {false, true}) {
            const char *what = table ? "table" : "graph";
            QTest::addRow("%s: read-only folder", what) << table << "read-only" << int(TextSaveResult::Failed)
                                                        << "Impossible de créer le fichier %1.\n";
            QTest::addRow("%s: write fails", what) << table << "size limit" << int(TextSaveResult::Failed)
                                                   << "Impossible d'écrire le fichier %1.\n";
            QTest::addRow("%s: cancelled", what) << table << "cancel" << int(TextSaveResult::Cancelled) << "";
        }
    }
    void saveFailures()
    {
        QFETCH(bool, table);
        QFETCH(QString, failure);
        QTemporaryDir dir;
        // Reachable by the ordinary user the read-only row checks as.
        QFile::setPermissions(dir.path(), QFile::permissions(dir.path()) | QFile::ExeOther | QFile::ReadOther);
        const QString folder = dir.filePath("out");
        QVERIFY(QDir().mkdir(folder));
        const QString path = folder + "/old.txt";
        const QByteArray old("earlier content\r\n");
        QVERIFY(writeBytes(path, old));
        QFile::setPermissions(path, QFile::permissions(path) | QFile::ReadOther);

        const int points = 100000;
        const ChartModel chart = chartWith(std::vector<std::array<float, 4>>(points, {20.5f, 21, 22, 23}), points);
        TableModel rows;
        for (int r = 0; r < points; ++r)
            rows.appendRow(row({QString::number(r + 1), "3/14/26", "9:30:00 AM", "20.5", "21.0", "22.0", "23.0"}));
        const LineRange all{1, points};
        Progress progress;
        if (failure == "cancel")
            progress = {[](int done, int) { return done < 3; }, 0};

        const auto save = [&] {
            return table ? writeTableText(rows, path, '\t', all, progress)
                         : writeGraphText(chart, path, '\t', all, progress);
        };
        TextSaveResult result;
        if (failure == "read-only") {
            ReadOnlyFolder readOnly(folder);
            result = save();
        } else if (failure == "size limit") {
            // The file system takes no more than 64 KiB, as a full disk would.
            rlimit before{};
            getrlimit(RLIMIT_FSIZE, &before);
            const rlimit small{64 * 1024, before.rlim_max};
            const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
            setrlimit(RLIMIT_FSIZE, &small);
            result = save();
            setrlimit(RLIMIT_FSIZE, &before);
            std::signal(SIGXFSZ, oldHandler);
        } else {
            result = save();
        }
        QTEST(int(result.status), "status");
        QFETCH(QString, message);
        if (message.isEmpty()) {
            QCOMPARE(result.error, QString());
        } else {
            const QString start = message.arg(QDir::toNativeSeparators(path));
            QVERIFY2(result.error.startsWith(start) && result.error.size() > start.size(), qPrintable(result.error));
        }
        QCOMPARE(readBytes(path), old);
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"old.txt"});
    }

    // --- reading into a table ------------------------------------------------------------

    void openLines_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<Rows>("rows");
        QTest::addColumn<QString>("message");
        const QString none;
        QTest::newRow("three fields") << "a.csv" << QByteArray("3/14/26,9:30:00 AM,21.3\r\n")
                                      << Rows{row({"1", "3/14/26", "9:30:00 AM", "21.3"})} << none;
        QTest::newRow("first line without tab") << "a.txt" << QByteArray("no tab here\r\n") << kEmptyTable << none;
        QTest::newRow("first line without tab, more follows")
            << "a.txt" << QByteArray("no tab here\r\n1\t2\r\n") << kEmptyTable
            << "Lecture arrêtée à la ligne 1 : cette ligne ne contient pas de séparateur.";
        QTest::newRow("empty file") << "a.txt" << QByteArray() << kEmptyTable << none;
        QTest::newRow("tab file read as comma file") << "a.csv" << QByteArray("a\tb\r\n") << kEmptyTable << none;
        QTest::newRow("fields after the sixth dropped")
            << "a.txt" << QByteArray("a\tb\tc\td\te\tf\tg\th\r\n") << Rows{row({"1", "a", "b", "c", "d", "e", "f"})}
            << none;
        QTest::newRow("empty fields") << "a.csv" << QByteArray(",b,,d\r\n") << Rows{row({"1", "", "b", "", "d"})}
                                      << none;
        QTest::newRow("quoted fields")
            << "a.csv" << QByteArray("\"21,3\",\"say \"\"hi\"\"\",x\"y\",\"\"\r\n")
            << Rows{row({"1", "21,3", "say \"hi\"", "x\"y\"", ""})} << none;
        QTest::newRow("text after a closing quote") << "a.csv" << QByteArray("\"21,3\"5,b\r\n")
                                                    << Rows{row({"1", "21,35", "b"})} << none;
        QTest::newRow("quote never closed") << "a.csv" << QByteArray("\"abc,d\r\n")
                                            << Rows{row({"1", "\"abc", "d"})} << none;
        QTest::newRow("line feeds only, last line without one")
            << "a.csv" << QByteArray("a,b\nc,d") << Rows{row({"1", "a", "b"}), row({"2", "c", "d"})} << none;
        QTest::newRow("cut inside a quote") << "a.csv" << QByteArray("a,b\r\nc,\"2")
                                            << Rows{row({"1", "a", "b"}), row({"2", "c", "\"2"})} << none;
        QTest::newRow("stops at a line without separator")
            << "a.csv" << QByteArray("a,b\r\nc,d\r\nEND\r\ne,f\r\n")
            << Rows{row({"1", "a", "b"}), row({"2", "c", "d"})}
            << "Lecture arrêtée à la ligne 3 : cette ligne ne contient pas de séparateur.";
        QTest::newRow("the last line without separator") << "a.csv" << QByteArray("a,b\r\nEND\r\n")
                                                         << Rows{row({"1", "a", "b"})} << none;
        QTest::newRow("blank lines at the end") << "a.csv" << QByteArray("a,b\r\n\r\n\n\r\n")
                                                << Rows{row({"1", "a", "b"})} << none;
        QTest::newRow("a line as long as a row holds")
            << "a.csv" << QByteArray(65533, 'x') + ",y"
            << Rows{row({"1", QString(65533, 'x'), "y"})} << none;
        QTest::newRow("a line one longer than a row holds")
            << "a.csv" << QByteArray(65534, 'x') + ",y" << kEmptyTable
            << "Lecture arrêtée à la ligne 1 : cette ligne est trop longue.";
        QTest::newRow("a longer line")
            << "a.csv" << QByteArray("a,b\r\n") + QByteArray(65536, 'x') + ",y\r\nc,d\r\n"
            << Rows{row({"1", "a", "b"})} << "Lecture arrêtée à la ligne 2 : cette ligne est trop longue.";
        QTest::newRow("a longer last line without its end")
            << "a.txt" << QByteArray("a\tb\n") + QByteArray(200000, 'x') << Rows{row({"1", "a", "b"})}
            << "Lecture arrêtée à la ligne 2 : cette ligne est trop longue.";
        QTest::newRow("UTF-8 with its mark")
            << "a.csv" << QByteArray("\xEF\xBB\xBF" "14/03/2026,09:30:00,\"21,3\",\xC2\xB0" "C\r\n")
            << Rows{row({"1", "14/03/2026", "09:30:00", "21,3", "°C"})} << none;
        QTest::newRow("bytes that are no UTF-8") << "a.csv" << QByteArray("\xFF\xFE,\x00\x01\r\n", 7)
                                                 << Rows{row({"1", "\uFFFD\uFFFD", QString(QChar(0)) + QChar(1)})}
                                                 << none;
    }
    void openLines()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(Rows, rows);
        QFETCH(QString, message);
        const QString path = m_dir.filePath(name);
        QVERIFY(writeBytes(path, bytes));
        TextTableOpen open(path);
        QVERIFY2(open.open(), qPrintable(open.error()));
        TableModel table;
        open.begin(table);
        open.run({});
        QCOMPARE(rowsOf(table), rows);
        QCOMPARE(open.message(), message);
        QVERIFY(!table.updatesSuspended());

        // The same bytes one at a time: lines and line ends cut anywhere.
        TableModel byByte;
        TextTableReader reader(byByte, char(textOpenSeparator(name).unicode()));
        for (qsizetype i = 0; i < bytes.size() && reader.wantsMore(); ++i)
            reader.feed(QByteArrayView(bytes).sliced(i, 1));
        reader.finish();
        QCOMPARE(rowsOf(byByte), rows);
        QCOMPARE(reader.message(), message);
    }

    void openRefusals_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("error"); // its start
        QTest::newRow("a folder") << "folder.txt" << "Le fichier %1 n'est pas un fichier ordinaire.";
        QTest::newRow("a pipe") << "pipe.csv" << "Le fichier %1 n'est pas un fichier ordinaire.";
        QTest::newRow("missing") << "missing.txt" << "Impossible d'ouvrir le fichier %1.\n";
        QTest::newRow("other extension") << "plain.dat" << "Impossible d'ouvrir le fichier %1.\n";
    }
    void openRefusals()
    {
        QFETCH(QString, name);
        const QString path = m_dir.filePath(name);
        QDir().mkdir(m_dir.filePath("folder.txt"));
        mkfifo(QFile::encodeName(m_dir.filePath("pipe.csv")).constData(), 0600);
        writeBytes(m_dir.filePath("plain.dat"), "a\tb\r\n");
        TextTableOpen open(path);
        QVERIFY(!open.open());
        QFETCH(QString, error);
        QVERIFY2(open.error().startsWith(error.arg(QDir::toNativeSeparators(path))), qPrintable(open.error()));
    }

    // Cancelling, or the table window going away, ends the reading with the rows so far.
    void openEndsEarly_data()
    {
        QTest::addColumn<bool>("closeWindow");
        QTest::newRow("cancelled") << false;
        QTest::newRow("table window closed") << true;
    }
    void openEndsEarly()
    {
        QFETCH(bool, closeWindow);
        QByteArray bytes;
        for (int r = 0; r < 100000; ++r)
            bytes += "3/14/26,9:30:00 AM,21.3,OL,-3.2,100.0,\r\n";
        const QString path = m_dir.filePath("large.csv");
        QVERIFY(writeBytes(path, bytes));
        TextTableOpen open(path);
        QVERIFY(open.open());
        auto *table = new TableModel;
        open.begin(*table);
        int reports = 0;
        int reportedRows = 0;
        open.run({[&](int rows, int) {
                      ++reports;
                      reportedRows = rows;
                      if (closeWindow) {
                          delete table;
                          table = nullptr;
                          return true;
                      }
                      return false;
                  },
                  0});
        QCOMPARE(reports, 1);
        QCOMPARE(reportedRows, open.rows());
        QCOMPARE(open.message(), QString());
        QVERIFY(open.rows() > 0 && open.rows() < 100000);
        if (table) {
            QVERIFY(open.cancelled());
            QCOMPARE(table->rowCount(), open.rows());
            QVERIFY(!table->updatesSuspended());
            QCOMPARE(table->cell(open.rows() - 1, 0), QString::number(open.rows()));
            delete table;
        }
    }

    // --- graph files ---------------------------------------------------------------------

    void graphFileOpen_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("error"); // empty: it opens
        QTest::newRow("length N and N bytes") << "whole" << "";
        QTest::newRow("length one larger than the file") << "long" << "Lecture au-delà de la fin du fichier %1.";
        QTest::newRow("length field cut") << "head" << "Lecture au-delà de la fin du fichier %1.";
        QTest::newRow("block damaged") << "corrupt" << "Le fichier %1 n'est pas un graphique valide.\n";
        QTest::newRow("a folder") << "folder" << "Le fichier %1 n'est pas un fichier ordinaire.";
        QTest::newRow("a pipe") << "pipe" << "Le fichier %1 n'est pas un fichier ordinaire.";
    }
    void graphFileOpen()
    {
        QFETCH(QString, kind);
        QFETCH(QString, error);
        const ChartModel saved = chartWith(kSamples, 5);
        const QString path = m_dir.filePath(kind + ".ghf");
        QVERIFY(storeChartFile(saved, path, nullptr));
        QByteArray bytes = readBytes(path);
        const quint32 n = quint32(bytes.size() - 4);
        if (kind == "long")
            bytes.replace(0, 4, QByteArray(1, char((n + 1) & 0xFF)) + char((n + 1) >> 8 & 0xFF) +
                                    char((n + 1) >> 16 & 0xFF) + char((n + 1) >> 24 & 0xFF));
        if (kind == "head")
            bytes.truncate(3);
        if (kind == "corrupt")
            bytes[bytes.size() / 2] = char(bytes[bytes.size() / 2] ^ 0x5A);
        QFile::remove(path);
        if (kind == "folder")
            QVERIFY(QDir().mkdir(path));
        else if (kind == "pipe")
            QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else
            QVERIFY(writeBytes(path, bytes));

        ChartModel chart = chartWith({{1, 2, 3, 4}}, 1);
        const QByteArray before = chart.storeState();
        QString why;
        const bool opened = openGraphFile(path, chart, &why);
        QCOMPARE(opened, error.isEmpty());
        if (opened) {
            QCOMPARE(chart.storeState(), saved.storeState());
        } else {
            QVERIFY2(why.startsWith(error.arg(path)) || why.startsWith(error.arg(QDir::toNativeSeparators(path))),
                     qPrintable(why));
            QCOMPARE(chart.storeState(), before);
        }
    }

    // --- the printed table ---------------------------------------------------------------

    void printedLines_data()
    {
        QTest::addColumn<QStringList>("cells");
        QTest::addColumn<QString>("line");
        QTest::newRow("heading") << QStringList{"No", "Date", "Time", "T1", "T2", "T3", "T4"}
                                 << "No        Date      Time             T1        T2        T3        T4        ";
        QTest::newRow("a row") << QStringList{"1", "3/14/26", "9:30:00 AM", "21.3", "OL", "-3.2", "100.0"}
                               << "1         3/14/26   9:30:00 AM       21.3      OL        -3.2      100.0     ";
        QTest::newRow("12 characters push the rest")
            << QStringList{"1", "2026-03-14AB", "09:30:00", "21,3", "", "", ""}
            << "1         2026-03-14AB09:30:00         21,3                                    ";
        QTest::newRow("long time") << QStringList{"7", "", "09:30:00 heure d'été", "x"}
                                   << "7                   09:30:00 heure d'étéx         ";
    }
    void printedLines()
    {
        QFETCH(QStringList, cells);
        QTEST(printedLine(cells), "line");
    }

    void printedTable()
    {
        TableModel table;
        fillTable(table, {row({"1", "3/14/26", "9:30:00 AM", "21.3", "OL", "-3.2", "100.0"})});
        QCOMPARE(printedTableLine(table, 0),
                 QString("No        Date      Time             T1        T2        T3        T4        "));
        QCOMPARE(printedTableLine(table, 1),
                 QString("1         3/14/26   9:30:00 AM       21.3      OL        -3.2      100.0     "));
    }

    void printPlaces_data()
    {
        QTest::addColumn<int>("pageHeight");
        QTest::addColumn<int>("lineHeight");
        QTest::addColumn<int>("line");
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("y");
        QTest::addColumn<bool>("newPage");
        // 35 / 10: three lines a page.
        QTest::newRow("first line") << 35 << 10 << 0 << 1 << 10 << false;
        QTest::newRow("last of page 1") << 35 << 10 << 2 << 1 << 30 << false;
        QTest::newRow("row L starts page 2 at y = h") << 35 << 10 << 3 << 2 << 10 << true;
        QTest::newRow("second of page 2") << 35 << 10 << 4 << 2 << 20 << false;
        QTest::newRow("row 2L") << 35 << 10 << 6 << 3 << 10 << true;
        QTest::newRow("page lower than a line") << 5 << 10 << 1 << 2 << 10 << true;
        QTest::newRow("no line height") << 35 << 0 << 1 << 1 << 2 << false;
    }
    void printPlaces()
    {
        QFETCH(int, pageHeight);
        QFETCH(int, lineHeight);
        QFETCH(int, line);
        const PrintPlace place = printPlace(line, printPage(pageHeight, lineHeight));
        QCOMPARE(place.x, 1);
        QTEST(place.page, "page");
        QTEST(place.y, "y");
        QTEST(place.newPage, "newPage");
    }
};

QTEST_GUILESS_MAIN(TestTextFiles)
#include "test_textfiles.moc"
