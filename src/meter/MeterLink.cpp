#include "MeterLink.h"

#include <algorithm>

namespace qx {

bool MeterLink::simpleExchange(char command, int replyLength)
{
    bool ok = false;
    if (m_device.openDevice(kMeterVendorId, kMeterProductId) == 0
        && m_device.setTimeouts(kLinkTimeoutMs, kLinkTimeoutMs) == 0) {
        m_buffer.compose(command);
        if (command == 'A')
            m_buffer.setParam(5, nextSequence());
        m_device.writeCommand(kCommandReportSize, m_buffer.data()); // judged by the reply
        m_device.completeWrite();
        if (command == 'A')
            m_reply.fill(0);
        ok = m_device.readReply(replyLength, m_reply.data()) == 0;
    }
    m_device.closeDevice(); // also after a failed open
    return ok;
}

bool MeterLink::queryIdentity() { return simpleExchange('K', kIdentityReplySize); }

bool MeterLink::readLiveStatus() { return simpleExchange('A', 64); }

bool MeterLink::readLiveStatusRetry()
{
    for (int i = 0; i < 10; ++i) {
        m_clock.pumpWait(100 + 10 * i);
        if (readLiveStatus())
            return true;
    }
    return false;
}

bool MeterLink::identityIsOurModel() const
{
    return m_reply[23] == '7' && m_reply[24] == '3' && m_reply[25] == '6';
}

int MeterLink::selectBlock(int blockNumber)
{
    const int n = std::clamp(blockNumber, 0, 65535);
    m_gate.quiesce();
    if (m_device.openDevice(kMeterVendorId, kMeterProductId) != 0)
        return kSelectOpenFailed;
    m_clock.pumpWait(100);
    if (m_device.setTimeouts(kLinkTimeoutMs, kLinkTimeoutMs) != 0)
        return kSelectTimeoutsFailed;
    m_clock.pumpWait(100);
    m_buffer.compose('P');
    m_buffer.setParam(2, std::uint8_t(n / 256));
    m_buffer.setParam(3, std::uint8_t(n % 256));
    if (m_device.writeCommand(kCommandReportSize, m_buffer.data()) != 0)
        return kSelectWriteFailed;
    m_device.completeWrite();
    m_clock.pumpWait(100);
    if (m_device.readReply(kBlockReplySize, m_reply.data()) != 0)
        return kSelectNoReply;
    if (m_reply[34] != 0x04 || m_reply[35] != 0x05)
        return kSelectBadMarks;
    if (m_reply[32] != n / 256 || m_reply[33] != n % 256)
        return kSelectNotEchoed;
    return kSelectOk;
}

} // namespace qx
