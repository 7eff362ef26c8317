// parseMemoryImage on any bytes: nothing is read past the end, and what comes out keeps
// the store's layout (four entries per record, sets inside the image).
#include "logger/CollectionFile.h"
#include "logger/MemoryImage.h"

#include <cstdlib>

using namespace qx;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const QDateTime now(QDate(2026, 3, 14), QTime(9, 30, 0));
    // A copy of exactly `size` bytes on the heap, so ASan sees the end of the image.
    std::vector<std::uint8_t> bytes(data, data + size);
    ParsedDataSets parsed;
    const int code = parseMemoryImage(std::span<const std::uint8_t>(bytes), now, parsed);
    if (code != kParseOk) {
        if (code != kParseNoDataSets && code != kParseTooManySets)
            std::abort();
        return 0;
    }
    std::size_t records = 0;
    for (const DataSet &set : parsed.sets) {
        if (set.recordCount < 0 || set.recordCount > set.announcedRecordCount)
            std::abort();
        if (std::size_t(set.headerPosition) + image::kSetHeaderSize + std::size_t(set.recordCount) * image::kRecordSize >
            size)
            std::abort();
        records += std::size_t(set.recordCount);
        (void)set.intervalText();
        (void)set.offsetDegrees(0);
    }
    if (parsed.values.size() != 4 * records || parsed.times.size() != parsed.values.size())
        std::abort();

    const MemoryImage image(reinterpret_cast<const char *>(data), qsizetype(size));
    const int length = workingCopyLength(image, parsed.sets);
    if (length < 0 || length > image.size())
        std::abort();
    return 0;
}
