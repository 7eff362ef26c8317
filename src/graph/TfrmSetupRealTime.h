#pragma once
// Asks how many samples a real-time recording takes and how often, and shows how long
// the recording will last.
#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace qx {

class TfrmSetupRealTime : public QDialog {
    Q_OBJECT
public:
    // The interval boxes start at the items the real-time window shows.
    TfrmSetupRealTime(int minutesItem, int secondsItem, QWidget *parent = nullptr);

    QLineEdit *countEdit() const { return m_count; }
    QComboBox *minutesBox() const { return m_minutes; }
    QComboBox *secondsBox() const { return m_seconds; }
    QLineEdit *periodEdit() const { return m_period; }
    QPushButton *startButton() const { return m_start; }

private:
    void refreshPeriod();

    QLineEdit *m_count;
    QComboBox *m_minutes;
    QComboBox *m_seconds;
    QLineEdit *m_period;
    QPushButton *m_start;
};

// "00" … "60", the items of every interval box.
void fillIntervalItems(QComboBox *box);

} // namespace qx
