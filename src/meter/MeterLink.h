#pragma once
// The main window's exchanges with the meter: identity, live status and block selection,
// all sent from one command buffer and read into one 64-byte reply buffer.
#include "Clock.h"
#include "CommandReport.h"
#include "DeviceAccess.h"
#include "ExchangeGate.h"

#include <array>
#include <cstdint>

namespace qx {

inline constexpr int kIdentityReplySize = 32;
inline constexpr int kBlockReplySize = 36;
inline constexpr int kKeyReplySize = 32;
inline constexpr int kLinkTimeoutMs = 100;

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

class MeterLink {
public:
    MeterLink(DeviceAccess &device, Clock &clock, ExchangeGate &gate)
        : m_device(device), m_clock(clock), m_gate(gate)
    {
    }

    // 'K' → 32 bytes into the reply buffer; the caller checks the model digits.
    bool queryIdentity();
    // 'A' with the next sequence number → 64 bytes; the caller checks the marks.
    bool readLiveStatus();
    // Up to ten live status reads, pausing 100 + 10·i ms before attempt i.
    bool readLiveStatusRetry();
    // 'P' n; leaves the device open and the poll timer stopped (the caller restarts it).
    int selectBlock(int blockNumber);

    // Reply bytes 23..25 read "736".
    bool identityIsOurModel() const;

    // Increments (wrapping) and returns the live status sequence number.
    std::uint8_t nextSequence() { return ++m_sequence; }
    std::uint8_t sequence() const { return m_sequence; }

    CommandBuffer &buffer() { return m_buffer; }
    std::array<std::uint8_t, 64> &reply() { return m_reply; }
    const std::array<std::uint8_t, 64> &reply() const { return m_reply; }

    DeviceAccess &device() { return m_device; }
    Clock &clock() { return m_clock; }
    ExchangeGate &gate() { return m_gate; }

private:
    bool simpleExchange(char command, int replyLength);

    DeviceAccess &m_device;
    Clock &m_clock;
    ExchangeGate &m_gate;
    CommandBuffer m_buffer;
    std::array<std::uint8_t, 64> m_reply{};
    std::uint8_t m_sequence = 0;
};

} // namespace qx
