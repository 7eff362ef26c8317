#include "Commands.h"

#include <QAction>
#include <QApplication>
#include <QStyle>
#include <QToolButton>

namespace qx {

namespace {

struct CommandText {
    Command command;
    const char *name;
    const char *text;
    const char *hint; // the tool bar button's, where there is one
    QStyle::StandardPixmap icon;
    bool checkable;
};

// The menu texts and tool bar hints, as the program shows them.
const CommandText kCommands[] = {
    {Command::Open, "Open1", "&Ouvrir", "Ouvrir fichier", QStyle::SP_DialogOpenButton, false},
    {Command::Save, "Save1", "&Enregistrer", "Sauver dans un fichier", QStyle::SP_DialogSaveButton, false},
    {Command::Print, "Print1", "&Imprimer", "Imprimer", QStyle::SP_FileDialogDetailedView, false},
    {Command::PrinterSetup, "PrinterSetup1", "&Paramètres imprimante", nullptr, QStyle::SP_CustomBase, false},
    {Command::Exit, "Exit1", "Q&uitter", nullptr, QStyle::SP_CustomBase, false},
    {Command::Run, "Run1", "Lancer", "Commencer la représentation des données en temps réel", QStyle::SP_MediaPlay,
     false},
    {Command::Stop, "Stop1", "Stop", "Arreter la représentation des données en temps réel", QStyle::SP_MediaStop,
     false},
    {Command::LoadData, "LoadData1", "&Charger", "Enregsitreur", QStyle::SP_ArrowDown, false},
    {Command::Setup, "Setup1", "&Réglages", nullptr, QStyle::SP_CustomBase, false},
    {Command::ControlPanel, "ControlPanel1", "&Panneau de contrôle", nullptr, QStyle::SP_CustomBase, true},
    {Command::RealTimeGraph, "RealTimeGraph1", "&Graph temps réel", nullptr, QStyle::SP_CustomBase, true},
    {Command::Tile, "Tile1", "&Plein écran", nullptr, QStyle::SP_CustomBase, false},
    {Command::Cascade, "Cascade1", "&Cascade", nullptr, QStyle::SP_CustomBase, false},
    {Command::Contents, "Contents1", "&Contenus", "Aide", QStyle::SP_DialogHelpButton, false},
    {Command::About, "About1", "&A propos", nullptr, QStyle::SP_CustomBase, false},
    {Command::OutputToGraph, "OutputToGraph1", "", "Exporter données tableau sous format graphique",
     QStyle::SP_FileDialogContentsView, false},
};

} // namespace

Commands::Commands(QObject *parent) : QObject(parent)
{
    setObjectName("Commands");
    for (const CommandText &c : kCommands) {
        auto *a = new QAction(QString::fromUtf8(c.text), this);
        a->setObjectName(c.name);
        if (c.hint)
            a->setToolTip(QString::fromUtf8(c.hint));
        if (c.icon != QStyle::SP_CustomBase) {
            a->setIcon(QApplication::style()->standardIcon(c.icon));
            a->setIconVisibleInMenu(false);
        }
        a->setCheckable(c.checkable);
        m_actions[std::size_t(c.command)] = a;
    }
    // As at start: no meter, no recording, no table.
    action(Command::ControlPanel)->setChecked(true);
    action(Command::RealTimeGraph)->setChecked(true);
    setEnabled(Command::Run, false);
    setEnabled(Command::Stop, false);
    setEnabled(Command::OutputToGraph, false);
}

QToolButton *Commands::button(Command command, const char *name, QWidget *parent) const
{
    auto *b = new QToolButton(parent);
    b->setDefaultAction(action(command));
    b->setObjectName(name);
    b->setAutoRaise(true);
    b->setIconSize(QSize(24, 24));
    return b;
}

void Commands::setEnabled(Command command, bool on) { action(command)->setEnabled(on); }

void Commands::setConnected(bool connected)
{
    m_connected = connected;
    if (connected) {
        action(Command::LoadData)->setVisible(true);
        setEnabled(Command::LoadData, true);
        realTimeWindowShown();
    } else {
        setEnabled(Command::Run, false);
        setEnabled(Command::Stop, false);
        setEnabled(Command::LoadData, false);
    }
}

void Commands::setRecording(bool running)
{
    m_recording = running;
    setEnabled(Command::Run, !running);
    setEnabled(Command::Stop, running);
}

void Commands::realTimeWindowShown()
{
    if (!m_connected)
        return;
    setEnabled(Command::Run, !m_recording);
    setEnabled(Command::Stop, m_recording);
}

void Commands::realTimeWindowClosed()
{
    m_recording = false;
    if (m_connected)
        setEnabled(Command::Run, true);
    setEnabled(Command::Stop, false);
}

void Commands::activeWindowChanged(WindowKind kind) { setEnabled(Command::OutputToGraph, kind == WindowKind::Table); }

} // namespace qx
