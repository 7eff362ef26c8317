#pragma once
// The setup window's operations on the meter: its clock, recording interval, memory erase,
// default settings, information, calibration read-out and EEPROM cells, and Setup All.
//
// Each runs in the same frame: its status is emptied, a pause of 500 ms, the link taken
// through the exchange gate (polling waits), attempts until one succeeds, the result told,
// the link given back. The window's commands are composed in one command buffer of its
// own and most replies are read into one 32-byte buffer, so bytes a command does not set
// go out as the previous command or reply left them. Every attempt that fails, and every
// operation at its end, closes the device.
#include "SetupFormats.h"
#include "meter/CommandReport.h"
#include "meter/Exchange.h"

#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>

namespace qx {

class MeterSession;

enum class SetupOperation { Clock, Interval, Erase, Defaults, Information, Calibration, EepromWrite, EepromRead };

enum class SetupStatus {
    Ok,
    Failed,        // every attempt failed; `code` is the last attempt's
    LinkBusy,      // another exchange held the link; nothing was sent
    InvalidInput,  // the interval texts; nothing was sent
    PasswordError, // the EEPROM access code; nothing was sent
    NotAnInteger,  // an EEPROM address or data text; `text` is the text
};

struct SetupResult {
    SetupOperation operation = SetupOperation::Clock;
    SetupStatus status = SetupStatus::Ok;
    int code = 0;
    QString text;
    std::optional<MeterInfoTexts> information;    // Information, when it succeeded
    std::optional<CalibrationValues> calibration; // Calibration, when it succeeded
    std::optional<int> eepromValue;               // EepromRead, when it succeeded

    bool ok() const { return status == SetupStatus::Ok; }
};

// The texts the operations read from the window, when they need them.
enum class SetupInput { IntervalMinutes, IntervalSeconds, WriteAddress, WriteData, Password, ReadAddress };

// The window as the operations see it.
class SetupView {
public:
    virtual ~SetupView() = default;
    virtual QString input(SetupInput which) const = 0;
    // The operation begins: its status is emptied (the information also empties its fields).
    virtual void started(SetupOperation operation) = 0;
    // The calibration read empties its fields after the first pause.
    virtual void calibrationCleared() {}
    virtual void setBusyCursor(bool busy) { (void)busy; }
    // The operation is over, or was refused before it began.
    virtual void finished(const SetupResult &result) = 0;
};

inline constexpr int kSetupAttempts = 3;
inline constexpr int kEepromAttempts = 5;
inline constexpr int kSetupStartPauseMs = 500;
inline constexpr int kSetupAllPauseMs = 500;
inline constexpr int kDataBlockPauseMs = 100;
inline constexpr int kErasePauseMs = 10;
inline constexpr int kCalibrationPauseMs = 100;
inline constexpr int kEepromPauseMs = 300;

class MeterSetup {
public:
    MeterSetup(MeterSession &session, SetupView &view);

    // Each tells the view as it goes and returns what it told last.
    SetupResult setClock();
    SetupResult setInterval();
    SetupResult erase();
    SetupResult loadDefaults();
    SetupResult readInformation();
    // Clock, interval, erase, defaults and information, 500 ms apart; a step that fails or
    // is refused does not stop the others.
    void setupAll();
    SetupResult readCalibration();
    SetupResult writeEeprom();
    SetupResult readEeprom();

    const CommandBuffer &commandBuffer() const { return m_command; }
    const std::array<std::uint8_t, kSetupReplySize> &reply() const { return m_reply; }

private:
    using Attempts = std::function<ExchangeResult()>;
    // The frame around the attempts. `afterPause` runs once the first pause is over and
    // may refuse the operation. `body` makes the attempts and returns the last one's
    // result; what it decodes goes into the result being built (m_body).
    SetupResult run(SetupOperation operation, const Attempts &body,
                    const std::function<std::optional<SetupResult>()> &afterPause = {});
    SetupResult finish(SetupResult result);
    // Attempts by `policy`; after each failed one `afterFailure` runs, then the device is
    // closed.
    ExchangeResult attempts(const RetryPolicy &policy, const std::function<ExchangeResult()> &attempt,
                            const std::function<void(const ExchangeResult &)> &afterFailure = {});
    // Ends an EEPROM transfer the meter may still be in.
    void quit();
    SetupResult refused(SetupOperation operation, SetupStatus status, const QString &text = {});

    MeterSession &m_session;
    SetupView &m_view;
    CommandBuffer m_command;
    Exchange m_exchange;
    std::array<std::uint8_t, kSetupReplySize> m_reply{};
    std::array<std::uint8_t, kMeterInfoReplySize> m_information{};
    std::array<std::uint8_t, kSetupReplySize> m_calibrationFirst{};
    std::array<std::uint8_t, kSetupReplySize> m_calibrationSecond{};
    SetupResult *m_body = nullptr;
};

} // namespace qx
