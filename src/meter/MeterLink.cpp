#include "MeterLink.h"

#include <algorithm>

namespace qx {

namespace {
constexpr int kSelectPauseMs = 100;
constexpr int kHighestBlock = 65535;
} // namespace

ExchangeSpec selectBlockExchange(int blockNumber)
{
    const int n = std::clamp(blockNumber, 0, kHighestBlock);
    const auto high = std::uint8_t(n / 256);
    const auto low = std::uint8_t(n % 256);
    return {.command = 'P',
            .params = {high, low},
            .pauseAfterOpenMs = kSelectPauseMs,
            .pauseAfterTimeoutsMs = kSelectPauseMs,
            .pauseAfterCommandMs = kSelectPauseMs,
            .replyLength = kBlockReplySize,
            .marks = kBlockReplyMarks,
            .echo = {kBlockReplyEchoAt, high, low},
            .codes = kSelectBlockCodes};
}

Exchange::Hooks MeterLink::sequenceHooks()
{
    return {.compose = [this](CommandBuffer &buffer) { buffer.setParam(5, nextSequence()); }};
}

bool MeterLink::queryIdentity() { return m_exchange.run(kIdentityExchange, m_reply).ok(); }

bool MeterLink::readLiveStatus() { return m_exchange.run(kLiveStatusExchange, m_reply, sequenceHooks()).ok(); }

bool MeterLink::readLiveStatusRetry()
{
    return m_exchange.run(kLiveStatusExchange, m_reply, kLiveStatusRetry, sequenceHooks()).ok();
}

bool MeterLink::identityIsOurModel() const
{
    return std::equal(m_reply.begin() + kIdentityModelAt, m_reply.begin() + kIdentityModelAt + 3, "736");
}

int MeterLink::selectBlock(int blockNumber)
{
    m_gate.quiesce();
    return m_exchange.run(selectBlockExchange(blockNumber), m_reply).code;
}

} // namespace qx
