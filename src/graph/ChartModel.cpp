#include "ChartModel.h"

#include <QDataStream>
#include <QIODevice>
#include <QtEndian>
#include <bit>
#include <climits>
#include <cmath>

namespace qx {

namespace {

constexpr std::array<int, 8> kDefaultSeriesColors = {0xFF0000, 0xFFFF00, 0x00FF00, 0xFF00FF,
                                                    0x0000FF, 0x00FFFF, 0xFFFFFF, 0x0080FF};

bool validPoint(int point, int count) { return point >= 0 && point < count; }

} // namespace

ChartModel::ChartModel()
{
    for (int s = 0; s < kMaxSeries; ++s)
        m_seriesColors[std::size_t(s)] = kDefaultSeriesColors[std::size_t(s) % kDefaultSeriesColors.size()];
}

// --- data ------------------------------------------------------------------------------

void ChartModel::touch(int point, bool onePoint)
{
    ++m_dataRevision;
    point = std::max(point, 0);
    m_firstDirty = std::min(m_firstDirty, point);
    if (!onePoint)
        m_lastValue.clear();
    const std::size_t blocks = m_yBlocks.size() / std::size_t(m_seriesCount);
    if (blocks == 0)
        return;
    const std::size_t from = std::size_t(point / kExtentBlock);
    const std::size_t to = onePoint ? std::min(from + 1, blocks) : blocks;
    for (std::size_t s = 0; s < std::size_t(m_seriesCount); ++s)
        for (std::size_t b = from; b < to; ++b)
            m_yBlocks[s * blocks + b].valid = false;
}

int ChartModel::lastValuePoint(int series) const
{
    if (series < 0 || series >= m_seriesCount)
        return -1;
    if (m_lastValue.size() != std::size_t(m_seriesCount))
        m_lastValue.assign(std::size_t(m_seriesCount), kUnknownLast);
    int &last = m_lastValue[std::size_t(series)];
    if (last == kUnknownLast) {
        last = m_pointCount - 1;
        while (last >= 0) {
            const float y = m_y[index(series, last)];
            if (std::isfinite(y) && y != m_nullY)
                break;
            --last;
        }
    }
    return last;
}

const ChartModel::YBlock &ChartModel::yBlock(int series, int block) const
{
    const std::size_t blocks = (std::size_t(m_pointCount) + kExtentBlock - 1) / kExtentBlock;
    if (m_yBlocks.size() != blocks * std::size_t(m_seriesCount))
        m_yBlocks.assign(blocks * std::size_t(m_seriesCount), YBlock());
    YBlock &e = m_yBlocks[std::size_t(series) * blocks + std::size_t(block)];
    if (!e.valid) {
        e = YBlock();
        e.valid = true;
        const int end = std::min(m_pointCount, (block + 1) * kExtentBlock);
        for (int p = block * kExtentBlock; p < end; ++p) {
            const float y = m_y[index(series, p)];
            if (!std::isfinite(y) || y == m_nullY || !std::isfinite(m_x[index(series, p)]))
                continue;
            if (!e.any) {
                e.lo = e.hi = y;
                e.any = true;
            } else {
                e.lo = std::min(e.lo, y);
                e.hi = std::max(e.hi, y);
            }
        }
    }
    return e;
}

int ChartModel::takeFirstDirtyPoint()
{
    const int first = std::min(m_firstDirty, m_pointCount);
    m_firstDirty = INT_MAX;
    return first;
}

void ChartModel::relayout(int seriesCount, int pointCount)
{
    const std::size_t total = std::size_t(seriesCount) * std::size_t(pointCount);
    if (seriesCount == m_seriesCount) {
        // Same layout: resizing keeps the first points where they are.
        m_x.resize(total, 0.0);
        m_y.resize(total, m_nullY);
    } else {
        std::vector<double> x(total, 0.0);
        std::vector<float> y(total, m_nullY);
        const int keepSeries = std::min(seriesCount, m_seriesCount);
        const int keepPoints = std::min(pointCount, m_pointCount);
        for (int p = 0; p < keepPoints; ++p)
            for (int s = 0; s < keepSeries; ++s) {
                const std::size_t to = std::size_t(p) * std::size_t(seriesCount) + std::size_t(s);
                x[to] = m_x[index(s, p)];
                y[to] = m_y[index(s, p)];
            }
        m_x.swap(x);
        m_y.swap(y);
    }
    m_seriesCount = seriesCount;
    m_pointCount = pointCount;
}

void ChartModel::setSeriesCount(int count)
{
    count = std::clamp(count, 1, kMaxSeries);
    if (count == m_seriesCount)
        return;
    relayout(count, m_pointCount);
    touch(0);
}

void ChartModel::setPointCount(int count)
{
    count = std::clamp(count, 0, kMaxPoints);
    if (count == m_pointCount)
        return;
    const int first = std::min(count, m_pointCount);
    relayout(m_seriesCount, count);
    touch(first);
}

void ChartModel::setX(int series, int point, double x)
{
    if (series < 0 || series >= m_seriesCount)
        return;
    if (point == -1) {
        for (int p = 0; p < m_pointCount; ++p)
            m_x[index(series, p)] = x;
        touch(0);
    } else if (validPoint(point, m_pointCount)) {
        m_x[index(series, point)] = x;
        touch(point, true);
    }
}


void ChartModel::setY(int series, int point, float y)
{
    if (series < 0 || series >= m_seriesCount)
        return;
    if (point == -1) {
        for (int p = 0; p < m_pointCount; ++p)
            m_y[index(series, p)] = y;
        touch(0);
    } else if (validPoint(point, m_pointCount)) {
        m_y[index(series, point)] = y;
        if (std::size_t(series) < m_lastValue.size() && m_lastValue[std::size_t(series)] != kUnknownLast) {
            int &last = m_lastValue[std::size_t(series)];
            const bool value = std::isfinite(y) && y != m_nullY;
            if (value && point > last)
                last = point;
            else if (!value && point == last)
                last = kUnknownLast;
        }
        touch(point, true);
    }
}


void ChartModel::setXArray(const double *values, std::size_t count)
{
    if (!values || count == 0 || m_x.empty())
        return;
    std::copy_n(values, std::min(count, m_x.size()), m_x.begin());
    touch(0);
}

void ChartModel::setYArray(const float *values, std::size_t count)
{
    if (!values || count == 0 || m_y.empty())
        return;
    std::copy_n(values, std::min(count, m_y.size()), m_y.begin());
    touch(0);
}

// --- look ------------------------------------------------------------------------------

void ChartModel::setSeriesLabel(int series, const QString &label)
{
    if (series >= 0 && series < kMaxSeries)
        m_seriesLabels[std::size_t(series)] = label;
}

QString ChartModel::seriesLabel(int series) const
{
    return series >= 0 && series < kMaxSeries ? m_seriesLabels[std::size_t(series)] : QString();
}

void ChartModel::setSeriesColor(int series, int bgr)
{
    if (series >= 0 && series < kMaxSeries)
        m_seriesColors[std::size_t(series)] = bgr;
}

int ChartModel::seriesColor(int series) const
{
    return series >= 0 && series < kMaxSeries ? m_seriesColors[std::size_t(series)] : 0;
}

void ChartModel::setYAxisLabel(const QString &t) { working().label = t; }
QString ChartModel::yAxisLabel() const { return working().label; }

// --- scales and bands ------------------------------------------------------------------

void ChartModel::setWorkingAxis(int band)
{
    // Out of range is ignored: clamping would let Y operations land on another band.
    if (band >= 0 && band < kMaxBands)
        m_workingAxis = band;
}

void ChartModel::setScaleModeY(int mode) { working().scaleMode = mode; }
int ChartModel::scaleModeY() const { return working().scaleMode; }
void ChartModel::setMinY(double v) { working().minY = v; }
void ChartModel::setMaxY(double v) { working().maxY = v; }
double ChartModel::getMinY() const { return working().minY; }
double ChartModel::getMaxY() const { return working().maxY; }

void ChartModel::setAxisSeries(int band, int series)
{
    if (band == -1) {
        m_singleAxis = true;
        return;
    }
    if (band < 0 || band >= kMaxBands)
        return;
    m_singleAxis = false;
    m_bands[std::size_t(band)].series = std::clamp(series, 0, kMaxSeries);
}

int ChartModel::getAxisSeries(int band) const
{
    if (band < 0 || band >= kMaxBands)
        return 0;
    if (m_singleAxis)
        return band == 0 ? m_seriesCount : 0;
    return m_bands[std::size_t(band)].series;
}

void ChartModel::setAxisProportion(int band, double share)
{
    if (band < 0 || band >= kMaxBands || !std::isfinite(share))
        return;
    m_bands[std::size_t(band)].proportion = std::clamp(share, 0.0, 1.0);
}

double ChartModel::getAxisProportion(int band) const
{
    return band >= 0 && band < kMaxBands ? m_bands[std::size_t(band)].proportion : 0.0;
}

int ChartModel::bandCount() const
{
    if (m_singleAxis)
        return 1;
    // Bands take the series in order; the first band holding none, or the first one not
    // needed any more, ends the list.
    int bands = 0;
    int covered = 0;
    for (const AxisBand &b : m_bands) {
        if (covered >= m_seriesCount || b.series <= 0)
            break;
        covered += b.series;
        ++bands;
    }
    return std::max(bands, 1);
}

int ChartModel::bandOfSeries(int series) const
{
    if (m_singleAxis || series < 0)
        return 0;
    const int bands = bandCount();
    int end = 0;
    for (int b = 0; b < bands; ++b) {
        end += m_bands[std::size_t(b)].series;
        if (series < end)
            return b;
    }
    return bands - 1; // series the bands do not cover go with the last one
}

bool ChartModel::dataRangeX(double &minX, double &maxX) const
{
    bool found = false;
    double lo = 0, hi = 0;
    for (std::size_t i = 0; i < m_x.size(); ++i) {
        const double x = m_x[i];
        const float y = m_y[i];
        if (!std::isfinite(x) || !std::isfinite(y) || y == m_nullY)
            continue;
        if (!found) {
            lo = hi = x;
            found = true;
        } else {
            lo = std::min(lo, x);
            hi = std::max(hi, x);
        }
    }
    if (found) {
        minX = lo;
        maxX = hi;
    }
    return found;
}

bool ChartModel::dataRangeY(int band, double &minY, double &maxY) const
{
    bool found = false;
    float lo = 0, hi = 0;
    for (int s = 0; s < m_seriesCount; ++s) {
        if (bandOfSeries(s) != band)
            continue;
        const int blocks = (m_pointCount + kExtentBlock - 1) / kExtentBlock;
        for (int b = 0; b < blocks; ++b) {
            const YBlock &e = yBlock(s, b);
            if (!e.any)
                continue;
            if (!found) {
                lo = e.lo;
                hi = e.hi;
                found = true;
            } else {
                lo = std::min(lo, e.lo);
                hi = std::max(hi, e.hi);
            }
        }
    }
    if (found) {
        minY = lo;
        maxY = hi;
    }
    return found;
}

// --- annotations -----------------------------------------------------------------------

Annotation &ChartModel::slot(int index)
{
    if (std::size_t(index) >= m_annotations.size())
        m_annotations.resize(std::size_t(index) + 1);
    ++m_annotationRevision;
    return m_annotations[std::size_t(index)];
}

// Writes beyond the slot bound are ignored.
static bool writableSlot(int i) { return i >= 0 && i < kMaxAnnotations; }

void ChartModel::setAnnotationType(int i, int type) { if (writableSlot(i)) slot(i).type = type; }
void ChartModel::setAnnotationX(int i, double x) { if (writableSlot(i)) slot(i).x = x; }
void ChartModel::setAnnotationY(int i, double y) { if (writableSlot(i)) slot(i).y = y; }
void ChartModel::setAnnotationText(int i, const QString &text) { if (writableSlot(i)) slot(i).text = text; }
void ChartModel::setAnnotationColor(int i, int bgr) { if (writableSlot(i)) slot(i).color = bgr; }

Annotation ChartModel::annotation(int index) const
{
    if (index < 0 || std::size_t(index) >= m_annotations.size())
        return {};
    return m_annotations[std::size_t(index)];
}

VertLine &ChartModel::vertSlot(int index)
{
    if (std::size_t(index) >= m_vertLines.size())
        m_vertLines.resize(std::size_t(index) + 1);
    ++m_annotationRevision;
    return m_vertLines[std::size_t(index)];
}

void ChartModel::setVertLineColor(int line, int bgr)
{
    if (line >= 0 && line < kMaxVertLines)
        vertSlot(line).color = bgr;
}

void ChartModel::setVertLine(int line, double x, const QString &text)
{
    if (line < 0 || line >= kMaxVertLines)
        return;
    VertLine &v = vertSlot(line);
    v.x = x;
    v.text = text;
}

VertLine ChartModel::vertLine(int line) const
{
    if (line < 0 || std::size_t(line) >= m_vertLines.size())
        return {};
    return m_vertLines[std::size_t(line)];
}

// --- state block -------------------------------------------------------------------------
//
// Header, 16 bytes, little-endian: magic "QXCS", version, payload length, CRC-32 (IEEE) of
// the payload. The payload is written with QDataStream (little-endian, doubles in 8 bytes);
// texts are a 32-bit count of UTF-16 units and the units, point arrays raw little-endian.

namespace {

constexpr int kHeaderSize = ChartModel::kStateHeaderSize;
constexpr quint32 kMaxTextUnits = 1u << 20;
constexpr qint64 kMinAnnotationBytes = 4 + 8 + 8 + 4 + 4;
constexpr qint64 kMinVertLineBytes = 8 + 4 + 4;

constexpr std::array<std::array<quint32, 256>, 8> makeCrcTables()
{
    std::array<std::array<quint32, 256>, 8> t{};
    for (quint32 i = 0; i < 256; ++i) {
        quint32 c = i;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        t[0][i] = c;
    }
    for (quint32 i = 0; i < 256; ++i)
        for (std::size_t k = 1; k < 8; ++k)
            t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
    return t;
}

constexpr auto kCrc = makeCrcTables();

// CRC-32 as zlib computes it, eight bytes at a time.
quint32 crc32(const char *data, qsizetype size)
{
    const auto *p = reinterpret_cast<const uchar *>(data);
    quint32 c = 0xFFFFFFFFu;
    while (size >= 8) {
        const quint32 lo = c ^ (quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24);
        const quint32 hi = quint32(p[4]) | quint32(p[5]) << 8 | quint32(p[6]) << 16 | quint32(p[7]) << 24;
        c = kCrc[7][lo & 0xFF] ^ kCrc[6][(lo >> 8) & 0xFF] ^ kCrc[5][(lo >> 16) & 0xFF] ^ kCrc[4][lo >> 24]
            ^ kCrc[3][hi & 0xFF] ^ kCrc[2][(hi >> 8) & 0xFF] ^ kCrc[1][(hi >> 16) & 0xFF] ^ kCrc[0][hi >> 24];
        p += 8;
        size -= 8;
    }
    while (size-- > 0)
        c = kCrc[0][(c ^ *p++) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

template <typename T>
void writeArray(QDataStream &out, const T *values, std::size_t count)
{
    if constexpr (QSysInfo::ByteOrder == QSysInfo::LittleEndian) {
        out.writeRawData(reinterpret_cast<const char *>(values), qsizetype(count * sizeof(T)));
    } else {
        std::vector<T> le(count);
        qToLittleEndian<T>(values, qsizetype(count), le.data());
        out.writeRawData(reinterpret_cast<const char *>(le.data()), qsizetype(count * sizeof(T)));
    }
}

void writeText(QDataStream &out, const QString &s)
{
    out << quint32(s.size());
    writeArray(out, s.utf16(), std::size_t(s.size()));
}

void writeFlag(QDataStream &out, bool b) { out << quint8(b ? 1 : 0); }
void writeFloat(QDataStream &out, float f) { out << std::bit_cast<quint32>(f); }

} // namespace

QByteArray ChartModel::storeState() const
{
    QByteArray payload;
    payload.reserve(qsizetype(1024 + m_x.size() * (sizeof(double) + sizeof(float))));
    {
        QDataStream out(&payload, QIODevice::WriteOnly);
        out.setByteOrder(QDataStream::LittleEndian);
        out.setFloatingPointPrecision(QDataStream::DoublePrecision);

        // data
        out << qint32(m_seriesCount) << qint32(m_pointCount);
        writeFloat(out, m_nullY);
        out << m_lineGapThreshold << qint32(m_dateTimeMode);
        writeFlag(out, m_doubleX);
        writeFlag(out, m_seriesByPoint);
        writeArray(out, m_x.data(), m_x.size());
        writeArray(out, m_y.data(), m_y.size());

        // look
        out << qint32(kMaxSeries);
        for (int s = 0; s < kMaxSeries; ++s) {
            writeText(out, m_seriesLabels[std::size_t(s)]);
            out << qint32(m_seriesColors[std::size_t(s)]);
        }
        writeText(out, m_mainTitle);
        writeText(out, m_subTitle);
        writeText(out, m_xAxisLabel);
        out << qint32(m_colors.fore) << qint32(m_colors.back) << qint32(m_colors.desk) << qint32(m_colors.text);
        out << qint32(m_gridStyle) << qint32(m_dataLabels);
        writeText(out, m_fontDescription);

        // scales and bands
        out << qint32(m_workingAxis) << qint32(m_scaleModeX) << m_minX << m_maxX;
        writeFlag(out, m_singleAxis);
        out << qint32(m_axisSeparators) << qint32(kMaxBands);
        for (const AxisBand &b : m_bands) {
            out << qint32(b.series) << b.proportion << qint32(b.scaleMode) << b.minY << b.maxY;
            writeText(out, b.label);
        }

        // annotations and vertical lines
        writeFlag(out, m_showAnnotations);
        out << qint32(m_annotationTextSize) << qint32(m_annotations.size());
        for (const Annotation &a : m_annotations) {
            out << qint32(a.type) << a.x << a.y;
            writeText(out, a.text);
            out << qint32(a.color);
        }
        writeFlag(out, m_showVertLines);
        out << qint32(m_lineAnnotationTextSize) << qint32(m_vertLines.size());
        for (const VertLine &v : m_vertLines) {
            out << v.x << qint32(v.color);
            writeText(out, v.text);
        }

        // options
        const ChartOptions &o = m_options;
        for (bool b : {o.prepareImages, o.noHelp, o.allowPopup, o.allowAxisPage, o.noRandomPointsToExport,
                       o.focalRect, o.allowBar, o.allowPage1, o.allowPage2, o.allowSubsetsPage,
                       o.allowFontPage, o.scrollingZoom, o.annotationHotSpots, o.dataHotSpots,
                       o.graphHotSpots, o.vertLineHotSpots})
            writeFlag(out, b);
        out << qint32(o.zoomMode) << qint32(m_cursorShape);
    }

    return sealState(payload);
}

QByteArray ChartModel::sealState(const QByteArray &payload, quint32 version)
{
    QByteArray block;
    block.reserve(kHeaderSize + payload.size());
    {
        QDataStream head(&block, QIODevice::WriteOnly);
        head.setByteOrder(QDataStream::LittleEndian);
        head << kStateMagic << version << quint32(payload.size()) << crc32(payload.constData(), payload.size());
    }
    block.append(payload);
    return block;
}

// Reads a payload into a fresh model; every count is checked against the bytes left before
// anything is allocated for it, and every value against what the model's setters allow.
class ChartStateReader {
public:
    explicit ChartStateReader(const QByteArray &payload)
        : m_in(payload), m_size(payload.size())
    {
        m_in.setByteOrder(QDataStream::LittleEndian);
        m_in.setFloatingPointPrecision(QDataStream::DoublePrecision);
    }

    bool read(ChartModel &m);
    const QString &error() const { return m_error; }

private:
    qint64 remaining() const { return m_size - m_in.device()->pos(); }
    bool fail(const QString &what)
    {
        if (m_error.isEmpty())
            m_error = QStringLiteral("chart state block damaged: %1").arg(what);
        return false;
    }
    bool good() const { return m_error.isEmpty() && m_in.status() == QDataStream::Ok; }

    qint32 i32()
    {
        qint32 v = 0;
        m_in >> v;
        return v;
    }
    double f64()
    {
        double v = 0;
        m_in >> v;
        return v;
    }
    float f32()
    {
        quint32 bits = 0;
        m_in >> bits;
        return std::bit_cast<float>(bits);
    }
    bool flag()
    {
        quint8 v = 0;
        m_in >> v;
        if (v > 1)
            fail(QStringLiteral("switch value %1").arg(v));
        return v != 0;
    }
    QString text()
    {
        quint32 units = 0;
        m_in >> units;
        if (!good())
            return {};
        if (units > kMaxTextUnits || qint64(units) * 2 > remaining()) {
            fail(QStringLiteral("text of %1 characters").arg(units));
            return {};
        }
        QString s(qsizetype(units), Qt::Uninitialized);
        if (units > 0) {
            if (m_in.readRawData(reinterpret_cast<char *>(s.data()), qsizetype(units) * 2) != qsizetype(units) * 2) {
                fail(QStringLiteral("text cut short"));
                return {};
            }
            if constexpr (QSysInfo::ByteOrder != QSysInfo::LittleEndian)
                qFromLittleEndian<char16_t>(s.data(), qsizetype(units), s.data());
        }
        return s;
    }
    template <typename T>
    bool array(std::vector<T> &v, std::size_t count)
    {
        if (qint64(count) * qint64(sizeof(T)) > remaining())
            return fail(QStringLiteral("%1 values claimed, fewer present").arg(count));
        v.resize(count);
        const qsizetype bytes = qsizetype(count * sizeof(T));
        if (bytes > 0 && m_in.readRawData(reinterpret_cast<char *>(v.data()), bytes) != bytes)
            return fail(QStringLiteral("values cut short"));
        if constexpr (QSysInfo::ByteOrder != QSysInfo::LittleEndian)
            qFromLittleEndian<T>(v.data(), qsizetype(count), v.data());
        return true;
    }

    QDataStream m_in;
    qint64 m_size;
    QString m_error;
};

bool ChartStateReader::read(ChartModel &m)
{
    // data
    const qint32 series = i32();
    const qint32 points = i32();
    if (!good())
        return fail(QStringLiteral("cut short"));
    if (series < 1 || series > kMaxSeries)
        return fail(QStringLiteral("%1 series").arg(series));
    if (points < 0 || points > kMaxPoints)
        return fail(QStringLiteral("%1 points").arg(points));
    m.m_nullY = f32();
    m.m_lineGapThreshold = f64();
    m.m_dateTimeMode = i32();
    m.m_doubleX = flag();
    m.m_seriesByPoint = flag();
    if (!good())
        return fail(QStringLiteral("cut short"));
    const std::size_t values = std::size_t(series) * std::size_t(points);
    if (qint64(values) * qint64(sizeof(double) + sizeof(float)) > remaining())
        return fail(QStringLiteral("%1 points claimed, fewer present").arg(points));
    if (!array(m.m_x, values) || !array(m.m_y, values))
        return false;
    m.m_seriesCount = series;
    m.m_pointCount = points;

    // look
    const qint32 seriesSlots = i32();
    if (!good() || seriesSlots < 0 || seriesSlots > kMaxSeries)
        return fail(QStringLiteral("%1 series labels").arg(seriesSlots));
    for (int s = 0; s < seriesSlots && good(); ++s) {
        m.m_seriesLabels[std::size_t(s)] = text();
        m.m_seriesColors[std::size_t(s)] = i32();
    }
    m.m_mainTitle = text();
    m.m_subTitle = text();
    m.m_xAxisLabel = text();
    m.m_colors.fore = i32();
    m.m_colors.back = i32();
    m.m_colors.desk = i32();
    m.m_colors.text = i32();
    m.m_gridStyle = i32();
    m.m_dataLabels = i32();
    m.m_fontDescription = text();

    // scales and bands
    m.m_workingAxis = i32();
    m.m_scaleModeX = i32();
    m.m_minX = f64();
    m.m_maxX = f64();
    m.m_singleAxis = flag();
    m.m_axisSeparators = i32();
    const qint32 bands = i32();
    if (!good())
        return fail(QStringLiteral("cut short"));
    if (m.m_workingAxis < 0 || m.m_workingAxis >= kMaxBands)
        return fail(QStringLiteral("working axis %1").arg(m.m_workingAxis));
    if (bands < 0 || bands > kMaxBands)
        return fail(QStringLiteral("%1 bands").arg(bands));
    for (int b = 0; b < bands && good(); ++b) {
        AxisBand &band = m.m_bands[std::size_t(b)];
        band.series = i32();
        band.proportion = f64();
        band.scaleMode = i32();
        band.minY = f64();
        band.maxY = f64();
        band.label = text();
        if (band.series < 0 || band.series > kMaxSeries)
            return fail(QStringLiteral("band of %1 series").arg(band.series));
        if (!(band.proportion >= 0.0 && band.proportion <= 1.0))
            return fail(QStringLiteral("band share %1").arg(band.proportion));
    }

    // annotations and vertical lines
    m.m_showAnnotations = flag();
    m.m_annotationTextSize = i32();
    const qint32 annotations = i32();
    if (!good())
        return fail(QStringLiteral("cut short"));
    if (annotations < 0 || annotations > kMaxAnnotations || annotations * kMinAnnotationBytes > remaining())
        return fail(QStringLiteral("%1 annotations").arg(annotations));
    m.m_annotations.resize(std::size_t(annotations));
    for (Annotation &a : m.m_annotations) {
        a.type = i32();
        a.x = f64();
        a.y = f64();
        a.text = text();
        a.color = i32();
        if (!good())
            return fail(QStringLiteral("annotations cut short"));
    }
    m.m_showVertLines = flag();
    m.m_lineAnnotationTextSize = i32();
    const qint32 lines = i32();
    if (!good())
        return fail(QStringLiteral("cut short"));
    if (lines < 0 || lines > kMaxVertLines || lines * kMinVertLineBytes > remaining())
        return fail(QStringLiteral("%1 vertical lines").arg(lines));
    m.m_vertLines.resize(std::size_t(lines));
    for (VertLine &v : m.m_vertLines) {
        v.x = f64();
        v.color = i32();
        v.text = text();
        if (!good())
            return fail(QStringLiteral("vertical lines cut short"));
    }

    // options
    ChartOptions &o = m.m_options;
    for (bool *b : {&o.prepareImages, &o.noHelp, &o.allowPopup, &o.allowAxisPage, &o.noRandomPointsToExport,
                    &o.focalRect, &o.allowBar, &o.allowPage1, &o.allowPage2, &o.allowSubsetsPage,
                    &o.allowFontPage, &o.scrollingZoom, &o.annotationHotSpots, &o.dataHotSpots,
                    &o.graphHotSpots, &o.vertLineHotSpots})
        *b = flag();
    o.zoomMode = i32();
    m.m_cursorShape = i32();

    if (!good())
        return fail(QStringLiteral("cut short"));
    if (remaining() != 0)
        return fail(QStringLiteral("%1 bytes after the end").arg(remaining()));
    return true;
}

bool ChartModel::loadState(const QByteArray &block, QString *error)
{
    const auto refuse = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    if (block.isEmpty())
        return refuse(QStringLiteral("empty chart state block"));
    if (block.size() < kHeaderSize)
        return refuse(QStringLiteral("chart state block too short (%1 bytes)").arg(block.size()));
    const auto *head = reinterpret_cast<const uchar *>(block.constData());
    const quint32 magic = qFromLittleEndian<quint32>(head);
    const quint32 version = qFromLittleEndian<quint32>(head + 4);
    const quint32 length = qFromLittleEndian<quint32>(head + 8);
    const quint32 crc = qFromLittleEndian<quint32>(head + 12);
    if (magic != kStateMagic)
        return refuse(QStringLiteral("not a chart state block"));
    if (version > kStateVersion)
        return refuse(QStringLiteral("chart state version %1 is newer than this program reads (%2)")
                          .arg(version)
                          .arg(kStateVersion));
    if (version == 0)
        return refuse(QStringLiteral("chart state version 0 is unknown"));
    const qint64 available = block.size() - kHeaderSize;
    if (qint64(length) > available)
        return refuse(QStringLiteral("chart state block truncated (%1 of %2 bytes)").arg(available).arg(length));
    if (qint64(length) < available)
        return refuse(QStringLiteral("chart state block has %1 bytes after its end").arg(available - length));
    if (crc32(block.constData() + kHeaderSize, length) != crc)
        return refuse(QStringLiteral("chart state block damaged: checksum mismatch"));

    ChartModel loaded;
    ChartStateReader reader(QByteArray::fromRawData(block.constData() + kHeaderSize, length));
    if (!reader.read(loaded))
        return refuse(reader.error());

    // Views compare revisions: the loaded chart must look changed to them.
    loaded.m_dataRevision = m_dataRevision + 1;
    loaded.m_firstDirty = 0;
    loaded.m_annotationRevision = m_annotationRevision + 1;
    *this = std::move(loaded);
    if (error)
        error->clear();
    return true;
}

} // namespace qx
