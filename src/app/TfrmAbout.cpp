#include "TfrmAbout.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace qx {

TfrmAbout::TfrmAbout(QWidget *parent) : QDialog(parent)
{
    setObjectName("frmAbout");
    setWindowTitle("A propos");
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowStaysOnTopHint
                   | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(32, 24, 32, 20);
    layout->setSpacing(14);

    auto *title = new QLabel("Logiciel thermomètre 4 voies", this);
    title->setObjectName("lblTitle");
    QFont f = title->font();
    f.setBold(true);
    f.setItalic(true);
    f.setPointSizeF(f.pointSizeF() * 1.6);
    title->setFont(f);
    title->setStyleSheet("color: blue;");
    title->setAlignment(Qt::AlignCenter);
    layout->addWidget(title);

    auto *product = new QLabel("QX736", this);
    product->setObjectName("lblProduct");
    product->setAlignment(Qt::AlignCenter);
    layout->addWidget(product);

    auto *version = new QLabel(versionText(), this);
    version->setObjectName("lblVersion");
    version->setAlignment(Qt::AlignCenter);
    layout->addWidget(version);

    m_ok = new QPushButton("OK", this);
    m_ok->setObjectName("btnOK");
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(m_ok, 0, Qt::AlignCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QString TfrmAbout::versionText() { return QStringLiteral("Version: ") + QStringLiteral(QX736_VERSION); }

void TfrmAbout::showAsSplash()
{
    m_ok->hide();
    adjustSize();
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
    show();
    repaint();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

} // namespace qx
