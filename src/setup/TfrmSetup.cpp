#include "TfrmSetup.h"

#include "meter/MeterSession.h"
#include "ui/Dialogs.h"
#include "ui/WindowContext.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QVBoxLayout>

namespace qx {

namespace {

// Every text of the window. Its captions are English in every language.
namespace text {
const char *const caption = "Data Logger Setup";
const char *const adjustTime = "Adjust Meter Time To Computer Time";
const char *const intervalGroup = "Meter Recording Interval ";
const char *const intervalHint = "mm:ss(00:01~59:59)";
const char *const adjustInterval = "Adjust Meter Recording Interval ";
const char *const erase = "Erase Meter Memory";
const char *const defaultGroup = "set default value";
const char *const setupOther = "setup Other";
const char *const setupAll = "Setup All";
const char *const infoGroup = "Meter DataLogger Information";
const char *const meterTimeHint = "MM/DD/YY   hh:mm:ss";
const char *const read = "Read  ";
const char *const adjustGroup = "Adjust value";
const char *const gain = "Gain";
const char *const extOffset = "EXT offset";
const char *const cjcOffset = "CJC offset";
const char *const channels[4] = {"T1", "T2", "T3", "T4"};
const char *const writeEeprom = "Write EEProm";
const char *const readEeprom = "Read EEProm";
const char *const ok = "OK";
const char *const failCode = "Fail code=";
const char *const fail = "Fail";
const char *const invalidInput = "Invalid Input";
const char *const passwordError = "Password error !!";
// The text that could not be taken as a whole number.
const char *const notAnInteger = "'%1' is not a valid integer value";
} // namespace text

// The information group's fields with their labels, in the order they are shown.
struct InfoField {
    const char *name;
    const char *label;
};
constexpr InfoField kInfoFields[] = {
    {"txtVer", "FirmWare Version:"},      {"txtMeterTime", "Meter Time:"},
    {"txtInt", "Recording Interval:"},    {"txtDataSets", "Data Sets In Memory:"},
    {"txtMemoryAvailable", "Memory Available:"}, {"txtSN", "SN:"},
    {"txtAlarm", "ALARM:"},               {"txtHi", "Hi:"},
    {"txtLo", "Lo:"},                     {"txtThermoType", "Thermo Type:"},
    {"txtT1_T2", "T1-T2:"},               {"txtT1offset", "T1 offset:"},
    {"txtT2offset", "T2 offset:"},        {"txtT3offset", "T3 offset:"},
    {"txtT4offset", "T4 offset:"},        {"txtSleepTime", "time to off:"},
};
constexpr int kMeterTimeRow = 1;

const QColor kGreen(0, 128, 0);
const QColor kRed(255, 0, 0);

// Mask edits of two digits, as "00;1;_" asks.
constexpr char kIntervalMask[] = "99;_";
constexpr int kStatusWidth = 110;
constexpr int kSetupAllPointSize = 14;

QString qs(const char *text) { return QString::fromUtf8(text); }

} // namespace

TfrmSetup::TfrmSetup(WindowContext &context) : m_context(context), m_setup(context.session, *this)
{
    setObjectName("frmSetup");
    setWindowTitle(qs(text::caption));
    build();
}

TfrmSetup::~TfrmSetup() { setBusyCursor(false); }

QPushButton *TfrmSetup::addButton(const char *name, const char *caption)
{
    auto *button = new QPushButton(qs(caption), this);
    button->setObjectName(name);
    m_buttons.push_back(button);
    return button;
}

QLabel *TfrmSetup::addStatus(const char *name)
{
    auto *label = new QLabel(this);
    label->setObjectName(name);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    label->setMinimumWidth(kStatusWidth);
    showStatus(label, qs(text::ok), true);
    return label;
}

QLineEdit *TfrmSetup::addEdit(const char *name, const char *initial, bool readOnly)
{
    auto *edit = new QLineEdit(qs(initial), this);
    edit->setObjectName(name);
    edit->setReadOnly(readOnly);
    return edit;
}

void TfrmSetup::build()
{
    // Two columns: the settings over the calibration values, the information over the
    // EEPROM cells.
    auto *top = new QHBoxLayout(this);
    auto *settings = new QVBoxLayout;
    auto *right = new QVBoxLayout;
    top->addLayout(settings);
    top->addLayout(right);

    // The meter's settings, one button and its status per row.
    const auto row = [this](QPushButton *button, QLabel *status) {
        auto *line = new QHBoxLayout;
        line->addWidget(button, 1);
        line->addWidget(status);
        return line;
    };
    QPushButton *clock = addButton("Button1", text::adjustTime);
    m_status[std::size_t(SetupOperation::Clock)] = addStatus("lblOK1");
    settings->addLayout(row(clock, m_status[std::size_t(SetupOperation::Clock)]));

    auto *intervalGroup = new QGroupBox(qs(text::intervalGroup), this);
    intervalGroup->setObjectName("GroupBox1");
    auto *intervalLayout = new QGridLayout(intervalGroup);
    m_minutes = addEdit("edtInt1", "");
    m_seconds = addEdit("edtInt2", "");
    for (QLineEdit *edit : {m_minutes, m_seconds}) {
        edit->setInputMask(QString::fromLatin1(kIntervalMask));
        edit->setMaxLength(2);
        edit->setFixedWidth(40);
    }
    m_minutes->setText(QStringLiteral("00"));
    m_seconds->setText(QStringLiteral("02"));
    auto *intervalHint = new QLabel(qs(text::intervalHint), intervalGroup);
    intervalHint->setObjectName("Label1");
    QPushButton *interval = addButton("Button2", text::adjustInterval);
    m_status[std::size_t(SetupOperation::Interval)] = addStatus("lblOK2");
    intervalLayout->addWidget(m_minutes, 0, 0);
    intervalLayout->addWidget(m_seconds, 0, 1);
    intervalLayout->addWidget(intervalHint, 0, 2);
    intervalLayout->setColumnStretch(3, 1);
    intervalLayout->addLayout(row(interval, m_status[std::size_t(SetupOperation::Interval)]), 1, 0, 1, 4);
    settings->addWidget(intervalGroup);

    QPushButton *erase = addButton("Button3", text::erase);
    m_status[std::size_t(SetupOperation::Erase)] = addStatus("lblOK3");
    settings->addLayout(row(erase, m_status[std::size_t(SetupOperation::Erase)]));

    auto *defaultGroup = new QGroupBox(qs(text::defaultGroup), this);
    defaultGroup->setObjectName("GroupBox2");
    QPushButton *defaults = addButton("Button5", text::setupOther);
    m_status[std::size_t(SetupOperation::Defaults)] = addStatus("lblOK4");
    auto *defaultLayout = new QVBoxLayout(defaultGroup);
    defaultLayout->addLayout(row(defaults, m_status[std::size_t(SetupOperation::Defaults)]));
    settings->addWidget(defaultGroup);

    QPushButton *all = addButton("Button6", text::setupAll);
    QFont big = all->font();
    big.setBold(true);
    big.setPointSize(kSetupAllPointSize);
    all->setFont(big);
    all->setMinimumHeight(56);
    settings->addWidget(all);

    // The information read from the meter.
    auto *infoGroup = new QGroupBox(qs(text::infoGroup), this);
    infoGroup->setObjectName("GroupBox3");
    auto *infoLayout = new QGridLayout(infoGroup);
    int line = 0;
    for (std::size_t i = 0; i < std::size(kInfoFields); ++i) {
        auto *label = new QLabel(qs(kInfoFields[i].label), infoGroup);
        QLineEdit *field = addEdit(kInfoFields[i].name, "", true);
        label->setBuddy(field);
        infoLayout->addWidget(label, line, 0, Qt::AlignRight);
        infoLayout->addWidget(field, line, 1);
        m_infoFields.push_back(field);
        ++line;
        if (int(i) == kMeterTimeRow) {
            auto *hint = new QLabel(qs(text::meterTimeHint), infoGroup);
            hint->setObjectName("lblMeterTimeHint");
            infoLayout->addWidget(hint, line++, 1);
        }
    }
    QPushButton *information = addButton("Button4", text::read);
    m_status[std::size_t(SetupOperation::Information)] = addStatus("lblOK5");
    infoLayout->addLayout(row(information, m_status[std::size_t(SetupOperation::Information)]), line, 0, 1, 2);
    right->addWidget(infoGroup);

    // The calibration values, read only from the meter.
    auto *adjustGroup = new QGroupBox(qs(text::adjustGroup), this);
    adjustGroup->setObjectName("GroupBox4");
    auto *adjustLayout = new QGridLayout(adjustGroup);
    const char *const headings[3] = {text::gain, text::extOffset, text::cjcOffset};
    const char *const kinds[3] = {"Gain", "_EXT_offset", "_CJC_offset"};
    for (int c = 0; c < 3; ++c)
        adjustLayout->addWidget(new QLabel(qs(headings[c]), adjustGroup), 0, c + 1, Qt::AlignCenter);
    for (int ch = 0; ch < 4; ++ch) {
        adjustLayout->addWidget(new QLabel(qs(text::channels[ch]), adjustGroup), ch + 1, 0);
        for (int c = 0; c < 3; ++c) {
            const QByteArray name = QByteArray(text::channels[ch]).prepend("edt") + kinds[c];
            QLineEdit *edit = addEdit(name.constData(), c == 0 ? "1" : "0");
            m_calibration[std::size_t(4 * c + ch)] = edit;
            adjustLayout->addWidget(edit, ch + 1, c + 1);
        }
    }
    QPushButton *calibration = addButton("Button7", text::read);
    m_status[std::size_t(SetupOperation::Calibration)] = addStatus("lblOK6");
    adjustLayout->addLayout(row(calibration, m_status[std::size_t(SetupOperation::Calibration)]), 5, 0, 1, 4);
    settings->addWidget(adjustGroup);
    settings->addStretch(1);

    // The EEPROM cells.
    auto *eeprom = new QGridLayout;
    QPushButton *write = addButton("Button8", text::writeEeprom);
    m_writeAddress = addEdit("txtWAddress", "0");
    m_writeData = addEdit("txtWData", "0");
    m_password = addEdit("edtPassword", "0");
    m_status[std::size_t(SetupOperation::EepromWrite)] = addStatus("lblWriteOK");
    QPushButton *readCell = addButton("Button9", text::readEeprom);
    m_readAddress = addEdit("txtRAddress", "0");
    m_readData = addEdit("txtRData", "0");
    m_status[std::size_t(SetupOperation::EepromRead)] = addStatus("lblReadOK");
    eeprom->addWidget(write, 0, 0);
    eeprom->addWidget(m_writeAddress, 0, 1);
    eeprom->addWidget(m_writeData, 0, 2);
    eeprom->addWidget(m_password, 0, 3);
    eeprom->addWidget(m_status[std::size_t(SetupOperation::EepromWrite)], 0, 4);
    eeprom->addWidget(readCell, 1, 0);
    eeprom->addWidget(m_readAddress, 1, 1);
    eeprom->addWidget(m_readData, 1, 2);
    eeprom->addWidget(m_status[std::size_t(SetupOperation::EepromRead)], 1, 4);
    right->addLayout(eeprom);
    right->addStretch(1);

    const auto on = [this](QPushButton *button, auto operation) {
        connect(button, &QPushButton::clicked, this, [this, operation] { runOperation(operation); });
    };
    on(clock, [this] { m_setup.setClock(); });
    on(interval, [this] { m_setup.setInterval(); });
    on(erase, [this] { m_setup.erase(); });
    on(defaults, [this] { m_setup.loadDefaults(); });
    on(information, [this] { m_setup.readInformation(); });
    on(all, [this] { m_setup.setupAll(); });
    on(calibration, [this] { m_setup.readCalibration(); });
    on(write, [this] { m_setup.writeEeprom(); });
    on(readCell, [this] { m_setup.readEeprom(); });
}

void TfrmSetup::runOperation(const std::function<void()> &operation)
{
    // The pauses let input through: a second operation must not start inside the first.
    if (m_running)
        return;
    m_running = true;
    for (QPushButton *b : m_buttons)
        b->setEnabled(false);
    operation();
    for (QPushButton *b : m_buttons)
        b->setEnabled(true);
    m_running = false;
    if (m_closePending) {
        m_closePending = false;
        if (QMdiSubWindow *frame = childFrame(this))
            frame->close();
        else
            close();
    }
}

bool TfrmSetup::closeQuery() { return !m_running; }

void TfrmSetup::closeEvent(QCloseEvent *event)
{
    if (m_running) {
        // Closed once the operation is over.
        m_closePending = true;
        event->ignore();
        return;
    }
    // Polling goes on, unless the main window is closing.
    if (!closeAgreed())
        m_context.session.mainTimer().setActive(true);
    event->accept();
}

QString TfrmSetup::input(SetupInput which) const
{
    switch (which) {
    case SetupInput::IntervalMinutes: return m_minutes->text();
    case SetupInput::IntervalSeconds: return m_seconds->text();
    case SetupInput::WriteAddress: return m_writeAddress->text();
    case SetupInput::WriteData: return m_writeData->text();
    case SetupInput::Password: return m_password->text();
    case SetupInput::ReadAddress: return m_readAddress->text();
    }
    return {};
}

QLabel *TfrmSetup::statusOf(SetupOperation operation) const { return m_status[std::size_t(operation)]; }

void TfrmSetup::showStatus(QLabel *label, const QString &text, bool ok)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, ok ? kGreen : kRed);
    label->setPalette(palette);
    label->setText(text);
}

void TfrmSetup::started(SetupOperation operation)
{
    showStatus(statusOf(operation), QString(), true);
    if (operation == SetupOperation::Information)
        for (QLineEdit *field : m_infoFields)
            field->clear();
    repaint();
}

void TfrmSetup::calibrationCleared()
{
    for (QLineEdit *edit : m_calibration)
        edit->clear();
}

void TfrmSetup::setBusyCursor(bool busy)
{
    if (busy == m_busyCursor)
        return;
    m_busyCursor = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void TfrmSetup::showInformation(const MeterInfoTexts &t)
{
    const QString texts[] = {t.version,   t.meterTime,  t.interval,   t.dataSets,   t.memoryAvailable, t.serialNumber,
                             t.alarm,     t.high,       t.low,        t.thermoType, t.t1MinusT2,       t.offsets[0],
                             t.offsets[1], t.offsets[2], t.offsets[3], t.powerOff};
    for (std::size_t i = 0; i < m_infoFields.size(); ++i)
        m_infoFields[i]->setText(texts[i]);
}

void TfrmSetup::message(const QString &text) { m_context.dialogs.message(this, text); }

void TfrmSetup::finished(const SetupResult &result)
{
    QLabel *label = statusOf(result.operation);
    const bool showsCode = result.operation != SetupOperation::Interval
                           && result.operation != SetupOperation::EepromWrite
                           && result.operation != SetupOperation::EepromRead;
    switch (result.status) {
    case SetupStatus::Ok:
        showStatus(label, qs(text::ok), true);
        if (result.information)
            showInformation(*result.information);
        if (result.calibration)
            for (std::size_t i = 0; i < m_calibration.size(); ++i)
                m_calibration[i]->setText(calibrationText((*result.calibration)[i]));
        if (result.eepromValue)
            m_readData->setText(QString::number(*result.eepromValue));
        break;
    case SetupStatus::Failed:
        showStatus(label, showsCode ? qs(text::failCode) + QString::number(result.code) : qs(text::fail), false);
        if (result.operation == SetupOperation::EepromRead)
            m_readData->clear();
        break;
    case SetupStatus::LinkBusy: showStatus(label, qs(text::fail), false); break;
    case SetupStatus::InvalidInput: message(qs(text::invalidInput)); break;
    case SetupStatus::PasswordError: message(qs(text::passwordError)); break;
    case SetupStatus::NotAnInteger: message(qs(text::notAnInteger).arg(result.text)); break;
    }
}

QWidget *createSetupWindow(WindowContext &context)
{
    auto *setup = new TfrmSetup(context);
    QMdiSubWindow *sub = context.host.addChild(setup);
    sub->setWindowTitle(setup->windowTitle());
    sub->resize(sub->sizeHint());
    const QSize client = context.host.clientSize();
    sub->move(std::max((client.width() - sub->width()) / 2, 0), std::max((client.height() - sub->height()) / 2, 0));
    sub->show();
    return setup;
}

} // namespace qx
