#pragma once
// Dialogs for tests: every box shown is recorded with its text, and answers come from a
// script. A question nobody scripted is answered Cancel and noted, so a test can fail on it.
#include "ui/Dialogs.h"

#include <QDialog>
#include <QStringList>
#include <deque>
#include <functional>

namespace qx::test {

class ScriptedDialogs final : public Dialogs {
public:
    struct Shown {
        QString kind; // "message", "question", "open", "save", "color", "font", "print", …
        QString text;
    };

    void answer(Button b) { m_answers.push_back(b); }
    void answerFile(const QString &path) { m_files.push_back(path); }
    void answerColor(const QColor &c) { m_colors.push_back(c); }
    // The print dialog's OK (true) or cancel; unscripted: cancel.
    void answerPrint(bool ok) { m_prints.push_back(ok); }
    // A program dialog: the handler fills it in and returns Accepted or Rejected.
    void answerDialog(std::function<int(QDialog &)> handler) { m_dialogs.push_back(std::move(handler)); }

    const std::vector<Shown> &shown() const { return m_shown; }
    QStringList texts() const;
    QStringList messages() const; // texts of plain messages only
    void clear() { m_shown.clear(); }
    int unscripted() const { return m_unscripted; }
    const QStringList &opened() const { return m_external; }

    void message(QWidget *, const QString &text) override { m_shown.push_back({"message", text}); }
    Button question(QWidget *, const QString &text, int buttons) override;
    QString openFileName(QWidget *, const QString &folder, const QString &filter) override;
    QString saveFileName(QWidget *, const QString &folder, const QString &filter,
                         const QString &defaultSuffix) override;
    std::optional<QColor> color(QWidget *, const QColor &initial) override;
    std::optional<QFont> font(QWidget *, const QFont &initial) override;
    bool print(QWidget *, QPrinter &) override;
    bool printerSetup(QWidget *, QPrinter &) override;
    void openExternal(const QString &path) override { m_external << path; }
    int execDialog(QDialog &dialog) override;

private:
    std::vector<Shown> m_shown;
    std::deque<Button> m_answers;
    std::deque<QString> m_files;
    std::deque<QColor> m_colors;
    std::deque<bool> m_prints;
    std::deque<std::function<int(QDialog &)>> m_dialogs;
    QStringList m_external;
    int m_unscripted = 0;
};

} // namespace qx::test
