#include "TfrmScope.h"

#include "Download.h"
#include "TableToGraph.h"

#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

namespace qx {

namespace {

template <class W>
W *hidden(W *w, const char *name)
{
    w->setObjectName(name);
    w->hide();
    return w;
}

} // namespace

TfrmScope::TfrmScope(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint)
{
    setObjectName("frmScope");
    auto *layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    m_group = hidden(new QGroupBox(this), "GroupBox1");
    auto *g = new QGridLayout(m_group);
    m_all = new QRadioButton("&Tout", m_group);
    m_all->setObjectName("radAll");
    m_all->setChecked(true);
    m_select = new QRadioButton("&Selectionner", m_group);
    m_select->setObjectName("radNo");
    m_from = new QLineEdit(m_group);
    m_from->setObjectName("edtSelFrom");
    m_to = new QLineEdit(m_group);
    m_to->setObjectName("edtSelTo");
    auto *fromLabel = new QLabel("&De", m_group);
    fromLabel->setBuddy(m_from);
    auto *toLabel = new QLabel("&à", m_group);
    toLabel->setBuddy(m_to);
    g->addWidget(m_all, 0, 0, 1, 4);
    g->addWidget(m_select, 1, 0, 1, 4);
    g->addWidget(fromLabel, 2, 0);
    g->addWidget(m_from, 2, 1);
    g->addWidget(toLabel, 2, 2);
    g->addWidget(m_to, 2, 3);
    layout->addWidget(m_group);

    auto *counts = new QGridLayout;
    m_text1 = hidden(new QLabel("octet reçus", this), "SText1");
    m_received = hidden(new QLabel(this), "lblBytesReceived");
    m_text2 = hidden(new QLabel("Octets totaux ", this), "SText2");
    m_total = hidden(new QLabel(this), "lblTotalBytes");
    counts->addWidget(m_text1, 0, 0);
    counts->addWidget(m_received, 0, 1);
    counts->addWidget(m_text2, 1, 0);
    counts->addWidget(m_total, 1, 1);
    layout->addLayout(counts);

    m_progress = hidden(new QProgressBar(this), "Progress1");
    m_progress->setMinimumWidth(280);
    m_progress->setTextVisible(false);
    layout->addWidget(m_progress);

    auto *buttons = new QHBoxLayout;
    m_ok = hidden(new QPushButton("OK", this), "BitBtn1");
    m_cancel = hidden(new QPushButton("Annuler", this), "BitBtn2");
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    layout->addLayout(buttons);

    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, [this] {
        m_cancelled = true;
        // A question ends here; a progress only takes note and the loop decides.
        if (isModal())
            reject();
        else
            setResult(QDialog::Rejected);
    });
}

QStringList TfrmScope::visibleControls() const
{
    QStringList names;
    for (const QWidget *w : {static_cast<QWidget *>(m_group), static_cast<QWidget *>(m_text1),
                             static_cast<QWidget *>(m_received), static_cast<QWidget *>(m_text2),
                             static_cast<QWidget *>(m_total), static_cast<QWidget *>(m_progress),
                             static_cast<QWidget *>(m_ok), static_cast<QWidget *>(m_cancel)})
        if (!w->isHidden())
            names << w->objectName();
    return names;
}

void TfrmScope::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (m_centred)
        return;
    m_centred = true;
    if (const QScreen *s = screen() ? screen() : QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(s->availableGeometry().center());
        move(frame.topLeft());
    }
}

void TfrmScope::showProgress()
{
    setModal(false);
    show();
    raise();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

TfrmScope *showDownloadProgress(QWidget *mainWindow, int targetLength)
{
    auto *scope = new TfrmScope(mainWindow);
    scope->setWindowTitle(downloadProgressCaption());
    scope->progress()->setRange(0, targetLength);
    scope->progress()->setValue(0);
    scope->lblTotalBytes()->setText(QString::number(targetLength));
    scope->lblBytesReceived()->setText(QStringLiteral("0"));
    for (QWidget *w : {static_cast<QWidget *>(scope->progress()), static_cast<QWidget *>(scope->lblTotalBytes()),
                       static_cast<QWidget *>(scope->lblBytesReceived()), static_cast<QWidget *>(scope->sText1()),
                       static_cast<QWidget *>(scope->sText2())})
        w->show();
    scope->showProgress();
    if (mainWindow)
        mainWindow->repaint();
    return scope;
}

TfrmScope *showGraphProgress(QWidget *mainWindow, int rows)
{
    auto *scope = new TfrmScope(mainWindow);
    scope->setWindowTitle(tableText::progressCaption());
    scope->sText1()->setText(tableText::progressText());
    scope->sText1()->show();
    scope->progress()->setRange(0, rows);
    scope->progress()->setValue(0);
    scope->progress()->show();
    scope->showProgress();
    return scope;
}

} // namespace qx
