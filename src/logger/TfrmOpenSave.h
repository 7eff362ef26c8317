#pragma once
// The choice between the whole collection of data sets and a single recording, asked
// before opening a file and before saving from the data logger window.
#include <QDialog>

class QPushButton;

namespace qx {

class TfrmOpenSave : public QDialog {
    Q_OBJECT
public:
    enum class Use { Save, Open };
    // The dialog's results (QDialog::exec and Dialogs::execDialog return them).
    enum Result { Cancel = 0, Sets = 1, SingleSet = 2 };

    // The open use's texts follow the user's decimal separator as it is now.
    explicit TfrmOpenSave(Use use, QWidget *parent = nullptr);

    QPushButton *btnOpenSets() const { return m_sets; }
    QPushButton *btnOpenSingleSet() const { return m_single; }
    QPushButton *cancelButton() const { return m_cancel; }

    static QString caption(Use use);
    static QString setsText(Use use);
    static QString singleSetText(Use use);

protected:
    void showEvent(QShowEvent *event) override;

private:
    QPushButton *m_sets = nullptr;
    QPushButton *m_single = nullptr;
    QPushButton *m_cancel = nullptr;
};

// Shows the choice modally through the program's dialogs and returns its Result.
class Dialogs;
int askOpenSave(Dialogs &dialogs, TfrmOpenSave::Use use, QWidget *parent);

} // namespace qx
