#pragma once
// One attempt of an exchange with the meter, and the retries around it.
//
// Every exchange has the same skeleton: open the meter and set its time-outs, write the
// command report from a command buffer, complete the write, maybe send a 32-byte data
// block, pause, read a reply of a fixed length into a reply buffer and check its marks.
// What differs between the families (live status, block selection, download, keys, setup)
// is written down as an ExchangeSpec row: which steps run, the pauses, the reply, the
// checks, whether a failed step ends the attempt or the steps go on, and the family's code
// for each step that fails. A RetryPolicy says how many attempts are made and how long
// to pause around them.
#include "Clock.h"
#include "CommandReport.h"
#include "DeviceAccess.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>

namespace qx {

inline constexpr int kLinkTimeoutMs = 100;
inline constexpr int kDataBlockSize = 32;

// The steps of an attempt that can fail, in the order they run.
enum class ExchangeStep { None, Open, Timeouts, Command, Data, Read, Marks, Echo };

// A family's code for each step. A step whose code is 0 still fails the attempt; the
// attempt then ends with code 0 and ok() false.
struct FailureCodes {
    int open = 0;
    int timeouts = 0;
    int command = 0;
    int data = 0;
    int read = 0;
    // The read raised an error instead of returning. 0: the error is not caught here.
    int readError = 0;
    int marks = 0;
    int echo = 0;
};

// Two reply bytes that must hold the given values, from `at` on; `at` < 0: not checked.
struct ReplyCheck {
    int at = -1;
    std::uint8_t first = 0;
    std::uint8_t second = 0;
    constexpr bool active() const { return at >= 0; }
};

// "OK" at reply bytes at and at + 1, the mark of the keys' and the setup commands' replies.
constexpr ReplyCheck okAt(int at) { return {at, 'O', 'K'}; }

enum class OnFailure {
    Stop, // the first failing step ends the attempt with its code
    GoOn, // every step runs; the last failing step's code counts; a failed read skips the checks
};

enum class CloseRule {
    Never,              // the device stays open; the next exchange opens it again
    Always,             // closeDevice at the end, also after a failed open
    AfterFailedCommand, // closeDevice when the command report could not be written
};

// One exchange, in the order of its steps. Pauses of 0 are no pause.
struct ExchangeSpec {
    char command = 0;
    // Parameter bytes 2 to 5 to set; the unset ones keep what the buffer holds.
    std::array<std::optional<std::uint8_t>, 4> params{};
    // openDevice and setTimeouts first; without, the exchange goes on from an earlier one.
    bool open = true;
    int readTimeoutMs = kLinkTimeoutMs;
    int writeTimeoutMs = kLinkTimeoutMs;
    int pauseAfterOpenMs = 0;
    int pauseAfterTimeoutsMs = 0;
    // False: the write's result is not looked at, the reply judges the exchange.
    bool commandChecked = true;
    bool completeWrite = true; // after the command report, and after the data block
    int pauseAfterCommandMs = 0;
    // A 32-byte data block after the command report, composed into the reply buffer.
    bool dataBlock = false;
    int pauseAfterDataMs = 0;
    // Zeros over the whole reply buffer before the read.
    bool clearReply = false;
    int replyLength = 0; // 0: no reply is read
    ReplyCheck marks{};
    ReplyCheck echo{}; // checked after the marks
    OnFailure onFailure = OnFailure::Stop;
    CloseRule close = CloseRule::Never;
    FailureCodes codes{};
};

struct ExchangeResult {
    ExchangeStep failedStep = ExchangeStep::None; // the step whose code counts
    int code = 0;

    bool ok() const { return failedStep == ExchangeStep::None; }
};

// Attempts and the pauses around them.
struct RetryPolicy {
    int attempts = 1;
    // Before attempt i (from 0): pauseBeforeMs + i × pauseGrowthMs.
    int pauseBeforeMs = 0;
    int pauseGrowthMs = 0;
    // After each failed attempt, the last one too.
    int pauseAfterFailureMs = 0;
};

// Makes an attempt until one succeeds or the policy's attempts are used up; the result is
// the last attempt's. `afterFailure` runs after each failed attempt and its pause (for a
// quit command, say), with the attempt's index.
ExchangeResult retry(Clock &clock, const RetryPolicy &policy, const std::function<ExchangeResult()> &attempt,
                     const std::function<void(const ExchangeResult &, int attempt)> &afterFailure = {});

// What only the caller knows when the step comes: parameters taken at the moment the
// command is composed (a sequence number), a data block composed after the pause
// before it (the clock's time).
struct ExchangeHooks {
    std::function<void(CommandBuffer &)> compose{};
    std::function<void(std::span<std::uint8_t, kDataBlockSize>)> dataBlock{};
};

class Exchange {
public:
    using Hooks = ExchangeHooks;

    Exchange(DeviceAccess &device, Clock &clock, CommandBuffer &buffer)
        : m_device(device), m_clock(clock), m_buffer(buffer)
    {
    }

    // One attempt. The reply is read into `reply`, which must hold replyLength bytes (and
    // the data block); a reply or a check that does not fit fails its step without
    // touching the device or reading past the buffer.
    ExchangeResult run(const ExchangeSpec &spec, std::span<std::uint8_t> reply, const Hooks &hooks = {});
    // Attempts by the policy.
    ExchangeResult run(const ExchangeSpec &spec, std::span<std::uint8_t> reply, const RetryPolicy &policy,
                       const Hooks &hooks = {});

    DeviceAccess &device() { return m_device; }
    Clock &clock() { return m_clock; }
    CommandBuffer &buffer() { return m_buffer; }

private:
    void pause(int ms);

    DeviceAccess &m_device;
    Clock &m_clock;
    CommandBuffer &m_buffer;
};

} // namespace qx
