#pragma once
#include <QDialog>

class QPushButton;

namespace qx {

// The about box; at start-up it doubles as the splash, without its OK button.
class TfrmAbout : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAbout(QWidget *parent = nullptr);
    void showAsSplash();
    static QString versionText();

private:
    QPushButton *m_ok;
};

} // namespace qx
