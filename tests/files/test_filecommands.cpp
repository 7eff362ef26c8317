// Save, Open and Print of the running program on the simulated meter: by the active
// window, through the scripted dialogs, with the files on disk read back.
#include "files/FileCommands.h"
#include "files/FileTypes.h"
#include "ui/Dialogs.h"
#include "graph/RealTimeController.h"
#include "graph/TfrmSetupRealTime.h"
#include "logger/DataLoggerController.h"
#include "logger/TfrmList.h"
#include "logger/TfrmOpenSave.h"
#include "logger/TfrmScope.h"
#include "support/GraphRig.h"
#include "ui/Commands.h"

#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPrinter>
#include <QProcess>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>

using namespace qx;
using namespace qx::test;

namespace {

struct Rig : GraphRig {
    Rig() : GraphRig(true) { h.advance(kPollIntervalDisconnectedMs); }

    void command(const char *name) { h.action(name)->trigger(); }
    void activate(QWidget *w) { h.main->mdiArea()->setActiveSubWindow(childFrame(w)); }
    // A real-time recording of `n` samples, stopped.
    void record(int n)
    {
        h.dialogs.answerDialog([n](QDialog &d) {
            static_cast<TfrmSetupRealTime &>(d).countEdit()->setText(QString::number(n));
            return int(QDialog::Accepted);
        });
        h.find<QToolButton>("btnRun")->click();
        for (int t = 0; t < 60000 && h.program->realTime().recording().running(); t += kPollIntervalConnectedMs)
            h.advance(kPollIntervalConnectedMs);
    }
    // The range question answered: all rows, or from and to as typed.
    void answerRange(const QString &from = {}, const QString &to = {})
    {
        h.dialogs.answerDialog([=](QDialog &d) {
            auto &scope = static_cast<TfrmScope &>(d);
            if (!from.isNull()) {
                scope.radNo()->setChecked(true);
                scope.edtSelFrom()->setText(from);
                scope.edtSelTo()->setText(to);
            }
            return int(QDialog::Accepted);
        });
    }
    void answerChoice(int result)
    {
        h.dialogs.answerDialog([result](QDialog &) { return result; });
    }
    template <class T> T *lastWindow() const
    {
        return qobject_cast<T *>(h.main->mdiArea()->subWindowList().last()->widget());
    }
};

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestFileCommands : public QObject {
    Q_OBJECT
private slots:
    // The save dialog follows the chosen type: the extension its filter stands for.
    void filterSuffixOfTheChosenType_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("suffix");
        QTest::newRow("graph") << "Graph file(*.ghf,only for QX736) (*.GHF)" << "GHF";
        QTest::newRow("spaces") << "TXT file(*.txt,data seperated by tab)                              (*.TXT)" << "TXT";
        QTest::newRow("comma") << "EXCEL file format(*.CSV,seperated by comma)  (*.CSV)" << "CSV";
        QTest::newRow("any file") << "Tous (*)" << "";
        QTest::newRow("no pattern") << "Graph file" << "";
    }
    void filterSuffixOfTheChosenType()
    {
        QFETCH(QString, filter);
        QFETCH(QString, suffix);
        QCOMPARE(filterSuffix(filter), suffix);
        // The program's own type lists, as Qt's dialog is given them.
        const QStringList filters = qtFileFilter(graphFileTypes(false)).split(";;");
        QCOMPARE(filters.size(), 3);
        QCOMPARE(filterSuffix(filters[2]), QString("CSV"));
    }

    // A recording saved as a graph file opens in a new window with the same chart,
    // captioned with the file's full name.
    void graphFileSaveAndOpen()
    {
        Rig rig;
        rig.record(5);
        TfrmGraph *rt = rig.realTime();
        rig.activate(rt);
        const QString file = rig.folder.filePath("run.ghf");
        rig.h.dialogs.answerFile(file);
        rig.command("Save1");
        QVERIFY(QFile::exists(file));
        QCOMPARE(rig.h.dialogs.shown().back().text.section('|', 1),
                 QString("Graph file(*.ghf,only for QX736)|*.GHF|TXT file(*.txt,data seperated by tab)|*.TXT|"
                         "EXCEL file format(*.CSV,seperated by comma)|*.CSV"));

        rig.answerChoice(TfrmOpenSave::SingleSet);
        rig.h.dialogs.answerFile(file);
        rig.command("Open1");
        auto *opened = rig.lastWindow<TfrmGraph>();
        QVERIFY(opened && opened != rt);
        QCOMPARE(opened->windowTitle(), file);
        QCOMPARE(opened->model().storeState(), rt->model().storeState());
        QCOMPARE(opened->dataNoField()->text(), QString("5"));
    }

    // The same recording as a tab file, then opened into a table window and turned into
    // a graph again.
    void textSaveOpenAndGraph()
    {
        Rig rig;
        rig.record(4);
        rig.activate(rig.realTime());
        const QString file = rig.folder.filePath("run.txt");
        rig.h.dialogs.answerFile(file);
        rig.answerRange();
        rig.command("Save1");
        const QList<QByteArray> lines = readAll(file).split('\n');
        QCOMPARE(lines.size(), 5); // four lines and the end
        QVERIFY(lines[0].endsWith('\r'));
        QCOMPARE(lines[0].count('\t'), 5);

        rig.answerChoice(TfrmOpenSave::SingleSet);
        rig.h.dialogs.answerFile(file);
        rig.command("Open1");
        auto *list = rig.lastWindow<TfrmList>();
        QVERIFY(list);
        QCOMPARE(list->windowTitle(), file);
        QCOMPARE(list->model().rowCount(), 4);
        rig.activate(list);
        // The table saved again: every row, each field followed by the separator.
        const QString again = rig.folder.filePath("again.txt");
        rig.h.dialogs.answerFile(again);
        rig.answerRange();
        rig.command("Save1");
        const QList<QByteArray> rows = readAll(again).split('\n');
        QCOMPARE(rows.size(), 5);
        QCOMPARE(rows[3], lines[3].left(lines[3].size() - 1) + "\t\r");
        QVERIFY(rig.h.find<QToolButton>("btnOutputToGraph")->isEnabled());
        rig.h.find<QToolButton>("btnOutputToGraph")->click();
        auto *g = rig.lastWindow<TfrmGraph>();
        QVERIFY(g);
        QCOMPARE(g->model().pointCount(), 4);
    }

    void rangeThatIsNoInteger()
    {
        Rig rig;
        rig.record(3);
        rig.activate(rig.realTime());
        const QString file = rig.folder.filePath("r.csv");
        rig.h.dialogs.answerFile(file);
        rig.answerRange("abc", "2");
        rig.command("Save1");
        QCOMPARE(rig.h.dialogs.messages(), QStringList{"Entier non valide"});
        QVERIFY(!QFile::exists(file));
    }

    // The data logger window: the collection, or the set shown as a graph.
    void dataLoggerWindowSave()
    {
        Rig rig;
        rig.h.find<QToolButton>("btnDataLogger")->click();
        TfrmGraph *logger = rig.h.program->dataLogger().window();
        QVERIFY(logger);
        rig.activate(logger);
        const QString collection = rig.folder.filePath("sets.ch4");
        rig.answerChoice(TfrmOpenSave::Sets);
        rig.h.dialogs.answerFile(collection);
        rig.command("Save1");
        QVERIFY(QFile::exists(collection));
        QVERIFY(!rig.h.program->dataLogger().logger().unsavedDataSets());

        const QString single = rig.folder.filePath("set0.ghf");
        rig.answerChoice(TfrmOpenSave::SingleSet);
        rig.h.dialogs.answerFile(single);
        rig.command("Save1");
        QVERIFY(QFile::exists(single));
    }

    // A collection save that fails says why and keeps the close question.
    void failedCollectionSaveKeepsTheMark()
    {
        Rig rig;
        rig.h.find<QToolButton>("btnDataLogger")->click();
        DataLoggerController &logger = rig.h.program->dataLogger();
        QVERIFY(logger.logger().unsavedDataSets());
        const QString file = rig.folder.filePath("no such folder/sets.ch4");
        rig.h.dialogs.answerFile(file);
        QVERIFY(!logger.saveCollection());
        QCOMPARE(rig.h.dialogs.messages().size(), 1);
        QVERIFY(rig.h.dialogs.messages()[0].startsWith("Impossible d'enregistrer le fichier "));
        QVERIFY(logger.logger().unsavedDataSets());
    }

    // The table window prints its rows; the front panel prints nothing.
    void printTableToPdf()
    {
        Rig rig;
        QFile csv(rig.folder.filePath("t.csv"));
        QVERIFY(csv.open(QIODevice::WriteOnly));
        csv.write("14/03/2026,09:30:00,21.5,22.0,OL,-3.5\r\n14/03/2026,09:30:02,21.6,22.1,OL,-3.4\r\n");
        csv.close();
        QWidget *list = rig.h.program->files().openSingleRecording(csv.fileName());
        QVERIFY(list);
        rig.activate(list);
        QPrinter &printer = rig.h.program->context().printer.printer();
        printer.setOutputFormat(QPrinter::PdfFormat);
        const QString pdf = rig.folder.filePath("t.pdf");
        printer.setOutputFileName(pdf);
        rig.h.dialogs.answerPrint(true);
        rig.command("Print1");
        QVERIFY(QFile::exists(pdf));
        QProcess text;
        text.start("pdftotext", {"-layout", pdf, "-"});
        QVERIFY(text.waitForFinished());
        const QString out = QString::fromUtf8(text.readAllStandardOutput());
        QVERIFY2(out.contains("No") && out.contains("09:30:02") && out.contains("-3.4"), qPrintable(out));

        // A graph: the chart's settings first (cancelled here), then its print on the same
        // printer.
        const QString graphPdf = rig.folder.filePath("g.pdf");
        printer.setOutputFileName(graphPdf);
        rig.activate(rig.realTime());
        rig.h.dialogs.clear();
        rig.h.dialogs.answerPrint(true);
        rig.command("Print1");
        QCOMPARE(rig.h.dialogs.shown().front().kind, QString("dialog"));
        QCOMPARE(rig.h.dialogs.shown().back().kind, QString("print"));
        QVERIFY(QFileInfo(graphPdf).size() > 1000);

        rig.activate(rig.h.main->panel());
        rig.h.dialogs.clear();
        rig.command("Print1");
        QVERIFY(rig.h.dialogs.shown().empty());
    }
};

QTEST_MAIN(TestFileCommands)
#include "test_filecommands.moc"
