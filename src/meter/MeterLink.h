#pragma once
// The main window's exchanges with the meter: identity, live status and block selection,
// all sent from one command buffer and read into one 64-byte reply buffer.
#include "Clock.h"
#include "CommandReport.h"
#include "DeviceAccess.h"
#include "Exchange.h"
#include "ExchangeGate.h"
#include "LiveFrame.h"

#include <array>
#include <cstdint>

namespace qx {

inline constexpr int kIdentityReplySize = 32;
inline constexpr int kIdentityModelAt = 23; // three ASCII digits, "736"

// The 36-byte reply to 'P', 'p' and 'r': 32 bytes of memory, then the selected block
// number, high byte first, then 04 05.
inline constexpr int kBlockReplySize = 36;
inline constexpr int kBlockReplyDataAt = 0;
inline constexpr int kBlockReplyEchoAt = 32;
inline constexpr ReplyCheck kBlockReplyMarks{34, 0x04, 0x05};

// Block selection results.
enum SelectBlockCode : int {
    kSelectOk = 0,
    kSelectOpenFailed = 1002,
    kSelectTimeoutsFailed = 1003,
    kSelectWriteFailed = 1004,
    kSelectNoReply = 1005,
    kSelectBadMarks = 1006,
    kSelectNotEchoed = 1007,
};
inline constexpr FailureCodes kSelectBlockCodes{.open = kSelectOpenFailed,
                                                .timeouts = kSelectTimeoutsFailed,
                                                .command = kSelectWriteFailed,
                                                .read = kSelectNoReply,
                                                .marks = kSelectBadMarks,
                                                .echo = kSelectNotEchoed};

// Identity and live status: no waits, the write judged by the reply, always closed
// (also after a failed open); the caller checks the model digits or the frame's marks.
inline constexpr ExchangeSpec kIdentityExchange{
    .command = 'K', .commandChecked = false, .replyLength = kIdentityReplySize, .close = CloseRule::Always};
inline constexpr ExchangeSpec kLiveStatusExchange{.command = 'A',
                                                  .commandChecked = false,
                                                  .clearReply = true,
                                                  .replyLength = kLiveFrameSize,
                                                  .close = CloseRule::Always};
// Ten attempts, pausing 100 + 10·i ms before attempt i.
inline constexpr RetryPolicy kLiveStatusRetry{.attempts = 10, .pauseBeforeMs = 100, .pauseGrowthMs = 10};

// Block selection: a pause after each step; the device stays open.
ExchangeSpec selectBlockExchange(int blockNumber);

class MeterLink {
public:
    MeterLink(DeviceAccess &device, Clock &clock, ExchangeGate &gate)
        : m_device(device), m_clock(clock), m_gate(gate), m_exchange(device, clock, m_buffer)
    {
    }

    // 'K' → 32 bytes into the reply buffer; the caller checks the model digits.
    bool queryIdentity();
    // 'A' with the next sequence number → 64 bytes; the caller checks the marks.
    bool readLiveStatus();
    // Up to ten live status reads, pausing 100 + 10·i ms before attempt i.
    bool readLiveStatusRetry();
    // 'P' n (0 to 65535); leaves the device open and the poll timer stopped (the caller
    // restarts it).
    int selectBlock(int blockNumber);

    // Reply bytes 23..25 read "736".
    bool identityIsOurModel() const;

    // Increments (wrapping) and returns the live status sequence number.
    std::uint8_t nextSequence() { return ++m_sequence; }
    std::uint8_t sequence() const { return m_sequence; }
    // Puts the next sequence number into byte 5 as the command is composed.
    Exchange::Hooks sequenceHooks();

    CommandBuffer &buffer() { return m_buffer; }
    std::array<std::uint8_t, 64> &reply() { return m_reply; }
    const std::array<std::uint8_t, 64> &reply() const { return m_reply; }
    // Exchanges from the main buffer into the main reply buffer.
    Exchange &exchange() { return m_exchange; }

    DeviceAccess &device() { return m_device; }
    Clock &clock() { return m_clock; }
    ExchangeGate &gate() { return m_gate; }

private:
    DeviceAccess &m_device;
    Clock &m_clock;
    ExchangeGate &m_gate;
    CommandBuffer m_buffer;
    std::array<std::uint8_t, 64> m_reply{};
    std::uint8_t m_sequence = 0;
    Exchange m_exchange;
};

} // namespace qx
