#pragma once
// The program with its graph windows: a main window on the simulated meter whose program
// folder holds a template of the given split (or none at all), shown and ready.
#include "graph/ChartFile.h"
#include "graph/ChartSetup.h"
#include "graph/RealTimeController.h"
#include "graph/TfrmGraph.h"
#include "support/MainHarness.h"

#include <QDir>
#include <QMdiSubWindow>
#include <QTemporaryDir>

namespace qx::test {

struct GraphRig {
    QTemporaryDir folder;
    MainHarness h;
    explicit GraphRig(bool withTemplate = false, bool split = true, RecordingFiles *files = nullptr)
        : h({}, files)
    {
        h.setProgramFolder(folder.path());
        if (withTemplate) {
            ChartModel t;
            t.setSeriesCount(4);
            applyChartDefaults(t, 4, 50, -10);
            setChartSplit(t, split);
            QDir().mkpath(folder.filePath("template"));
            QString error;
            storeChartFile(t, chartTemplatePath(folder.path()), &error);
        }
        h.main->show();
        QApplication::processEvents();
    }
    TfrmGraph *realTime() const { return h.program->realTime().window(); }
    void closeRealTime()
    {
        realTime()->parentWidget()->close();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

} // namespace qx::test
