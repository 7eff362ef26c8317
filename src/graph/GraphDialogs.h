#pragma once
// The small dialogs of the graph windows: the annotation text and the Y-axis scales.
#include <QDialog>
#include <array>

class QCheckBox;
class QLineEdit;

namespace qx {

// Asks for an annotation's text: one field, OK and "Annuler".
class TfrmAnnoEdit : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAnnoEdit(QWidget *parent = nullptr);
    QLineEdit *edit() const { return m_edit; }

private:
    QLineEdit *m_edit;
};

// The minimum and maximum of the Y axis of each channel, as whole numbers.
class TfrmSetupScale : public QDialog {
    Q_OBJECT
public:
    explicit TfrmSetupScale(QWidget *parent = nullptr);
    QLineEdit *minEdit(int channel) const { return m_min[std::size_t(channel)]; }
    QLineEdit *maxEdit(int channel) const { return m_max[std::size_t(channel)]; }
    QCheckBox *saveBox() const { return m_save; }

private:
    std::array<QLineEdit *, 4> m_min{};
    std::array<QLineEdit *, 4> m_max{};
    QCheckBox *m_save;
};

} // namespace qx
