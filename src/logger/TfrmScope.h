#pragma once
// The small range and progress dialog. Every control starts hidden; each use shows what
// it needs: the download's progress, the table-to-graph progress, and the text files'
// range question and progress.
#include <QDialog>

class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace qx {

class TfrmScope : public QDialog {
    Q_OBJECT
public:
    explicit TfrmScope(QWidget *parent = nullptr);

    QGroupBox *groupBox() const { return m_group; }
    QRadioButton *radAll() const { return m_all; }
    QRadioButton *radNo() const { return m_select; }
    QLineEdit *edtSelFrom() const { return m_from; }
    QLineEdit *edtSelTo() const { return m_to; }
    QPushButton *bitBtn1() const { return m_ok; }
    QPushButton *bitBtn2() const { return m_cancel; }
    QProgressBar *progress() const { return m_progress; }
    QLabel *sText1() const { return m_text1; }
    QLabel *sText2() const { return m_text2; }
    QLabel *lblBytesReceived() const { return m_received; }
    QLabel *lblTotalBytes() const { return m_total; }

    // In a progress use, BitBtn2 only marks the dialog as cancelled (result Cancel); the
    // running loop looks at the mark.
    bool cancelled() const { return m_cancelled; }

    // The controls a use has shown, by name, in layout order.
    QStringList visibleControls() const;

    // Shows the dialog without blocking, centred on the screen, and lets it paint.
    void showProgress();

protected:
    void showEvent(QShowEvent *event) override;

private:
    QGroupBox *m_group = nullptr;
    QRadioButton *m_all = nullptr;
    QRadioButton *m_select = nullptr;
    QLineEdit *m_from = nullptr;
    QLineEdit *m_to = nullptr;
    QPushButton *m_ok = nullptr;
    QPushButton *m_cancel = nullptr;
    QProgressBar *m_progress = nullptr;
    QLabel *m_text1 = nullptr;
    QLabel *m_text2 = nullptr;
    QLabel *m_received = nullptr;
    QLabel *m_total = nullptr;
    bool m_cancelled = false;
    bool m_centred = false;
};

// The download's form: caption "Récupération des données en cours", stay on top, the
// byte counts and the bar from 0 to targetLength. Shown, not modal; the caller owns it.
TfrmScope *showDownloadProgress(QWidget *mainWindow, int targetLength);

// The table-to-graph form: "Graphique en cours", "Graphique.....", the bar from 0 to n.
TfrmScope *showGraphProgress(QWidget *mainWindow, int rows);

} // namespace qx
