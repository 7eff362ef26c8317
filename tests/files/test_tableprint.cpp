// A table window printed to a PDF file and read back as text: the heading and the rows
// as padded lines in a fixed-pitch font, and the page breaks every L lines.
#include "FilesTestUtil.h"
#include "files/TablePrinter.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <limits>

using namespace qx;
using namespace qx::test;

namespace {

QStringList rowCells(int n)
{
    return {QString::number(n), "3/14/26", "9:30:00 AM", "21.3", "OL", "-3.2", "100.0"};
}

// The pages of a PDF as pdftotext lays them out, each a list of its lines without the
// page margin, the blanks at their ends and empty lines.
QList<QStringList> pdfPages(const QString &pdf, double charWidth)
{
    QProcess p;
    p.start("pdftotext", {"-layout", "-fixed", QString::number(charWidth, 'f', 4), "-enc", "UTF-8", pdf, "-"});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return {};
    QList<QStringList> pages;
    QStringList pageTexts = QString::fromUtf8(p.readAllStandardOutput()).split('\f');
    if (!pageTexts.isEmpty() && pageTexts.last().trimmed().isEmpty())
        pageTexts.removeLast();
    for (const QString &page : pageTexts) {
        QStringList lines;
        for (const QString &line : page.split('\n'))
            if (!line.trimmed().isEmpty())
                lines << QString(line).remove(QRegularExpression("\\s+$"));
        pages << lines;
    }
    // Every line starts at the page's left margin: take it off.
    qsizetype margin = std::numeric_limits<qsizetype>::max();
    for (const QStringList &page : pages)
        for (const QString &line : page)
            margin = std::min(margin, line.size() - QString(line).remove(QRegularExpression("^\\s+")).size());
    for (QStringList &page : pages)
        for (QString &line : page)
            line.remove(0, margin);
    return pages;
}

} // namespace

class TestTablePrint : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    double m_charWidth = 0; // points

    QString printToPdf(const TableModel &table, const QString &name)
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setPageSize(QPageSize(QPageSize::A4));
        const QString path = m_dir.filePath(name);
        printer.setOutputFileName(path);
        // pdftotext lines text up by a character width: that of the font printed.
        QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        font.setPointSize(8);
        m_charWidth = QFontMetricsF(font, &printer).horizontalAdvance('0') * 72.0 / printer.resolution();
        return printTable(table, printer) ? path : QString();
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(!QStandardPaths::findExecutable("pdftotext").isEmpty(), "pdftotext (poppler-utils) is needed");
    }

    // The heading and two data rows: three lines on one page.
    void headingAndTwoRows()
    {
        TableModel table;
        fillTable(table, {rowCells(1), {"2", "14/03/2026", "09:31:00", "2500,0", "-328,0", "", "x"}});
        const QString pdf = printToPdf(table, "two.pdf");
        QVERIFY(!pdf.isEmpty());
        const QList<QStringList> pages = pdfPages(pdf, m_charWidth);
        QCOMPARE(pages.size(), 1);
        QCOMPARE(pages[0], QStringList({
                               "No        Date      Time             T1        T2        T3        T4",
                               "1         3/14/26   9:30:00 AM       21.3      OL        -3.2      100.0",
                               "2         14/03/202609:31:00         2500,0    -328,0              x",
                           }));
    }

    // Row L begins the second page; every page holds L lines, the last what is left.
    void pageBreaks()
    {
        TableModel table;
        const int rows = 300;
        for (int n = 1; n <= rows; ++n)
            table.appendRow(rowCells(n));
        const QString pdf = printToPdf(table, "many.pdf");
        QVERIFY(!pdf.isEmpty());
        const QList<QStringList> pages = pdfPages(pdf, m_charWidth);
        QVERIFY(pages.size() >= 2);
        const int perPage = int(pages[0].size());
        QVERIFY(perPage > 10);
        QCOMPARE(pages[0].first(), QString("No        Date      Time             T1        T2        T3        T4"));
        QCOMPARE(pages.size(), (rows + 1 + perPage - 1) / perPage);
        for (int p = 0; p < pages.size(); ++p) {
            const int first = p * perPage; // grid row, 0 the heading
            const int expected = std::min(perPage, rows + 1 - first);
            QCOMPARE(int(pages[p].size()), expected);
            if (p > 0)
                QCOMPARE(pages[p].first(),
                         QString("%1 3/14/26   9:30:00 AM       21.3      OL        -3.2      100.0")
                             .arg(QString::number(first).leftJustified(9)));
        }
        QCOMPARE(pages.last().last(),
                 QString("300       3/14/26   9:30:00 AM       21.3      OL        -3.2      100.0"));
    }
};

QTEST_MAIN(TestTablePrint)
#include "test_tableprint.moc"
