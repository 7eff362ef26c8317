#include "GraphDialogs.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace qx {

namespace {
QDialogButtonBox *okCancel(QDialog *dialog)
{
    auto *buttons = new QDialogButtonBox(dialog);
    QPushButton *ok = buttons->addButton("OK", QDialogButtonBox::AcceptRole);
    ok->setObjectName("btnOK");
    ok->setDefault(true);
    buttons->addButton("Annuler", QDialogButtonBox::RejectRole)->setObjectName("btnCancel");
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}
} // namespace

TfrmAnnoEdit::TfrmAnnoEdit(QWidget *parent) : QDialog(parent)
{
    setObjectName("frmAnnoEdit");
    setWindowFlags(Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::FramelessWindowHint);
    auto *layout = new QVBoxLayout(this);
    m_edit = new QLineEdit(this);
    m_edit->setObjectName("Edit1");
    m_edit->setFixedWidth(297);
    layout->addWidget(m_edit);
    layout->addWidget(okCancel(this));
}

TfrmSetupScale::TfrmSetupScale(QWidget *parent) : QDialog(parent)
{
    setObjectName("frmSetupScale");
    setWindowTitle("Réglage échelle axe Y");
    setWindowFlags(Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowCloseButtonHint | Qt::WindowTitleHint);
    auto *layout = new QVBoxLayout(this);
    auto *outer = new QGroupBox("Réglage échelle axe Y", this);
    auto *grid = new QGridLayout(outer);
    for (int ch = 0; ch < 4; ++ch) {
        auto *frame = new QGroupBox(QString("T%1").arg(ch + 1), outer);
        auto *row = new QGridLayout(frame);
        row->addWidget(new QLabel("MIN", frame), 0, 0);
        m_min[std::size_t(ch)] = new QLineEdit(frame);
        m_min[std::size_t(ch)]->setObjectName(QString("edtT%1Min").arg(ch + 1));
        row->addWidget(m_min[std::size_t(ch)], 0, 1);
        row->addWidget(new QLabel("MAX", frame), 0, 2);
        m_max[std::size_t(ch)] = new QLineEdit(frame);
        m_max[std::size_t(ch)]->setObjectName(QString("edtT%1Max").arg(ch + 1));
        row->addWidget(m_max[std::size_t(ch)], 0, 3);
        grid->addWidget(frame, ch, 0);
    }
    layout->addWidget(outer);
    m_save = new QCheckBox("Sauvegarder cette configuration", this);
    m_save->setObjectName("chkSave");
    layout->addWidget(m_save);
    layout->addWidget(okCancel(this));
}

} // namespace qx
