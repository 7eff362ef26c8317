#pragma once
// Every message box and common dialog the program shows goes through here, so tests can
// script the answers and read the exact texts.
#include <QColor>
#include <QFont>
#include <QString>
#include <optional>

class QDialog;
class QWidget;
class QPrinter;

namespace qx {

class Dialogs {
public:
    enum Button { Ok = 0x1, Yes = 0x2, No = 0x4, Cancel = 0x8 };

    virtual ~Dialogs() = default;
    // A plain message with an OK button.
    virtual void message(QWidget *parent, const QString &text) = 0;
    // A question; returns the button chosen (Cancel when the box is closed).
    virtual Button question(QWidget *parent, const QString &text, int buttons) = 0;
    // Empty when cancelled.
    virtual QString openFileName(QWidget *parent, const QString &folder, const QString &filter) = 0;
    virtual QString saveFileName(QWidget *parent, const QString &folder, const QString &filter,
                                 const QString &defaultSuffix) = 0;
    virtual std::optional<QColor> color(QWidget *parent, const QColor &initial) = 0;
    virtual std::optional<QFont> font(QWidget *parent, const QFont &initial) = 0;
    virtual bool print(QWidget *parent, QPrinter &printer) = 0;
    virtual bool printerSetup(QWidget *parent, QPrinter &printer) = 0;
    // Opens a file with the system's default viewer.
    virtual void openExternal(const QString &path) = 0;
    // Runs one of the program's own modal dialogs; returns its QDialog result code.
    virtual int execDialog(QDialog &dialog) = 0;
};

// A filter written "description|patterns|description|patterns" (patterns separated by ';')
// as Qt's file dialogs read it: "description (patterns);;..."; a filter without '|' as it is.
QString qtFileFilter(const QString &filter);
// The extension a Qt filter's pattern stands for, without its dot ("GHF"); empty when the
// pattern is not a single "*.ext".
QString filterSuffix(const QString &qtFilter);

// The real dialogs of Qt.
class QtDialogs final : public Dialogs {
public:
    void message(QWidget *parent, const QString &text) override;
    Button question(QWidget *parent, const QString &text, int buttons) override;
    QString openFileName(QWidget *parent, const QString &folder, const QString &filter) override;
    QString saveFileName(QWidget *parent, const QString &folder, const QString &filter,
                         const QString &defaultSuffix) override;
    std::optional<QColor> color(QWidget *parent, const QColor &initial) override;
    std::optional<QFont> font(QWidget *parent, const QFont &initial) override;
    bool print(QWidget *parent, QPrinter &printer) override;
    bool printerSetup(QWidget *parent, QPrinter &printer) override;
    void openExternal(const QString &path) override;
    int execDialog(QDialog &dialog) override;
};

} // namespace qx
