#include "Exchange.h"

#include <algorithm>
#include <exception>

namespace qx {

ExchangeResult retry(Clock &clock, const RetryPolicy &policy, const std::function<ExchangeResult()> &attempt,
                     const std::function<void(const ExchangeResult &, int attempt)> &afterFailure)
{
    ExchangeResult result;
    const int attempts = std::max(policy.attempts, 1);
    for (int i = 0; i < attempts; ++i) {
        const int before = policy.pauseBeforeMs + i * policy.pauseGrowthMs;
        if (before > 0)
            clock.pumpWait(before);
        result = attempt();
        if (result.ok())
            break;
        if (policy.pauseAfterFailureMs > 0)
            clock.pumpWait(policy.pauseAfterFailureMs);
        if (afterFailure)
            afterFailure(result, i);
    }
    return result;
}

void Exchange::pause(int ms)
{
    if (ms > 0)
        m_clock.pumpWait(ms);
}

ExchangeResult Exchange::run(const ExchangeSpec &spec, std::span<std::uint8_t> reply, const Hooks &hooks)
{
    const FailureCodes &codes = spec.codes;
    const bool goOn = spec.onFailure == OnFailure::GoOn;
    ExchangeResult result;
    // Records a failed step; true when the attempt ends with it.
    const auto failed = [&](ExchangeStep step, int code) {
        result = {step, code};
        return !goOn;
    };
    const auto finish = [&] {
        if (spec.close == CloseRule::Always)
            m_device.closeDevice();
        return result;
    };

    if (spec.open) {
        if (m_device.openDevice(kMeterVendorId, kMeterProductId) != 0 && failed(ExchangeStep::Open, codes.open))
            return finish();
        pause(spec.pauseAfterOpenMs);
        if (m_device.setTimeouts(spec.readTimeoutMs, spec.writeTimeoutMs) != 0
            && failed(ExchangeStep::Timeouts, codes.timeouts))
            return finish();
        pause(spec.pauseAfterTimeoutsMs);
    }

    m_buffer.compose(spec.command);
    for (std::size_t i = 0; i < spec.params.size(); ++i) {
        if (spec.params[i])
            m_buffer.setParam(int(i) + 2, *spec.params[i]);
    }
    if (hooks.compose)
        hooks.compose(m_buffer);
    if (m_device.writeCommand(kCommandReportSize, m_buffer.data()) != 0) {
        if (spec.close == CloseRule::AfterFailedCommand)
            m_device.closeDevice();
        if (spec.commandChecked && failed(ExchangeStep::Command, codes.command))
            return finish();
    }
    if (spec.completeWrite)
        m_device.completeWrite();
    pause(spec.pauseAfterCommandMs);

    if (spec.dataBlock) {
        if (reply.size() < std::size_t(kDataBlockSize)) {
            if (failed(ExchangeStep::Data, codes.data))
                return finish();
        } else {
            const auto block = reply.first<kDataBlockSize>();
            if (hooks.dataBlock)
                hooks.dataBlock(block);
            if (m_device.writeData(kDataBlockSize, block.data()) != 0 && failed(ExchangeStep::Data, codes.data))
                return finish();
            if (spec.completeWrite)
                m_device.completeWrite();
        }
        pause(spec.pauseAfterDataMs);
    }

    if (spec.replyLength <= 0)
        return finish();
    if (spec.clearReply)
        std::fill(reply.begin(), reply.end(), std::uint8_t(0));
    const auto length = std::size_t(spec.replyLength);
    if (length > reply.size()) {
        failed(ExchangeStep::Read, codes.read);
        return finish();
    }
    int rc = 0;
    if (codes.readError != 0) {
        try {
            rc = m_device.readReply(spec.replyLength, reply.data());
        } catch (const std::exception &) {
            failed(ExchangeStep::Read, codes.readError);
            return finish();
        }
    } else {
        rc = m_device.readReply(spec.replyLength, reply.data());
    }
    // A reply that did not arrive has nothing to check.
    if (rc != 0) {
        failed(ExchangeStep::Read, codes.read);
        return finish();
    }
    const auto holds = [&](const ReplyCheck &check) {
        const auto at = std::size_t(check.at);
        return at + 1 < length && reply[at] == check.first && reply[at + 1] == check.second;
    };
    if (spec.marks.active() && !holds(spec.marks) && failed(ExchangeStep::Marks, codes.marks))
        return finish();
    if (spec.echo.active() && !holds(spec.echo))
        failed(ExchangeStep::Echo, codes.echo);
    return finish();
}

ExchangeResult Exchange::run(const ExchangeSpec &spec, std::span<std::uint8_t> reply, const RetryPolicy &policy,
                             const Hooks &hooks)
{
    return retry(m_clock, policy, [&] { return run(spec, reply, hooks); });
}

} // namespace qx
