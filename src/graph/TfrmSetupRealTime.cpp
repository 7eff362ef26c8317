#include "TfrmSetupRealTime.h"

#include "GraphStatistics.h"
#include "RealTimeRecording.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace qx {

void fillIntervalItems(QComboBox *box)
{
    for (int i = 0; i <= 60; ++i)
        box->addItem(twoDigitItem(i));
}

TfrmSetupRealTime::TfrmSetupRealTime(int minutesItem, int secondsItem, QWidget *parent) : QDialog(parent)
{
    setObjectName("frmSetupRealTime");
    setWindowTitle("Real-Time Setup");
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setModal(true);

    m_count = new QLineEdit(this);
    m_count->setObjectName("edtRealTimeNo");
    m_count->setInputMask("00000;_"); // up to five digits, blanks allowed
    m_count->setText(" 2000");
    m_minutes = new QComboBox(this);
    m_minutes->setObjectName("ComboBox1");
    m_seconds = new QComboBox(this);
    m_seconds->setObjectName("ComboBox2");
    fillIntervalItems(m_minutes);
    fillIntervalItems(m_seconds);
    m_minutes->setCurrentIndex(minutesItem);
    m_seconds->setCurrentIndex(secondsItem);
    m_period = new QLineEdit(this);
    m_period->setObjectName("edtPeriod");
    m_period->setReadOnly(true);
    const int interval = std::max(0, minutesItem) * 60 + std::max(0, secondsItem);
    m_period->setText(recordingPeriodText(kDefaultSampleCount, interval, false));

    m_start = new QPushButton("Start", this);
    m_start->setObjectName("btnStart");
    m_start->setDefault(true);
    auto *cancel = new QPushButton("Annuler", this);
    cancel->setObjectName("btnCancel");
    connect(m_start, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *grid = new QGridLayout(this);
    auto *notice = new QLabel("Données en Temps-Réel ne peuvent pas être enregistrées", this);
    notice->setObjectName("Label1");
    grid->addWidget(notice, 0, 0, 1, 3);
    grid->addWidget(m_count, 1, 0);
    auto *adjust = new QLabel("(Ajuster la valeur selon votre besoin)", this);
    adjust->setObjectName("Label2");
    grid->addWidget(adjust, 1, 1, 1, 2);
    auto *rate = new QLabel("taux d'échantillonnage Temps-réel", this);
    rate->setObjectName("Label3");
    grid->addWidget(rate, 2, 0, 1, 3);
    auto *boxes = new QHBoxLayout;
    boxes->addWidget(m_minutes);
    boxes->addWidget(m_seconds);
    boxes->addWidget(new QLabel("mm:ss", this));
    boxes->addStretch();
    grid->addLayout(boxes, 3, 0, 1, 3);
    auto *periodLabel = new QLabel("Temps d'enregistrement ", this);
    periodLabel->setObjectName("Label5");
    grid->addWidget(periodLabel, 4, 0);
    grid->addWidget(m_period, 4, 1);
    grid->addWidget(new QLabel("HH:MM:SS", this), 4, 2);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_start);
    buttons->addWidget(cancel);
    grid->addLayout(buttons, 5, 0, 1, 3);

    connect(m_count, &QLineEdit::textChanged, this, &TfrmSetupRealTime::refreshPeriod);
    connect(m_minutes, &QComboBox::currentIndexChanged, this, &TfrmSetupRealTime::refreshPeriod);
    connect(m_seconds, &QComboBox::currentIndexChanged, this, &TfrmSetupRealTime::refreshPeriod);
}

void TfrmSetupRealTime::refreshPeriod()
{
    // An interval of nothing is not offered: both boxes at "00" become 00:02.
    if (m_minutes->currentIndex() == 0 && m_seconds->currentIndex() == 0) {
        QSignalBlocker block(m_seconds);
        m_seconds->setCurrentIndex(2);
    }
    const int count = parseSampleCount(m_count->text()).value_or(0);
    const int interval = m_minutes->currentIndex() * 60 + m_seconds->currentIndex();
    m_period->setText(recordingPeriodText(count, interval, true));
}

} // namespace qx
