#include "HidTransport.h"

#include <hidapi.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <vector>

namespace qx {

namespace {

bool hidapiReady()
{
    static const bool ready = hid_init() == 0;
    return ready;
}

// The kernel refuses descriptors beyond these bounds, so a descriptor that exceeds them
// did not come from a working device.
constexpr std::uint32_t kMaxReportSizeBits = 256;
constexpr std::uint32_t kMaxReportCount = 12288;
constexpr int kGlobalStackDepth = 4;
// sysfs never serves a longer descriptor.
constexpr std::size_t kMaxDescriptorSize = 4096;

std::vector<std::uint8_t> readFile(const std::string &path, std::size_t limit)
{
    std::vector<std::uint8_t> bytes;
    if (FILE *f = std::fopen(path.c_str(), "rb")) {
        bytes.resize(limit);
        std::size_t got = 0;
        while (got < limit) {
            const std::size_t n = std::fread(bytes.data() + got, 1, limit - got, f);
            if (n == 0)
                break;
            got += n;
        }
        const bool failed = std::ferror(f) != 0;
        std::fclose(f);
        bytes.resize(failed ? 0 : got);
    }
    return bytes;
}

int outputLengthOfNode(const std::string &devicePath)
{
    const std::string path = hidrawDescriptorPath(devicePath);
    if (path.empty())
        return kFallbackOutputReportLength;
    const std::vector<std::uint8_t> descriptor = readFile(path, kMaxDescriptorSize);
    return outputReportLength(descriptor.data(), descriptor.size());
}

} // namespace

int outputReportLength(const std::uint8_t *data, std::size_t size)
{
    constexpr int fallback = kFallbackOutputReportLength;
    if (!data || size == 0)
        return fallback;

    struct Globals {
        std::uint32_t reportSize = 0;
        std::uint32_t reportCount = 0;
        std::uint32_t reportId = 0;
    };
    Globals globals;
    std::array<Globals, kGlobalStackDepth> stack;
    int depth = 0;
    std::size_t collections = 0;
    std::array<std::uint64_t, 256> outputBits{}; // by report id, 0 = unnumbered
    constexpr std::uint64_t maxBits = std::uint64_t(kMaxReportLength) * 8;
    bool anyOutput = false;

    std::size_t pos = 0;
    while (pos < size) {
        const std::uint8_t prefix = data[pos++];
        if (prefix == 0xFE) { // long item: data size, tag, data
            if (size - pos < 2)
                return fallback;
            const std::size_t length = data[pos];
            pos += 2;
            if (size - pos < length)
                return fallback;
            pos += length;
            continue;
        }
        const std::size_t length = (prefix & 0x03) == 3 ? 4 : (prefix & 0x03);
        if (size - pos < length)
            return fallback;
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < length; ++i)
            value |= std::uint32_t(data[pos + i]) << (8 * i);
        pos += length;

        const int type = (prefix >> 2) & 0x03;
        const int tag = prefix >> 4;
        if (type == 0) { // main
            switch (tag) {
            case 0x9: { // Output
                std::uint64_t &bits = outputBits[globals.reportId];
                bits += std::uint64_t(globals.reportSize) * globals.reportCount;
                if (bits > maxBits)
                    return fallback;
                anyOutput = true;
                break;
            }
            case 0xA: // Collection
                ++collections;
                break;
            case 0xC: // End Collection
                if (collections == 0)
                    return fallback;
                --collections;
                break;
            default:
                break;
            }
        } else if (type == 1) { // global
            switch (tag) {
            case 0x7: // Report Size
                if (value > kMaxReportSizeBits)
                    return fallback;
                globals.reportSize = value;
                break;
            case 0x8: // Report ID
                if (value == 0 || value > 255)
                    return fallback;
                globals.reportId = value;
                break;
            case 0x9: // Report Count
                if (value > kMaxReportCount)
                    return fallback;
                globals.reportCount = value;
                break;
            case 0xA: // Push
                if (depth == kGlobalStackDepth)
                    return fallback;
                stack[depth++] = globals;
                break;
            case 0xB: // Pop
                if (depth == 0)
                    return fallback;
                globals = stack[--depth];
                break;
            default:
                break;
            }
        }
        // Local and reserved items do not change report lengths.
    }
    if (collections != 0 || !anyOutput)
        return fallback;

    std::uint64_t longest = 0;
    for (std::uint64_t bits : outputBits)
        longest = std::max(longest, bits);
    if (longest == 0)
        return fallback;
    return int((longest + 7) / 8);
}

std::string hidrawDescriptorPath(std::string_view devicePath)
{
    const std::size_t slash = devicePath.find_last_of('/');
    const std::string_view name = slash == std::string_view::npos ? devicePath : devicePath.substr(slash + 1);
    constexpr std::string_view prefix = "hidraw";
    if (name.size() <= prefix.size() || name.size() > prefix.size() + 9 || !name.starts_with(prefix))
        return {};
    for (char c : name.substr(prefix.size()))
        if (c < '0' || c > '9')
            return {};
    return "/sys/class/hidraw/" + std::string(name) + "/device/report_descriptor";
}

HidapiTransport::HidapiTransport() = default;

HidapiTransport::~HidapiTransport()
{
    close();
}

std::string HidapiTransport::find(std::uint16_t vendorId, std::uint16_t productId)
{
    std::string path;
    if (!hidapiReady())
        return path;
    hid_device_info *devices = hid_enumerate(vendorId, productId);
    for (const hid_device_info *d = devices; d && path.empty(); d = d->next) {
        if (d->path && d->vendor_id == vendorId && d->product_id == productId)
            path = d->path;
    }
    hid_free_enumeration(devices);
    return path;
}

bool HidapiTransport::open(const std::string &path)
{
    close();
    if (path.empty() || !hidapiReady())
        return false;
    m_device = hid_open_path(path.c_str());
    if (!m_device)
        return false;
    m_outputLength = outputLengthOfNode(path);
    return true;
}

void HidapiTransport::close()
{
    if (m_device) {
        hid_close(m_device);
        m_device = nullptr;
    }
    m_outputLength = kFallbackOutputReportLength;
}

int HidapiTransport::write(const std::uint8_t *data, std::size_t length)
{
    if (!m_device || !data || length == 0)
        return -1;
    return hid_write(m_device, data, length);
}

int HidapiTransport::read(std::uint8_t *data, std::size_t capacity, int timeoutMs)
{
    if (!m_device || !data || capacity == 0 || timeoutMs < 0)
        return -1;
    return hid_read_timeout(m_device, data, capacity, timeoutMs);
}

bool HidapiTransport::serialNumber(std::wstring &text)
{
    text.clear();
    if (!m_device)
        return false;
    // A USB string descriptor holds at most 126 characters.
    std::array<wchar_t, 128> buffer{};
    if (hid_get_serial_number_string(m_device, buffer.data(), buffer.size()) != 0)
        return false;
    buffer.back() = L'\0';
    text = buffer.data();
    return true;
}

} // namespace qx
