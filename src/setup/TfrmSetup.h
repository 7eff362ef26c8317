#pragma once
// The meter setup window: the meter's clock, recording interval, memory erase, default
// settings and information, the calibration read-out and the EEPROM cells. The window
// reads its fields, runs the operation and shows what it told; while one runs, the
// operation buttons are disabled and the window does not close.
#include "MeterSetup.h"
#include "ui/WindowHost.h"

#include <QWidget>
#include <array>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace qx {

struct WindowContext;

class TfrmSetup : public QWidget, public ChildWindow, private SetupView {
    Q_OBJECT
public:
    explicit TfrmSetup(WindowContext &context);
    ~TfrmSetup() override;

    WindowKind windowKind() const override { return WindowKind::Setup; }
    // Not while an operation runs: it is still on its way through the window.
    bool closeQuery() override;

    bool running() const { return m_running; }
    MeterSetup &setup() { return m_setup; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // SetupView
    QString input(SetupInput which) const override;
    void started(SetupOperation operation) override;
    void calibrationCleared() override;
    void setBusyCursor(bool busy) override;
    void finished(const SetupResult &result) override;

    void build();
    QPushButton *addButton(const char *name, const char *caption);
    QLabel *addStatus(const char *name);
    QLineEdit *addEdit(const char *name, const char *text, bool readOnly = false);
    // Runs an operation with the operation buttons disabled.
    void runOperation(const std::function<void()> &operation);
    QLabel *statusOf(SetupOperation operation) const;
    void showStatus(QLabel *label, const QString &text, bool ok);
    void showInformation(const MeterInfoTexts &texts);
    void message(const QString &text);

    WindowContext &m_context;
    MeterSetup m_setup;
    bool m_running = false;
    bool m_closePending = false;
    bool m_busyCursor = false;

    std::vector<QPushButton *> m_buttons;
    std::array<QLabel *, 8> m_status{};       // by SetupOperation
    std::vector<QLineEdit *> m_infoFields;    // the sixteen of the information group
    std::array<QLineEdit *, 12> m_calibration{}; // gains, EXT offsets, CJC offsets
    QLineEdit *m_minutes = nullptr;
    QLineEdit *m_seconds = nullptr;
    QLineEdit *m_writeAddress = nullptr;
    QLineEdit *m_writeData = nullptr;
    QLineEdit *m_password = nullptr;
    QLineEdit *m_readAddress = nullptr;
    QLineEdit *m_readData = nullptr;
};

// Creates the setup window as a child window of the main window, centred.
QWidget *createSetupWindow(WindowContext &context);

} // namespace qx
