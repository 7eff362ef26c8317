#pragma once
// What every window of the program is handed: the meter session, the dialogs, the host
// that holds the windows, the commands, the settings, the folders, the glyph bitmaps, the
// annotation tool shared by the graph windows, the printer and the recording files.
#include "Settings.h"
#include "graph/AnnotationState.h"

#include <QPixmap>
#include <QString>
#include <memory>
#include <vector>

class QPrinter;
class QWidget;

namespace qx {

class ChartModel;
class Commands;
class Dialogs;
class MeterSession;
class WindowHost;

struct Folders {
    QString data;    // the data folder, ending with a separator; empty when there is none
    QString program; // help page and chart template; empty: the application's folder

    QString programFolder() const;
};

// The LCD digits of the front panel: "LCD0".. (large) and "LCDS0".. (small).
struct Glyphs {
    std::vector<QPixmap> large;
    std::vector<QPixmap> small;

    // A missing bitmap ends its set; the panel then leaves those digits alone.
    void load(int count);
    void clear();
};

// The one printer every printout goes to, as the printer setup left it.
class ProgramPrinter {
public:
    ProgramPrinter();
    ~ProgramPrinter();
    QPrinter &printer();

private:
    std::unique_ptr<QPrinter> m_printer;
};

// Saving what a window shows, as the files commands do it.
class RecordingFiles {
public:
    virtual ~RecordingFiles() = default;
    // Asks for a file name and saves the chart there; false when nothing was saved
    // (cancelled or failed).
    virtual bool saveGraphAs(QWidget *window, ChartModel &chart) = 0;
    // The save command for `window`; false when nothing was saved.
    virtual bool saveWindow(QWidget *window) = 0;
};

struct WindowContext {
    MeterSession &session;
    Dialogs &dialogs;
    WindowHost &host;
    Commands &commands;
    AppSettings &settings;
    Folders &folders;
    const Glyphs &glyphs;
    AnnotationState &annotations;
    ProgramPrinter &printer;
    RecordingFiles &files;
};

} // namespace qx
