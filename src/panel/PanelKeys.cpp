#include "PanelKeys.h"

namespace qx {

ExchangeResult PanelKeys::attempt(char code)
{
    ExchangeSpec spec = kKeyExchange;
    spec.command = code;
    // Each key reads into a fresh reply of its own.
    std::array<std::uint8_t, kKeyReplySize> reply{};
    return m_exchange.run(spec, reply);
}

int PanelKeys::sendKey(char code) { return attempt(code).code; }

int PanelKeys::press(char code)
{
    UserExchange exchange(m_session.gate());
    if (!exchange.ok())
        return -1;
    return retry(m_session.clock(), kKeyRetry, [&] { return attempt(code); }).code;
}

} // namespace qx
