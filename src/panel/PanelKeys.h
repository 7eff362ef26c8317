#pragma once
// The meter's keys, sent from the panel's own command buffer.
#include "meter/CommandReport.h"
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

inline constexpr int kKeyFailurePauseMs = 300;

class PanelKeys {
public:
    explicit PanelKeys(MeterSession &session) : m_session(session) {}

    // One key exchange: goes on after a failed open, time-out setting or write and is
    // judged by the reply ("OK" at bytes 2 and 3). Leaves the device open.
    int sendKey();

    // A key press as the user makes it: waits for the poll tick, stops polling, sends
    // the key once, pauses 300 ms after a failure, starts polling again. Silent; a key
    // pressed while another exchange holds the link is dropped. Returns the key's code,
    // or -1 when dropped.
    int press(char code);

    const CommandBuffer &buffer() const { return m_buffer; }

private:
    MeterSession &m_session;
    CommandBuffer m_buffer;
};

} // namespace qx
