// The journal of a running real-time recording: what it holds on disk, what survives an
// interrupted program, and that nothing is left behind once the user has decided.
#include "graph/RealTimeController.h"
#include "graph/RecordingJournal.h"
#include "graph/TfrmSetupRealTime.h"
#include "support/MainHarness.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <QToolButton>
#include <sys/stat.h>

using namespace qx;
using namespace qx::test;

namespace {

// The program with a template, connected, its journals in `folder`.
struct Recorder {
    CountingFiles files;
    std::unique_ptr<MainHarness> h;
    explicit Recorder(const QString &folder)
    {
        h = std::make_unique<MainHarness>(MainOptions{}, &files, folder);
        h->main->show();
        h->advance(kPollIntervalDisconnectedMs);
    }
    RealTimeController &rt() { return h->program->realTime(); }
    void run(int count = 2000)
    {
        h->dialogs.answerDialog([count](QDialog &d) {
            auto &s = static_cast<TfrmSetupRealTime &>(d);
            s.countEdit()->setText(QString::number(count));
            return int(QDialog::Accepted);
        });
        h->find<QToolButton>("btnRun")->click();
    }
    void record(int samples)
    {
        for (int t = 0; t < 60000 && rt().recording().recordedCount() < samples; t += kPollIntervalConnectedMs)
            h->advance(kPollIntervalConnectedMs);
    }
};

QStringList journalsIn(const QString &folder)
{
    return QDir(folder).entryList({"*.qxj"}, QDir::Files);
}

LiveSample sample(int i)
{
    LiveSample s;
    s.time = 46095.5 + i / 86400.0;
    s.channelStatus = i == 2 ? 0x12 : 0; // one sample with two channels flagged
    s.temperature = {20.5f + i, -3.25f, 1300.0f, float(i) / 3};
    return s;
}

JournalHeader header()
{
    JournalHeader h;
    h.startTime = 46095.5;
    h.interval = 2;
    h.plannedCount = 100;
    h.extensionStep = 10.0 / 86400;
    h.chartState = QByteArray("chart state bytes");
    return h;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

} // namespace

class TestJournal : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::French, QLocale::France)); }

    // The bytes of a journal: header, then one checked record per sample.
    void layout()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("a.qxj");
        RecordingJournal j;
        QVERIFY(j.begin(path, header(), 0));
        QVERIFY(j.append(sample(0), 10));
        j.close();
        const QByteArray bytes = readAll(path);
        const int headerSize = 8 + 4 + 8 + 4 + 4 + 8 + 4 + 17 + 4;
        QCOMPARE(bytes.size(), headerSize + 36);
        QCOMPARE(bytes.left(12), QByteArray("QX736JNL\x01\x00\x00\x00", 12));
        QCOMPARE(bytes.mid(20, 8), QByteArray("\x02\x00\x00\x00\x64\x00\x00\x00", 8)); // interval, planned
        QCOMPARE(bytes.mid(36, 4), QByteArray("\x11\x00\x00\x00", 4));                 // state length
        const QByteArray record = bytes.mid(headerSize);
        QCOMPARE(record.left(4), QByteArray(4, '\0'));     // sample number 0
        QCOMPARE(record.mid(12, 4), QByteArray(4, '\0'));  // status and padding
        QCOMPARE(record.mid(16, 4), QByteArray("\x00\x00\xA4\x41", 4)); // 20.5f
        // The well-known check value of "123456789".
        QCOMPARE(crc32("123456789", 9), 0xCBF43926u);
    }

    void roundTripAndTornTail()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("a.qxj");
        RecordingJournal j;
        QVERIFY(j.begin(path, header(), 0));
        for (int i = 0; i < 5; ++i)
            QVERIFY(j.append(sample(i), i * 2000));
        j.close();
        JournalContent c;
        QCOMPARE(int(readJournal(path, c)), int(JournalRead::Ok));
        QCOMPARE(c.header.chartState, header().chartState);
        QCOMPARE(c.header.plannedCount, 100u);
        QCOMPARE(int(c.samples.size()), 5);
        QVERIFY(!c.tornTail);
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(c.samples[std::size_t(i)].time, sample(i).time);
            QCOMPARE(c.samples[std::size_t(i)].channelStatus, sample(i).channelStatus);
            QVERIFY(c.samples[std::size_t(i)].temperature == sample(i).temperature);
        }
        // Cut anywhere in the last record: only that record is lost.
        const QByteArray whole = readAll(path);
        for (int cut = 1; cut < 36; ++cut) {
            writeAll(path, whole.left(whole.size() - cut));
            QCOMPARE(int(readJournal(path, c)), int(JournalRead::Ok));
            QCOMPARE(int(c.samples.size()), 4);
            QVERIFY(c.tornTail);
        }
        // A spoiled byte in a record ends the recording there.
        QByteArray spoiled = whole;
        spoiled[spoiled.size() - 36 * 2 + 6] ^= 0x40;
        writeAll(path, spoiled);
        QCOMPARE(int(readJournal(path, c)), int(JournalRead::Ok));
        QCOMPARE(int(c.samples.size()), 3);
    }

    void damagedOrForeignFilesAreRefused_data()
    {
        QTest::addColumn<int>("offset"); // byte changed; -1: file cut to 20 bytes, -2: foreign, -3: huge length
        QTest::newRow("magic") << 0;
        QTest::newRow("version") << 8;
        QTest::newRow("start") << 14;
        QTest::newRow("chart state") << 42;
        QTest::newRow("header check") << 57;
        QTest::newRow("cut") << -1;
        QTest::newRow("foreign") << -2;
        QTest::newRow("length beyond the file") << -3;
    }
    void damagedOrForeignFilesAreRefused()
    {
        QFETCH(int, offset);
        QTemporaryDir dir;
        const QString path = dir.filePath("a.qxj");
        RecordingJournal j;
        QVERIFY(j.begin(path, header(), 0));
        QVERIFY(j.append(sample(0), 0));
        j.close();
        QByteArray bytes = readAll(path);
        if (offset >= 0)
            bytes[offset] = char(bytes[offset] ^ 0x01);
        else if (offset == -1)
            bytes = bytes.left(20);
        else if (offset == -2)
            bytes = QByteArray("No,Date,Time,T1\r\n1,14/03/2026,09:30:00,21.5\r\n");
        else
            bytes.replace(36, 4, QByteArray("\xFF\xFF\xFF\x00", 4));
        writeAll(path, bytes);
        JournalContent c;
        QString why;
        QCOMPARE(int(readJournal(path, c, &why)), int(JournalRead::BadHeader));
        QVERIFY(!why.isEmpty());
        QVERIFY(c.samples.empty());
    }

    void notARegularFile()
    {
        QTemporaryDir dir;
        const QString fifo = dir.filePath("f.qxj");
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        JournalContent c;
        QCOMPARE(int(readJournal(fifo, c)), int(JournalRead::NotAFile));
        QCOMPARE(int(readJournal(dir.path(), c)), int(JournalRead::NotAFile));
    }

    // A program that goes away without any close handling leaves its journal; the next
    // start offers it back and shows every sample exactly as it was recorded.
    void interruptedRecordingComesBack()
    {
        QTemporaryDir folder;
        std::vector<double> xs;
        std::vector<float> ys;
        {
            Recorder r(folder.path());
            r.run();
            r.record(7);
            const ChartModel &m = r.rt().window()->model();
            for (int p = 0; p < 7; ++p) {
                xs.push_back(m.getX(0, p));
                for (int s = 0; s < 4; ++s)
                    ys.push_back(m.getY(s, p));
            }
            QCOMPARE(journalsIn(folder.path()).size(), 1);
        } // dropped, as by a crash: no close question, no save
        QCOMPARE(journalsIn(folder.path()).size(), 1);

        CountingFiles files;
        MainHarness again({}, &files, folder.path());
        again.dialogs.answer(Dialogs::Yes);
        again.main->show();
        const QString offer = again.dialogs.texts().value(0);
        QVERIFY2(QRegularExpression("^Un enregistrement Temps-Réel interrompu a été trouvé \\(7 données, début "
                                    "14/03/2026 09:30:\\d\\d\\)\\. Le restaurer \\?$")
                     .match(offer)
                     .hasMatch(),
                 qPrintable(offer));
        TfrmGraph *restored = nullptr;
        for (QMdiSubWindow *w : again.main->mdiArea()->subWindowList())
            if (auto *g = qobject_cast<TfrmGraph *>(w->widget()); g && g->kind() == GraphKind::Single)
                restored = g;
        QVERIFY(restored);
        const ChartModel &m = restored->model();
        QCOMPARE(m.pointCount(), 7);
        for (int p = 0; p < 7; ++p) {
            QCOMPARE(m.getX(0, p), xs[std::size_t(p)]);
            for (int s = 0; s < 4; ++s)
                QCOMPARE(m.getY(s, p), ys[std::size_t(p * 4 + s)]);
        }
        QCOMPARE(restored->dataNoField()->text(), QString("7"));
        // Unsaved: closing asks, and a save ends the journal.
        again.dialogs.answer(Dialogs::Yes);
        restored->parentWidget()->close();
        QCOMPARE(again.dialogs.texts().last(), QString("Enregistrer le graphique Temps-Réel ?"));
        QCOMPARE(files.saves, 1);
        QVERIFY(journalsIn(folder.path()).isEmpty());
    }

    // A program killed outright in the middle of a recording: every record that reached
    // the system comes back, identical, in the next program.
    void killedProgramsRecordingComesBack()
    {
        QTemporaryDir folder;
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        child.setProcessEnvironment(env);
        child.start(QX_JOURNAL_CHILD, {folder.path()});
        QVERIFY(child.waitForStarted());
        // Three samples on disk (one a second), then SIGKILL: no handler runs.
        QString journal;
        QTRY_VERIFY_WITH_TIMEOUT([&] {
            const QStringList found = journalsIn(folder.path());
            if (found.isEmpty())
                return false;
            journal = QDir(folder.path()).filePath(found[0]);
            JournalContent c;
            return readJournal(journal, c) == JournalRead::Ok && c.samples.size() >= 3;
        }(), 30000);
        child.kill();
        QVERIFY(child.waitForFinished());
        JournalContent onDisk;
        QCOMPARE(int(readJournal(journal, onDisk)), int(JournalRead::Ok));
        QVERIFY(onDisk.samples.size() >= 3);

        MainHarness again({}, nullptr, folder.path());
        again.dialogs.answer(Dialogs::Yes);
        again.main->show();
        TfrmGraph *restored = nullptr;
        for (QMdiSubWindow *w : again.main->mdiArea()->subWindowList())
            if (auto *g = qobject_cast<TfrmGraph *>(w->widget()); g && g->kind() == GraphKind::Single)
                restored = g;
        QVERIFY(restored);
        const ChartModel &m = restored->model();
        QCOMPARE(m.pointCount(), int(onDisk.samples.size()));
        for (int p = 0; p < m.pointCount(); ++p) {
            const LiveSample &s = onDisk.samples[std::size_t(p)];
            QCOMPARE(m.getX(0, p), s.time);
            for (int ch = 0; ch < 4; ++ch)
                QCOMPARE(m.getY(ch, p), channelFlagged(s.channelStatus, ch) ? 9999.0f : s.temperature[std::size_t(ch)]);
        }
    }

    // No at the offer asks once more; only a yes deletes.
    void declinedOfferDeletesOnlyOnYes()
    {
        QTemporaryDir folder;
        {
            Recorder r(folder.path());
            r.run();
            r.record(2);
        }
        for (const Dialogs::Button second : {Dialogs::No, Dialogs::Yes}) {
            MainHarness again({}, nullptr, folder.path());
            again.dialogs.answer(Dialogs::No);
            again.dialogs.answer(second);
            again.main->show();
            QCOMPARE(again.dialogs.texts().value(1),
                     QString("Supprimer l'enregistrement Temps-Réel interrompu ? Il ne pourra plus être restauré."));
            QCOMPARE(journalsIn(folder.path()).size(), second == Dialogs::Yes ? 0 : 1);
        }
    }

    // A damaged journal is reported and kept under another name.
    void damagedJournalIsSetAside()
    {
        QTemporaryDir folder;
        writeAll(folder.filePath("realtime-20260314-093000.qxj"), "not a journal at all, but long enough to read");
        MainHarness h({}, nullptr, folder.path());
        h.main->show();
        QCOMPARE(h.dialogs.messages().size(), 1);
        QVERIFY(h.dialogs.messages()[0].startsWith("L'enregistrement Temps-Réel interrompu "));
        QVERIFY(journalsIn(folder.path()).isEmpty());
        QVERIFY(QFile::exists(folder.filePath("realtime-20260314-093000.qxj.damaged")));
    }

    // Once the user has decided about the samples, nothing is left behind; a stop alone
    // keeps them on disk until then.
    void nothingLeftOnceDecided_data()
    {
        QTest::addColumn<QString>("ending");
        QTest::addColumn<int>("left");
        QTest::newRow("stop") << "stop" << 1;
        QTest::newRow("stop, save") << "save" << 0;
        QTest::newRow("stop, clear without saving") << "clear" << 0;
        QTest::newRow("close, no") << "close no" << 0;
        QTest::newRow("close, cancel") << "close cancel" << 1;
        QTest::newRow("stop, run again") << "run" << 1;
    }
    void nothingLeftOnceDecided()
    {
        QFETCH(QString, ending);
        QFETCH(int, left);
        QTemporaryDir folder;
        Recorder r(folder.path());
        r.run();
        r.record(3);
        if (!ending.startsWith("close"))
            r.h->find<QToolButton>("btnStop")->click();
        if (ending == "save") {
            r.rt().window()->saveChart();
        } else if (ending == "clear") {
            r.h->dialogs.answer(Dialogs::No);
            r.rt().window()->clearButton()->click();
        } else if (ending == "run") {
            r.h->dialogs.answer(Dialogs::No);
            r.run();
        } else if (ending.startsWith("close")) {
            r.h->dialogs.answer(ending == "close no" ? Dialogs::No : Dialogs::Cancel);
            r.rt().window()->parentWidget()->close();
        }
        QCOMPARE(journalsIn(folder.path()).size(), left);
    }

    // Two programs: the second records without a journal and says so; the first's stays.
    void secondProgramLeavesTheFirstsJournal()
    {
        QTemporaryDir folder;
        Recorder first(folder.path());
        first.run();
        first.record(2);
        const QStringList before = journalsIn(folder.path());
        QCOMPARE(before.size(), 1);
        Recorder second(folder.path());
        QVERIFY(second.h->dialogs.texts().isEmpty()); // nothing offered
        second.run();
        second.record(2);
        QCOMPARE(second.h->main->statusText(0),
                 QString("Enregistrement sans journal : un autre QX736 tient le dossier de reprise"));
        QCOMPARE(journalsIn(folder.path()), before);
        first.record(4);
        JournalContent c;
        QCOMPARE(int(readJournal(QDir(folder.path()).filePath(before[0]), c)), int(JournalRead::Ok));
        QCOMPARE(int(c.samples.size()), 4);
    }
};

QTEST_MAIN(TestJournal)
#include "test_journal.moc"
