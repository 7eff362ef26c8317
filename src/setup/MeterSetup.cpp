#include "MeterSetup.h"

#include "meter/ExchangeGate.h"
#include "meter/MeterSession.h"

#include <utility>

namespace qx {

namespace {

// The code of each step that fails, per operation; the interval and the EEPROM cells
// tell no codes.
constexpr FailureCodes kClockCodes{.open = 401, .timeouts = 402, .command = 403, .data = 404, .read = 405, .marks = 406};
constexpr FailureCodes kEraseCodes{.open = 501, .timeouts = 502, .command = 503, .read = 505, .marks = 506};
constexpr FailureCodes kDefaultsCodes = kClockCodes;
constexpr FailureCodes kInformationCodes{.open = 201, .timeouts = 202, .command = 203, .read = 204, .marks = 205};
// The second part's failed open counts as 705, as a missing "OK" does.
constexpr FailureCodes kCalibrationFirstCodes{.open = 701, .timeouts = 702, .command = 703, .read = 704, .marks = 705};
constexpr FailureCodes kCalibrationSecondCodes{.open = 705, .timeouts = 706, .command = 707, .read = 708, .marks = 705};

// Every step of an attempt runs, also after one has failed; the last failing step's code
// counts. The device is closed by the operation, not by the exchange.
constexpr ExchangeSpec kClockExchange{.command = 't',
                                      .params = {0x00, 0x00},
                                      .pauseAfterCommandMs = kDataBlockPauseMs,
                                      .dataBlock = true,
                                      .pauseAfterDataMs = kDataBlockPauseMs,
                                      .replyLength = kSetupReplySize,
                                      .marks = okAt(2),
                                      .onFailure = OnFailure::GoOn,
                                      .codes = kClockCodes};
// Minutes and seconds go into bytes 2 and 3 as the texts give them.
constexpr ExchangeSpec kIntervalExchange{
    .command = 'I', .replyLength = kSetupReplySize, .marks = okAt(2), .onFailure = OnFailure::GoOn};
constexpr ExchangeSpec kEraseExchange{.command = 'e',
                                      .params = {0x00, 0x00},
                                      .pauseAfterCommandMs = kErasePauseMs,
                                      .replyLength = kSetupReplySize,
                                      .marks = okAt(2),
                                      .onFailure = OnFailure::GoOn,
                                      .codes = kEraseCodes};
constexpr ExchangeSpec kDefaultsExchange{.command = 's',
                                         .params = {0x00, 0x00},
                                         .pauseAfterCommandMs = kDataBlockPauseMs,
                                         .dataBlock = true,
                                         .pauseAfterDataMs = kDataBlockPauseMs,
                                         .replyLength = kSetupReplySize,
                                         .marks = okAt(2),
                                         .onFailure = OnFailure::GoOn,
                                         .codes = kDefaultsCodes};
// Any complete 64-byte reply is taken: where the information reply carries a mark, if it
// carries one, is not known, and every byte value decodes to a text of its field.
constexpr ExchangeSpec kInformationExchange{.command = 'X',
                                            .params = {0x00, 0x00},
                                            .replyLength = kMeterInfoReplySize,
                                            .onFailure = OnFailure::GoOn,
                                            .codes = kInformationCodes};
// The first part closes before the second opens.
constexpr ExchangeSpec kCalibrationFirst{.command = 'Y',
                                         .params = {0x00, 0x00},
                                         .replyLength = kSetupReplySize,
                                         .marks = okAt(28),
                                         .onFailure = OnFailure::GoOn,
                                         .close = CloseRule::Always,
                                         .codes = kCalibrationFirstCodes};
constexpr ExchangeSpec kCalibrationSecond{.command = 'Z',
                                          .params = {0x00, 0x00},
                                          .pauseAfterCommandMs = kCalibrationPauseMs,
                                          .replyLength = kSetupReplySize,
                                          .marks = okAt(30),
                                          .onFailure = OnFailure::GoOn,
                                          .codes = kCalibrationSecondCodes};
// The EEPROM commands stop at their first failing step; the reply repeats the report's
// first two bytes.
constexpr ExchangeSpec kEepromWrite{.command = 'W', .replyLength = kSetupReplySize, .echo = {0, 0x02, 'W'}};
constexpr ExchangeSpec kEepromRead{.command = 'r', .replyLength = kSetupReplySize, .echo = {0, 0x02, 'r'}};
// No reply; its write is not looked at.
constexpr ExchangeSpec kQuit{.command = 'Q', .open = false, .commandChecked = false, .completeWrite = false};

constexpr RetryPolicy kSetupRetry{.attempts = kSetupAttempts};
constexpr RetryPolicy kEepromRetry{.attempts = kEepromAttempts, .pauseAfterFailureMs = kEepromPauseMs};

// An EEPROM cell as the report carries it.
struct Cell {
    std::array<std::uint8_t, 3> address{};
    std::uint8_t data = 0;
};

} // namespace

MeterSetup::MeterSetup(MeterSession &session, SetupView &view)
    : m_session(session), m_view(view), m_exchange(session.device(), session.clock(), m_command)
{
}

SetupResult MeterSetup::refused(SetupOperation operation, SetupStatus status, const QString &text)
{
    SetupResult result;
    result.operation = operation;
    result.status = status;
    result.text = text;
    return result;
}

SetupResult MeterSetup::finish(SetupResult result)
{
    m_view.finished(result);
    return result;
}

SetupResult MeterSetup::run(SetupOperation operation, const Attempts &body,
                            const std::function<std::optional<SetupResult>()> &afterPause)
{
    m_view.started(operation);
    m_session.clock().pumpWait(kSetupStartPauseMs);
    if (afterPause) {
        if (std::optional<SetupResult> refusal = afterPause())
            return finish(*refusal);
    }
    SetupResult result;
    {
        // Polling waits until the operation has given the link back.
        UserExchange exchange(m_session.gate());
        if (!exchange.ok())
            return finish(refused(operation, SetupStatus::LinkBusy));
        m_view.setBusyCursor(true);
        SetupResult *outer = std::exchange(m_body, &result);
        const ExchangeResult r = body();
        m_body = outer;
        if (result.status == SetupStatus::Ok && !r.ok()) {
            result.status = SetupStatus::Failed;
            result.code = r.code;
        }
        result.operation = operation;
        // A failed attempt has closed the device already.
        if (r.ok())
            m_session.device().closeDevice();
        m_view.setBusyCursor(false);
    }
    return finish(result);
}

ExchangeResult MeterSetup::attempts(const RetryPolicy &policy, const std::function<ExchangeResult()> &attempt,
                                    const std::function<void(const ExchangeResult &)> &afterFailure)
{
    return retry(m_session.clock(), policy, attempt, [&](const ExchangeResult &failed, int) {
        if (afterFailure)
            afterFailure(failed);
        m_session.device().closeDevice();
    });
}

void MeterSetup::quit()
{
    // The write before the quit command is completed first, as after an aborted transfer.
    m_session.device().completeWrite();
    m_exchange.run(kQuit, m_reply);
}

SetupResult MeterSetup::setClock()
{
    return run(SetupOperation::Clock, [this] {
        // The computer's time as the block is composed, after the pause before it.
        const Exchange::Hooks hooks{.dataBlock = [this](std::span<std::uint8_t, kDataBlockSize> block) {
            composeClockBlock(block, m_session.clock().now());
        }};
        return attempts(kSetupRetry, [&] { return m_exchange.run(kClockExchange, m_reply, hooks); });
    });
}

SetupResult MeterSetup::setInterval()
{
    const std::optional<IntervalBcd> bcd =
        intervalFromTexts(m_view.input(SetupInput::IntervalMinutes), m_view.input(SetupInput::IntervalSeconds));
    if (!bcd)
        return finish(refused(SetupOperation::Interval, SetupStatus::InvalidInput));
    ExchangeSpec spec = kIntervalExchange;
    spec.params = {bcd->minutes, bcd->seconds};
    return run(SetupOperation::Interval,
               [&] { return attempts(kSetupRetry, [&] { return m_exchange.run(spec, m_reply); }); });
}

SetupResult MeterSetup::erase()
{
    return run(SetupOperation::Erase,
               [this] { return attempts(kSetupRetry, [this] { return m_exchange.run(kEraseExchange, m_reply); }); });
}

SetupResult MeterSetup::loadDefaults()
{
    return run(SetupOperation::Defaults, [this] {
        const Exchange::Hooks hooks{
            .dataBlock = [](std::span<std::uint8_t, kDataBlockSize> block) { composeDefaultSettingsBlock(block); }};
        return attempts(kSetupRetry, [&] { return m_exchange.run(kDefaultsExchange, m_reply, hooks); });
    });
}

SetupResult MeterSetup::readInformation()
{
    return run(SetupOperation::Information, [this] {
        const ExchangeResult r =
            attempts(kSetupRetry, [this] { return m_exchange.run(kInformationExchange, m_information); });
        if (r.ok()) {
            m_body->information = decodeMeterInfo(m_information);
            // The serial number comes from the open device; a failed read shows none.
            std::array<char, kSerialNumberSize> serial{};
            const int rc = m_session.device().readSerialNumber(0, serial.data(), int(serial.size()));
            if (m_body->information && rc == 0)
                m_body->information->serialNumber = serialNumberText(serial);
        }
        return r;
    });
}

void MeterSetup::setupAll()
{
    Clock &clock = m_session.clock();
    setClock();
    clock.pumpWait(kSetupAllPauseMs);
    setInterval();
    clock.pumpWait(kSetupAllPauseMs);
    erase();
    clock.pumpWait(kSetupAllPauseMs);
    loadDefaults();
    clock.pumpWait(kSetupAllPauseMs);
    readInformation();
}

SetupResult MeterSetup::readCalibration()
{
    return run(
        SetupOperation::Calibration,
        [this] {
            const ExchangeResult r = attempts(kSetupRetry, [this] {
                const ExchangeResult first = m_exchange.run(kCalibrationFirst, m_calibrationFirst);
                const ExchangeResult second = m_exchange.run(kCalibrationSecond, m_calibrationSecond);
                return second.ok() ? first : second;
            });
            if (r.ok())
                m_body->calibration = decodeCalibration(m_calibrationFirst, m_calibrationSecond);
            return r;
        },
        [this]() -> std::optional<SetupResult> {
            m_view.calibrationCleared();
            return std::nullopt;
        });
}

SetupResult MeterSetup::writeEeprom()
{
    QString notAnInteger;
    // The address and data are read anew for every attempt.
    const auto cell = [&]() -> std::optional<Cell> {
        const QString addressText = m_view.input(SetupInput::WriteAddress);
        const QString dataText = m_view.input(SetupInput::WriteData);
        const std::optional<qint32> address = parseInteger(addressText);
        const std::optional<qint32> data = parseInteger(dataText);
        if (!address || !data) {
            notAnInteger = address ? dataText : addressText;
            return std::nullopt;
        }
        return Cell{eepromAddressBytes(*address), eepromDataByte(*data)};
    };
    return run(
        SetupOperation::EepromWrite,
        [&] {
            const ExchangeResult r = attempts(
                kEepromRetry,
                [&] {
                    const std::optional<Cell> c = cell();
                    if (!c) {
                        // Changed into something else since the start: nothing more is sent.
                        m_body->status = SetupStatus::NotAnInteger;
                        m_body->text = notAnInteger;
                        return ExchangeResult{}; // ends the attempts
                    }
                    ExchangeSpec spec = kEepromWrite;
                    spec.params = {c->address[0], c->address[1], c->address[2], c->data};
                    return m_exchange.run(spec, m_reply);
                },
                [this](const ExchangeResult &failed) {
                    // A reply that does not repeat the command: the meter may be in a transfer.
                    if (failed.failedStep == ExchangeStep::Echo) {
                        m_session.clock().pumpWait(kEepromPauseMs);
                        quit();
                        m_session.clock().pumpWait(kEepromPauseMs);
                    }
                });
            return m_body->status == SetupStatus::NotAnInteger ? ExchangeResult{ExchangeStep::Command, 0} : r;
        },
        [&]() -> std::optional<SetupResult> {
            if (m_view.input(SetupInput::Password) != QLatin1String(kEepromAccessCode))
                return refused(SetupOperation::EepromWrite, SetupStatus::PasswordError);
            if (!cell())
                return refused(SetupOperation::EepromWrite, SetupStatus::NotAnInteger, notAnInteger);
            return std::nullopt;
        });
}

SetupResult MeterSetup::readEeprom()
{
    QString notAnInteger;
    const auto address = [&]() -> std::optional<std::array<std::uint8_t, 3>> {
        const QString text = m_view.input(SetupInput::ReadAddress);
        const std::optional<qint32> value = parseInteger(text);
        if (!value) {
            notAnInteger = text;
            return std::nullopt;
        }
        return eepromAddressBytes(*value);
    };
    return run(
        SetupOperation::EepromRead,
        [&] {
            const ExchangeResult r = attempts(
                kEepromRetry,
                [&] {
                    const auto a = address();
                    if (!a) {
                        m_body->status = SetupStatus::NotAnInteger;
                        m_body->text = notAnInteger;
                        return ExchangeResult{}; // ends the attempts
                    }
                    // Byte 5 is not set.
                    ExchangeSpec spec = kEepromRead;
                    spec.params = {(*a)[0], (*a)[1], (*a)[2]};
                    return m_exchange.run(spec, m_reply);
                },
                [this](const ExchangeResult &) {
                    quit();
                    m_session.clock().pumpWait(kEepromPauseMs);
                });
            if (m_body->status == SetupStatus::NotAnInteger)
                return ExchangeResult{ExchangeStep::Command, 0};
            if (r.ok())
                m_body->eepromValue = eepromReadValue(m_reply);
            return r;
        },
        [&]() -> std::optional<SetupResult> {
            if (!address())
                return refused(SetupOperation::EepromRead, SetupStatus::NotAnInteger, notAnInteger);
            return std::nullopt;
        });
}

} // namespace qx
