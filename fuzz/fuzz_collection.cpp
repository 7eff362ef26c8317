// Opening a collection: the file's bytes through the reader and the parse, as the open
// command does, whatever their length.
#include "logger/CollectionFile.h"
#include "logger/MemoryImage.h"

#include <QBuffer>
#include <cstdlib>

using namespace qx;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const QDateTime now(QDate(2026, 3, 14), QTime(9, 30, 0));
    QByteArray file(reinterpret_cast<const char *>(data), qsizetype(size));
    QBuffer device(&file);
    MemoryImage image;
    const CollectionRead read = readCollection(device, image);
    if (read != checkCollectionBytes(file))
        std::abort();
    if (read != CollectionRead::Ok) {
        if (!image.isEmpty())
            std::abort();
        return 0;
    }
    if (image != file)
        std::abort();

    DataSetStore store;
    if (store.parse(image, now) != kParseOk) {
        if (!store.isEmpty())
            std::abort();
        return 0;
    }
    for (int n = 0; n < store.count(); ++n) {
        const SampleRange r = store.sampleRange(n);
        if (std::size_t(r.first) + std::size_t(r.count) > store.sampleValues().size())
            std::abort();
        (void)store.values(n);
        (void)store.times(n);
    }
    const int length = workingCopyLength(image, store.dataSets());
    const DataSet &last = store.dataSets().back();
    // The copy holds every record that is there.
    if (length > image.size() || length < std::min<qsizetype>(image.size(), last.headerPosition + image::kSetHeaderSize +
                                                                               8 * qsizetype(last.recordCount)))
        std::abort();
    return 0;
}
