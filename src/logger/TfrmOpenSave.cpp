#include "TfrmOpenSave.h"

#include "ui/Dialogs.h"

#include <QGuiApplication>
#include <QLocale>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace qx {

QString TfrmOpenSave::caption(Use use)
{
    return use == Use::Save ? QStringLiteral("Sauvegarder fichier") : QStringLiteral("Ouvrir fichier");
}

QString TfrmOpenSave::setsText(Use use)
{
    return use == Use::Save ? QStringLiteral("Enregistrer l'ensemble des acquisitions en fichier collection(*.ch4)")
                            : QStringLiteral("Ouvrir un fichier collection (*CH4)");
}

QString TfrmOpenSave::singleSetText(Use use)
{
    if (use == Use::Save)
        return QStringLiteral("Enregistrer l'acquisition selectionnée en un fichier");
    // With a comma for decimals the comma-separated format is not offered.
    return QLocale().decimalPoint() == QLatin1String(",") ? QStringLiteral("Ouvrir un seul fichier (*TXT,*GHF)")
                                                          : QStringLiteral("Ouvrir un seul fichier(*.TXT,*.CSV,*.GHF)");
}

TfrmOpenSave::TfrmOpenSave(Use use, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName("frmOpenSave");
    setWindowTitle(caption(use));
    auto *layout = new QVBoxLayout(this);
    const auto button = [&](const char *name, const QString &text, int result) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, [this, result] { done(result); });
        layout->addWidget(b);
        return b;
    };
    m_sets = button("btnOpenSets", setsText(use), Sets);
    m_single = button("btnOpenSingleSet", singleSetText(use), SingleSet);
    m_cancel = button("Button1", QStringLiteral("Annuler"), Cancel);
}

void TfrmOpenSave::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (const QScreen *s = screen() ? screen() : QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(s->availableGeometry().center());
        move(frame.topLeft());
    }
}

int askOpenSave(Dialogs &dialogs, TfrmOpenSave::Use use, QWidget *parent)
{
    TfrmOpenSave dialog(use, parent);
    const int result = dialogs.execDialog(dialog);
    return result == TfrmOpenSave::Sets || result == TfrmOpenSave::SingleSet ? result : TfrmOpenSave::Cancel;
}

} // namespace qx
