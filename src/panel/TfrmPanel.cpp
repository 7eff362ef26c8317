#include "TfrmPanel.h"

#include "meter/MeterSession.h"
#include "ui/WindowContext.h"

#include <QApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>

namespace qx {

namespace {

struct ImageElement {
    const char *name;
    int x, y, w, h;
    const char *resource;
    bool shown;
};

// Positions in client pixels; "shown" is the state before the first update.
constexpr ImageElement kImages[] = {
    {"T1_minus", 93, 154, 16, 11, "minus", false},  {"T2_minus", 93, 210, 16, 11, "minus", false},
    {"T3_minus", 93, 268, 16, 11, "minus", false},  {"T4_minus", 93, 326, 16, 11, "minus", false},
    {"T1_P", 212, 174, 5, 7, "point", true},        {"T2_P", 212, 228, 5, 7, "point", true},
    {"T3_P", 212, 288, 5, 7, "point", true},        {"T4_P", 212, 346, 5, 7, "point", true},
    {"imgT1C", 251, 170, 19, 14, "degC", false},    {"imgT1F", 252, 150, 17, 14, "degF", false},
    {"imgT2C", 251, 226, 19, 14, "degC", false},    {"imgT2F", 254, 205, 17, 14, "degF", false},
    {"imgT3C", 252, 283, 19, 14, "degC", false},    {"imgT3F", 253, 264, 17, 14, "degF", false},
    {"imgT4C", 251, 340, 19, 14, "degC", false},    {"imgT4F", 252, 320, 17, 14, "degF", false},
    {"imgType", 52, 100, 31, 11, "type", true},     {"imgK", 49, 114, 11, 11, "typeK", false},
    {"imgJ", 61, 114, 11, 11, "typeJ", false},      {"imgE", 71, 114, 11, 11, "typeE", false},
    {"imgT", 82, 114, 11, 11, "typeT", false},      {"lblMAX", 92, 100, 31, 11, "max", false},
    {"lblMIN", 129, 100, 26, 11, "min", false},     {"lblAVG", 161, 101, 30, 11, "avg", false},
    {"imgHOLD", 94, 115, 37, 12, "hold", false},    {"imgMEM", 197, 100, 31, 12, "mem", false},
    {"imgRecall", 178, 114, 51, 12, "recall", false}, {"imgREC", 196, 365, 30, 11, "rec", false},
    {"imgFULL", 232, 365, 37, 11, "full", false},   {"imgAutoOff", 59, 312, 14, 14, "autooff", false},
    {"imgBat3", 49, 346, 29, 12, "bat3", false},    {"imgBat2", 52, 346, 29, 12, "bat2", false},
    {"imgBat1", 52, 346, 29, 12, "bat1", false},    {"imgBat0", 52, 346, 29, 12, "bat0", false},
    {"imgAlarm", 49, 364, 47, 12, "alarm", false},  {"imgblutooth", 49, 215, 19, 31, "bluetooth", false},
    {"ingBlutoothLink", 69, 216, 15, 31, "btlink", false},
};

struct TextElement {
    const char *name;
    int x, y;
    const char *text;
    bool shown;
};

constexpr TextElement kTexts[] = {
    {"lblT1", 89, 131, "T1", true},        {"lblT2", 90, 188, "T2", true},
    {"lblT3", 90, 245, "T3", true},        {"lblT4", 89, 301, "T4", true},
    {"lblT1_T2", 68, 278, "T1-T2", false}, {"lblHi", 102, 360, "Hi", false},
    {"lblLO", 123, 360, "Lo", false},
};

constexpr int kDigitLeft[2][4] = {{115, 149, 184, 218}, {116, 150, 185, 219}};
constexpr int kDigitTop[4] = {131, 187, 244, 302};
constexpr int kInitialGlyph = 8;

struct KeyElement {
    const char *name;
    int x, y, w, h;
    const char *hint;
    char code; // 0: not a meter key
};

constexpr KeyElement kKeys[] = {
    {"btnHOLD", 136, 479, 43, 50, "HOLD", 'H'},
    {"btnCF", 197, 525, 51, 52, "°C/°F", 'C'},
    {"btnRec", 136, 561, 44, 64, "REC", 'E'},
    {"btnRecall", 68, 607, 40, 50, "RECALL", 'R'},
    {"btnMMA", 67, 522, 50, 55, "clic simple pour changer le mode MAX / MIN, double clic pour annuler.", 'M'},
    {"btnBackLight", 212, 437, 38, 44, "Rétroéclairage", 'B'},
    {"btnMem", 208, 607, 40, 50, "MEM", 'm'},
    {"btnClose", 61, 437, 56, 44, "Fermer le panneau de contrôle", 0},
};

QFont labelFont(bool bold = false)
{
    QFont f("Arial");
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(17);
    f.setBold(bold);
    return f;
}

} // namespace

// --- hot spots -----------------------------------------------------------------------

void PanelHotSpot::mousePressEvent(QMouseEvent *event)
{
    m_pressed = event->button() == Qt::LeftButton;
}

void PanelHotSpot::mouseReleaseEvent(QMouseEvent *event)
{
    // A click is a press and release on the key; the release ending a double click is not.
    const bool click = m_pressed && !m_afterDoubleClick && event->button() == Qt::LeftButton
                       && rect().contains(event->position().toPoint());
    m_pressed = false;
    m_afterDoubleClick = false;
    if (click)
        emit clicked();
}

void PanelHotSpot::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_afterDoubleClick = true;
    emit doubleClicked();
}

// --- panel ---------------------------------------------------------------------------

TfrmPanel::TfrmPanel(WindowContext &context) : m_context(context), m_keys(context.session)
{
    setObjectName("frmPanel");
    setWindowTitle("PANEL");
    setFrameShape(QFrame::Box);
    setLineWidth(1);
    setFixedSize(kClientWidth + 2, kClientHeight + 2);

    m_client = new QWidget(this);
    m_client->setObjectName("PanelClient");
    m_client->setGeometry(1, 1, kClientWidth, kClientHeight);
    m_client->setAutoFillBackground(true);
    QPalette pal = m_client->palette();
    pal.setColor(QPalette::Window, Qt::white);
    m_client->setPalette(pal);

    m_picture = new QLabel(m_client);
    m_picture->setObjectName("imgPanel");
    m_picture->setGeometry(0, 0, 314, 727);
    m_picture->setPixmap(QPixmap(":/panel/meter.jpg"));
    // The picture covers its whole area: no background erase under it.
    m_picture->setAttribute(Qt::WA_OpaquePaintEvent);
    m_picture->installEventFilter(this);
    m_elements.insert("imgPanel", m_picture);

    for (int ch = 0; ch < 4; ++ch) {
        for (int d = 0; d < 4; ++d) {
            const QString name = QString("T%1D%2").arg(ch + 1).arg(d + 1);
            auto *digit = new QLabel(m_client);
            digit->setObjectName(name);
            digit->setGeometry(kDigitLeft[ch == 3][d], kDigitTop[ch] + (d == 2 ? 1 : 0), 30, 52);
            digit->setAttribute(Qt::WA_TransparentForMouseEvents);
            setGlyph(digit, m_context.glyphs.large, kInitialGlyph);
            m_digits[std::size_t(ch * 4 + d)] = digit;
            m_elements.insert(name, digit);
        }
    }
    const int smallLeft[2] = {234, 253};
    for (int i = 0; i < 2; ++i) {
        auto *small = new QLabel(m_client);
        small->setObjectName(i == 0 ? "Image17" : "Image18");
        small->setGeometry(smallLeft[i], 100, 16, 26);
        small->setAttribute(Qt::WA_TransparentForMouseEvents);
        setGlyph(small, m_context.glyphs.small, kInitialGlyph);
        m_smallDigits[std::size_t(i)] = small;
        m_elements.insert(small->objectName(), small);
    }
    for (const ImageElement &e : kImages)
        addImage(e.name, e.x, e.y, e.w, e.h, QString(":/panel/%1.png").arg(e.resource), e.shown);
    for (const TextElement &t : kTexts)
        addText(t.name, t.x, t.y, t.text, t.shown);

    m_noConnection = addText("lblNoConnection", 88, 89, "Pas de connexion", false);
    m_noConnection->setFont(labelFont(true));
    m_noConnection->setStyleSheet("color: red; background: transparent;");
    m_noConnection->adjustSize();

    for (const PanelIndicator &i : panelIndicators())
        if (QWidget *w = m_elements.value(i.name))
            m_indicators.emplace_back(w, i.flag);

    for (const KeyElement &k : kKeys)
        addKey(k.name, k.x, k.y, k.w, k.h, k.hint, k.code);

    MeterSession &session = m_context.session;
    connect(&session, &MeterSession::liveStateUpdated, this, &TfrmPanel::updatePanel);
    connect(&session, &MeterSession::maxMinFlashTick, this, &TfrmPanel::maxMinTimerTick);
    connect(&session, &MeterSession::recFullFlashTick, this, &TfrmPanel::recFullTimerTick);
    // The "no connection" label shows while the meter does not answer.
    setNoConnection(!session.connected());
    connect(&session, &MeterSession::connectionChanged, this, [this](bool connected) { setNoConnection(!connected); });
}

QLabel *TfrmPanel::addImage(const char *name, int x, int y, int w, int h, const QString &resource, bool shown)
{
    auto *img = new QLabel(m_client);
    img->setObjectName(name);
    img->setGeometry(x, y, w, h);
    img->setPixmap(QPixmap(resource));
    img->setAttribute(Qt::WA_TransparentForMouseEvents);
    img->setVisible(shown);
    m_elements.insert(name, img);
    return img;
}

QLabel *TfrmPanel::addText(const char *name, int x, int y, const QString &text, bool shown)
{
    auto *label = new QLabel(text, m_client);
    label->setObjectName(name);
    label->setFont(labelFont());
    label->setStyleSheet("color: #1d2420; background: transparent;");
    label->adjustSize();
    label->move(x, y);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    label->setVisible(shown);
    m_elements.insert(name, label);
    return label;
}

void TfrmPanel::addKey(const char *name, int x, int y, int w, int h, const QString &hint, char code)
{
    auto *key = new PanelHotSpot(m_client);
    key->setObjectName(name);
    key->setGeometry(x, y, w, h);
    key->setToolTip(hint);
    m_elements.insert(name, key);
    if (code == 0) {
        connect(key, &PanelHotSpot::clicked, this, [this] {
            if (auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget()))
                sub->close();
            else
                close();
        });
        return;
    }
    connect(key, &PanelHotSpot::clicked, this, [this, code] { m_keys.press(code); });
    if (code == 'M')
        connect(key, &PanelHotSpot::doubleClicked, this, [this] { m_keys.press('N'); });
}

void TfrmPanel::setGlyph(QLabel *target, const std::vector<QPixmap> &set, int glyph)
{
    if (glyph >= 0 && std::size_t(glyph) < set.size())
        target->setPixmap(set[std::size_t(glyph)]);
}

void TfrmPanel::updatePanel()
{
    const LiveState &state = m_context.session.liveState();
    const std::array<bool, 16> changed = m_model.takeDigitChanges(state);
    m_lastRedraws = 0;
    for (std::size_t i = 0; i < 16; ++i) {
        if (changed[i]) {
            setGlyph(m_digits[i], m_context.glyphs.large, state.largeDigit[i]);
            ++m_lastRedraws;
        }
    }
    for (std::size_t i = 0; i < 2; ++i)
        setGlyph(m_smallDigits[i], m_context.glyphs.small, state.smallDigit[i]);
    for (const auto &[widget, flag] : m_indicators) {
        if (const std::optional<bool> shown = PanelModel::visibility(flag, state))
            if (widget->isVisibleTo(m_client) != *shown)
                widget->setVisible(*shown);
    }
}

void TfrmPanel::maxMinTimerTick()
{
    m_flashTickInProgress = true;
    const bool on = m_maxMinPhase.toggle();
    for (const char *name : {"lblMAX", "lblMIN", "lblAVG"})
        m_elements.value(name)->setVisible(on);
    m_flashTickInProgress = false;
}

void TfrmPanel::recFullTimerTick()
{
    const bool on = m_recFullPhase.toggle();
    m_elements.value("imgREC")->setVisible(on);
    m_elements.value("imgFULL")->setVisible(on);
}

void TfrmPanel::setNoConnection(bool shown) { m_noConnection->setVisible(shown); }

bool TfrmPanel::closeQuery()
{
    while (m_flashTickInProgress)
        m_context.session.clock().pumpWait(10);
    return true;
}

void TfrmPanel::showEvent(QShowEvent *event)
{
    QFrame::showEvent(event);
    m_model.resetDigitCache();
}

bool TfrmPanel::eventFilter(QObject *watched, QEvent *event)
{
    // Dragging the picture moves the window, as its missing title bar would.
    if (watched != m_picture)
        return QFrame::eventFilter(watched, event);
    QWidget *frame = parentWidget() ? parentWidget() : this;
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto *e = static_cast<QMouseEvent *>(event);
        if (e->button() == Qt::LeftButton) {
            m_dragging = true;
            m_dragStart = e->globalPosition().toPoint();
            m_windowStart = frame->pos();
        }
        return true;
    }
    case QEvent::MouseMove:
        if (m_dragging) {
            auto *e = static_cast<QMouseEvent *>(event);
            frame->move(m_windowStart + e->globalPosition().toPoint() - m_dragStart);
        }
        return true;
    case QEvent::MouseButtonRelease:
        m_dragging = false;
        return true;
    default:
        return QFrame::eventFilter(watched, event);
    }
}

QWidget *createPanelWindow(WindowContext &context)
{
    auto *panel = new TfrmPanel(context);
    QMdiSubWindow *sub = context.host.addChild(panel);
    sub->setWindowFlags(Qt::SubWindow | Qt::FramelessWindowHint);
    sub->setWindowTitle("PANEL");
    sub->setContentsMargins(0, 0, 0, 0);
    sub->resize(panel->size());
    sub->move(0, 0);
    sub->show();
    return panel;
}

} // namespace qx
