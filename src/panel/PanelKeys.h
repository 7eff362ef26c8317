#pragma once
// The meter's keys, sent from the panel's own command buffer.
#include "meter/CommandReport.h"
#include "meter/Exchange.h"
#include "meter/MeterSession.h"

namespace qx {

enum KeyCode : int {
    kKeyOk = 0,
    kKeyOpenFailed = 7002,
    kKeyTimeoutsFailed = 7003,
    kKeyWriteFailed = 7004,
    kKeyNoReply = 7005,
    kKeyReplyNotOk = 7006,
    kKeyReadError = 7007,
};

inline constexpr int kKeyReplySize = 32;
inline constexpr int kKeyFailurePauseMs = 300;

// A key goes on after a failed open, time-out setting or write and is judged by the
// reply ("OK" at bytes 2 and 3); the device stays open.
inline constexpr ExchangeSpec kKeyExchange{.params = {0x00, 0x00},
                                           .replyLength = kKeyReplySize,
                                           .marks = okAt(2),
                                           .onFailure = OnFailure::GoOn,
                                           .codes = {.open = kKeyOpenFailed,
                                                     .timeouts = kKeyTimeoutsFailed,
                                                     .command = kKeyWriteFailed,
                                                     .read = kKeyNoReply,
                                                     .readError = kKeyReadError,
                                                     .marks = kKeyReplyNotOk}};
// Sent once; a failure pauses before polling resumes.
inline constexpr RetryPolicy kKeyRetry{.attempts = 1, .pauseAfterFailureMs = kKeyFailurePauseMs};

class PanelKeys {
public:
    explicit PanelKeys(MeterSession &session)
        : m_session(session), m_exchange(session.device(), session.clock(), m_buffer)
    {
    }

    // One key exchange of `code`: 0 or a KeyCode.
    int sendKey(char code);

    // A key press as the user makes it: waits for the poll tick, stops polling, sends
    // the key once, pauses 300 ms after a failure, starts polling again. Silent; a key
    // pressed while another exchange holds the link is dropped. Returns the key's code,
    // or -1 when dropped.
    int press(char code);

    const CommandBuffer &buffer() const { return m_buffer; }

private:
    ExchangeResult attempt(char code);

    MeterSession &m_session;
    CommandBuffer m_buffer;
    Exchange m_exchange;
};

} // namespace qx
