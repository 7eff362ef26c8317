#pragma once
// The handful of HID calls the meter link needs, behind one small interface so that the
// report handling above it can be tested without a meter on the bus.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

struct hid_device_;

namespace qx {

// Used when the device's report descriptor cannot be read or makes no sense.
inline constexpr int kFallbackOutputReportLength = 64;
// No report of this meter link is longer; anything beyond is treated as nonsense.
inline constexpr int kMaxReportLength = 4096;

class HidTransport {
public:
    virtual ~HidTransport() = default;
    // Path of the first attached device with these ids; empty when there is none.
    virtual std::string find(std::uint16_t vendorId, std::uint16_t productId) = 0;
    // Opens the device at `path`, closing any device opened before.
    virtual bool open(const std::string &path) = 0;
    virtual void close() = 0;
    // Data bytes of one output report of the open device, the report id byte not counted.
    virtual int outputLength() = 0;
    // Sends one output report, report id first. Returns the bytes written, or -1.
    virtual int write(const std::uint8_t *data, std::size_t length) = 0;
    // Waits up to `timeoutMs` for one input report. Returns the bytes read, 0 on
    // time-out, -1 on error (the device has gone).
    virtual int read(std::uint8_t *data, std::size_t capacity, int timeoutMs) = 0;
    // The USB serial number string of the open device.
    virtual bool serialNumber(std::wstring &text) = 0;
};

// The real thing: hidapi on the hidraw backend.
class HidapiTransport final : public HidTransport {
public:
    HidapiTransport();
    ~HidapiTransport() override;
    HidapiTransport(const HidapiTransport &) = delete;
    HidapiTransport &operator=(const HidapiTransport &) = delete;

    std::string find(std::uint16_t vendorId, std::uint16_t productId) override;
    bool open(const std::string &path) override;
    void close() override;
    int outputLength() override { return m_outputLength; }
    int write(const std::uint8_t *data, std::size_t length) override;
    int read(std::uint8_t *data, std::size_t capacity, int timeoutMs) override;
    bool serialNumber(std::wstring &text) override;

private:
    hid_device_ *m_device = nullptr;
    int m_outputLength = kFallbackOutputReportLength;
};

// Length in bytes of the longest output report a HID report descriptor declares (the
// report id byte not counted), or kFallbackOutputReportLength when the descriptor is
// truncated, corrupt or declares no output report. Reads nothing outside data[0, size).
int outputReportLength(const std::uint8_t *data, std::size_t size);

// Where sysfs exposes the report descriptor of a hidraw node ("/dev/hidraw3" →
// "/sys/class/hidraw/hidraw3/device/report_descriptor"); empty for any other path.
std::string hidrawDescriptorPath(std::string_view devicePath);

} // namespace qx
