#include "PanelKeys.h"

#include <exception>

namespace qx {

int PanelKeys::sendKey()
{
    DeviceAccess &device = m_session.device();
    int recorded = kKeyOk;
    if (device.openDevice(kMeterVendorId, kMeterProductId) != 0)
        recorded = kKeyOpenFailed;
    if (device.setTimeouts(kLinkTimeoutMs, kLinkTimeoutMs) != 0)
        recorded = kKeyTimeoutsFailed;
    if (device.writeCommand(kCommandReportSize, m_buffer.data()) != 0)
        recorded = kKeyWriteFailed;
    device.completeWrite();
    std::array<std::uint8_t, kKeyReplySize> reply{};
    try {
        if (device.readReply(kKeyReplySize, reply.data()) != 0)
            return kKeyNoReply;
    } catch (const std::exception &) {
        return kKeyReadError;
    }
    if (reply[2] != 'O' || reply[3] != 'K')
        return kKeyReplyNotOk;
    return recorded;
}

int PanelKeys::press(char code)
{
    UserExchange exchange(m_session.gate());
    if (!exchange.ok())
        return -1;
    m_buffer.compose(code);
    m_buffer.setParam(2, 0x00);
    m_buffer.setParam(3, 0x00);
    const int result = sendKey();
    if (result != kKeyOk)
        m_session.clock().pumpWait(kKeyFailurePauseMs);
    return result;
}

} // namespace qx
