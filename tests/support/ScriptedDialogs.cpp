#include "ScriptedDialogs.h"

#include <QStandardPaths>

namespace qx::test {

namespace {
// Window tests never see the user's own configuration and data folders, also when run by
// hand outside CTest.
[[maybe_unused]] const bool kTestPaths = [] {
    QStandardPaths::setTestModeEnabled(true);
    return true;
}();
} // namespace

QStringList ScriptedDialogs::texts() const
{
    QStringList out;
    for (const Shown &s : m_shown)
        out << s.text;
    return out;
}

QStringList ScriptedDialogs::messages() const
{
    QStringList out;
    for (const Shown &s : m_shown)
        if (s.kind == "message")
            out << s.text;
    return out;
}

Dialogs::Button ScriptedDialogs::question(QWidget *, const QString &text, int buttons)
{
    m_shown.push_back({"question", text});
    if (m_answers.empty()) {
        ++m_unscripted;
        return (buttons & Cancel) ? Cancel : No;
    }
    const Button b = m_answers.front();
    m_answers.pop_front();
    return b;
}

QString ScriptedDialogs::openFileName(QWidget *, const QString &folder, const QString &filter)
{
    m_shown.push_back({"open", folder + '|' + filter});
    if (m_files.empty())
        return {};
    const QString f = m_files.front();
    m_files.pop_front();
    return f;
}

QString ScriptedDialogs::saveFileName(QWidget *, const QString &folder, const QString &filter, const QString &)
{
    m_shown.push_back({"save", folder + '|' + filter});
    if (m_files.empty())
        return {};
    const QString f = m_files.front();
    m_files.pop_front();
    return f;
}

std::optional<QColor> ScriptedDialogs::color(QWidget *, const QColor &)
{
    m_shown.push_back({"color", {}});
    if (m_colors.empty())
        return std::nullopt;
    const QColor c = m_colors.front();
    m_colors.pop_front();
    return c;
}

std::optional<QFont> ScriptedDialogs::font(QWidget *, const QFont &)
{
    m_shown.push_back({"font", {}});
    return std::nullopt;
}

bool ScriptedDialogs::print(QWidget *, QPrinter &)
{
    m_shown.push_back({"print", {}});
    if (m_prints.empty())
        return false;
    const bool ok = m_prints.front();
    m_prints.pop_front();
    return ok;
}

bool ScriptedDialogs::printerSetup(QWidget *, QPrinter &)
{
    m_shown.push_back({"printerSetup", {}});
    return false;
}

int ScriptedDialogs::execDialog(QDialog &dialog)
{
    m_shown.push_back({"dialog", dialog.windowTitle()});
    if (m_dialogs.empty()) {
        ++m_unscripted;
        return QDialog::Rejected;
    }
    auto handler = std::move(m_dialogs.front());
    m_dialogs.pop_front();
    return handler(dialog);
}

} // namespace qx::test
