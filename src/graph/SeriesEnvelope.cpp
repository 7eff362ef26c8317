#include "SeriesEnvelope.h"

#include <QtGlobal>

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

namespace qx {

namespace {

constexpr int kLeaf = 1 << SeriesEnvelope::kLeafBits;
constexpr double kInf = std::numeric_limits<double>::infinity();
// Pixel coordinates beyond this are far outside any chart; they are kept from the integer
// conversions, which they would overflow.
constexpr double kFar = 4194304.0;
// A line into the next column up to this many rows long lights every row but its last in
// its first column and the last row in the next one; longer ones are drawn as lines.
constexpr int kSpanRows = 128;

double near(double v) { return v == v ? std::clamp(v, -kFar, kFar) : 0.0; }
int pixelOf(double v) { return qRound(near(v)); }
QPoint pixelOf(QPointF p) { return {pixelOf(p.x()), pixelOf(p.y())}; }
bool far(QPointF p) { return !(std::abs(p.x()) < kFar && std::abs(p.y()) < kFar); }

// The part of a to b inside r (Liang–Barsky); false when none.
bool clipSegment(QPointF &a, QPointF &b, const QRectF &r)
{
    double t0 = 0, t1 = 1;
    const double dx = b.x() - a.x(), dy = b.y() - a.y();
    const auto edge = [&](double p, double q) {
        if (p == 0)
            return q >= 0;
        const double t = q / p;
        if (p < 0) {
            if (t > t1)
                return false;
            t0 = std::max(t0, t);
        } else {
            if (t < t0)
                return false;
            t1 = std::min(t1, t);
        }
        return true;
    };
    if (!(std::isfinite(dx) && std::isfinite(dy)) || !edge(-dx, a.x() - r.left()) || !edge(dx, r.right() - a.x())
        || !edge(-dy, a.y() - r.top()) || !edge(dy, r.bottom() - a.y()))
        return false;
    const QPointF from = a;
    a = from + QPointF(dx * t0, dy * t0);
    b = from + QPointF(dx * t1, dy * t1);
    return true;
}

// The line a painter draws between two pixel positions, as the chart component hands it
// over (each end rounded); ends far outside are first cut to the clip.
void addLine(QPointF a, QPointF b, const QRect &clip, std::vector<QLine> &out)
{
    if ((far(a) || far(b)) && !clipSegment(a, b, QRectF(clip.adjusted(-4, -4, 4, 4))))
        return;
    out.emplace_back(pixelOf(a), pixelOf(b));
}

} // namespace

struct SeriesEnvelope::View {
    const double *x;
    const float *y;
    std::size_t stride;
    float nullY;
    double keyOffset, keyScale, gap;

    struct Point {
        bool drawn;
        double key;
        float y;
    };
    Point at(int p) const
    {
        const std::size_t i = std::size_t(p) * stride;
        const float v = y[i];
        if (!std::isfinite(v) || v == nullY)
            return {false, 0, v};
        const double key = (x[i] - keyOffset) * keyScale;
        return {std::isfinite(key), key, v};
    }
    // Whether a line joins point p to a drawn point before it at `previousKey`.
    bool joins(const Point &p, double previousKey) const { return p.drawn && !(std::abs(p.key - previousKey) > gap); }
};

SeriesEnvelope::View SeriesEnvelope::view(const SeriesPoints &p) const
{
    if (m_copy)
        return {m_keys.data(), m_values.data(), 1, p.nullY, 0.0, 1.0, kInf};
    return {p.x, p.y, p.stride, p.nullY, p.keyOffset, p.keyScale, p.gap};
}

void SeriesEnvelope::clear()
{
    m_levels.clear();
    m_count = 0;
    m_fallingLeaves = 0;
    m_copy = false;
    m_keys = {};
    m_values = {};
}

void SeriesEnvelope::update(const SeriesPoints &points, int count, int firstChanged)
{
    count = std::max(count, 0);
    if (m_copy || !points.x || !points.y) {
        clear(); // a sorted copy is made again whole, in case X rises again
        firstChanged = 0;
        if (!points.x || !points.y)
            return;
    }
    rebuild(view(points), count, firstChanged);
    if (m_fallingLeaves > 0)
        buildCopy(points, count);
}

SeriesEnvelope::Node SeriesEnvelope::leaf(const View &v, int block) const
{
    const int start = block * kLeaf;
    const int stop = std::min(m_count, start + kLeaf);
    double last = block > 0 ? m_levels[0][std::size_t(block) - 1].lastKey : -kInf;
    Node n{std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(), 0, kLinked | kRising};
    View::Point previous = start > 0 ? v.at(start - 1) : View::Point{false, 0, 0};
    for (int p = start; p < stop; ++p) {
        const View::Point q = v.at(p);
        const bool joined = previous.drawn && v.joins(q, previous.key);
        if (p == start) {
            if (joined)
                n.flags |= kFirstJoin;
        } else if (!joined) {
            n.flags &= ~kLinked;
        }
        if (!q.drawn) {
            n.flags &= ~kLinked;
        } else {
            n.flags |= kAny;
            n.lo = std::min(n.lo, q.y);
            n.hi = std::max(n.hi, q.y);
            if (q.key < last)
                n.flags &= ~kRising;
            last = q.key;
        }
        previous = q;
    }
    n.lastKey = last;
    return n;
}

void SeriesEnvelope::rebuild(const View &v, int count, int firstChanged)
{
    firstChanged = std::clamp(std::min({firstChanged, m_count, count}), 0, count);
    m_count = count;
    if (count == 0) {
        m_levels.clear();
        m_fallingLeaves = 0;
        return;
    }
    if (m_levels.empty())
        m_levels.emplace_back();
    std::vector<Node> &leaves = m_levels[0];
    const std::size_t leafCount = (std::size_t(count) + kLeaf - 1) / kLeaf;
    const std::size_t from = std::size_t(firstChanged) / kLeaf;
    for (std::size_t b = from; b < leaves.size(); ++b)
        if (!(leaves[b].flags & kRising))
            --m_fallingLeaves;
    leaves.resize(leafCount);
    for (std::size_t b = from; b < leafCount; ++b) {
        leaves[b] = leaf(v, int(b));
        if (!(leaves[b].flags & kRising))
            ++m_fallingLeaves;
    }
    // Each coarser level halves the one below it, up to a single block.
    std::size_t level = 1;
    for (std::size_t below = leafCount; below > 1; ++level) {
        const std::size_t size = (below + 1) / 2;
        if (m_levels.size() <= level)
            m_levels.emplace_back();
        const std::vector<Node> &children = m_levels[level - 1];
        std::vector<Node> &nodes = m_levels[level];
        nodes.resize(size);
        for (std::size_t j = from >> level; j < size; ++j) {
            const Node &l = children[2 * j];
            Node n = l;
            if (2 * j + 1 < children.size()) {
                const Node &r = children[2 * j + 1];
                n.lo = std::min(l.lo, r.lo);
                n.hi = std::max(l.hi, r.hi);
                n.lastKey = r.lastKey;
                n.flags = std::uint8_t((l.flags & kFirstJoin) | ((l.flags | r.flags) & kAny)
                                       | ((l.flags & r.flags & kLinked) && (r.flags & kFirstJoin) ? kLinked : 0));
            }
            nodes[j] = n;
        }
        below = size;
    }
    m_levels.resize(level);
}

void SeriesEnvelope::buildCopy(const SeriesPoints &points, int count)
{
    // The line follows X, not the points' order: the points as drawn, a NaN after any
    // break, sorted by key.
    const View v = view(points);
    std::vector<std::pair<double, float>> entries;
    bool have = false, pending = false;
    double lastKey = 0;
    for (int p = 0; p < count; ++p) {
        const View::Point q = v.at(p);
        if (!q.drawn) {
            pending = have;
            continue;
        }
        if (have && (pending || std::abs(q.key - lastKey) > v.gap))
            entries.emplace_back(lastKey, std::numeric_limits<float>::quiet_NaN());
        entries.emplace_back(q.key, q.y);
        lastKey = q.key;
        have = true;
        pending = false;
    }
    std::stable_sort(entries.begin(), entries.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    m_levels.clear();
    m_count = 0;
    m_fallingLeaves = 0;
    m_keys.resize(entries.size());
    m_values.resize(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        m_keys[i] = entries[i].first;
        m_values[i] = entries[i].second;
    }
    m_copy = true;
    rebuild(view(points), int(entries.size()), 0);
}

int SeriesEnvelope::levelAt(int point) const
{
    if (point % kLeaf != 0 || point >= m_count)
        return -1;
    const int top = int(m_levels.size()) - 1;
    return point == 0 ? top : std::min(std::countr_zero(unsigned(point)) - kLeafBits, top);
}

int SeriesEnvelope::firstKeyAtLeast(const View &v, double key, bool strictlyAbove) const
{
    // The last keys of the blocks do not fall: the block holding the point is the first
    // whose last key reaches `key`.
    const auto reaches = [&](double k) { return strictlyAbove ? k > key : k >= key; };
    const std::vector<Node> &leaves = m_levels[0];
    const auto it = std::partition_point(leaves.begin(), leaves.end(), [&](const Node &n) { return !reaches(n.lastKey); });
    if (it == leaves.end())
        return m_count;
    const int start = int(it - leaves.begin()) * kLeaf;
    const int stop = std::min(m_count, start + kLeaf);
    for (int p = start; p < stop; ++p) {
        const View::Point q = v.at(p);
        if (q.drawn && reaches(q.key))
            return p;
    }
    return stop; // not reached: the block's last key says otherwise
}

int SeriesEnvelope::nextDrawn(const View &v, int from, int end) const
{
    int p = from;
    while (p < end) {
        bool skipped = false;
        for (int level = levelAt(p); level >= 0; --level) {
            const int stop = std::min(m_count, p + (kLeaf << level));
            if (stop > end)
                continue;
            if (!(m_levels[std::size_t(level)][std::size_t(p) >> (kLeafBits + level)].flags & kAny)) {
                p = stop;
                skipped = true;
                break;
            }
        }
        if (skipped)
            continue;
        if (v.at(p).drawn)
            return p;
        ++p;
    }
    return end;
}

void SeriesEnvelope::prefetchAround(const View &v, int point) const
{
    if (point >= m_count)
        return;
    const int from = std::max(0, point - kLeaf), to = std::min(m_count, point + kLeaf);
    for (int p = from; p < to; p += 4) {
        __builtin_prefetch(v.x + std::size_t(p) * v.stride);
        __builtin_prefetch(v.y + std::size_t(p) * v.stride);
    }
    for (std::size_t level = 0; level < m_levels.size(); ++level)
        __builtin_prefetch(m_levels[level].data() + (std::size_t(point) >> (kLeafBits + level)));
}

// Walks the drawn points of the key axis's range (with the one before and the one after
// it, whose lines reach into the range) piece by piece: a piece is a run of joined points
// in one column. `piece(first, last, lo, hi, joined)` gets each with its lowest and
// highest value, `joined` telling whether a line comes to it from the piece before.
template <class Emit>
void SeriesEnvelope::sweep(const View &v, const AxisPixels &key, double detail, Emit &&piece) const
{
    if (m_count == 0 || !(key.upper - key.lower > 0))
        return;
    const auto column = [&](double k) { return pixelOf(key.pixel(k) * detail); };
    const int first = firstKeyAtLeast(v, key.lower, false);
    if (first >= m_count)
        return; // everything lies before the range: a point at most, no line
    const int after = firstKeyAtLeast(v, key.upper, true);
    const int end = after < m_count ? after + 1 : m_count;
    int p = first > 0 && v.at(first - 1).drawn ? first - 1 : first;
    int previousLast = -2;
    double previousKey = 0;
    int run = 0;
    while (p < end) {
        p = nextDrawn(v, p, end);
        if (p >= end)
            break;
        const View::Point start = v.at(p);
        const bool joined = previousLast == p - 1 && v.joins(start, previousKey);
        const int c = column(start.key);
        // Keys well below `edge` lie in column c, keys well above it beyond; near it the
        // column is worked out.
        const double edge = ((c + 0.5) / detail - key.origin) / key.length * (key.upper - key.lower) + key.lower;
        const double margin = 1e-12 * (std::abs(edge) + std::abs(key.lower) + std::abs(key.upper));
        const auto inColumn = [&](double k) { return k < edge - margin || (!(k > edge + margin) && column(k) <= c); };
        // The next column's edge lies about as far on as this column's did from the last:
        // its blocks and points are fetched while this column is walked.
        if (run > kLeaf)
            prefetchAround(v, p + 2 * run);
        float lo = start.y, hi = start.y;
        double lastKey = start.key;
        int q = p + 1;
        // Blocks are tried from the finest up, each one level coarser than the last one
        // taken: a column spanning n points costs about 2 log n blocks.
        int reach = 0;
        while (q < end) {
            bool took = false;
            for (int level = std::min(levelAt(q), reach); level >= 0; --level) {
                const int stop = std::min(m_count, q + (kLeaf << level));
                if (stop > end)
                    continue;
                const Node &n = m_levels[std::size_t(level)][std::size_t(q) >> (kLeafBits + level)];
                if ((n.flags & (kLinked | kFirstJoin)) == (kLinked | kFirstJoin) && inColumn(n.lastKey)) {
                    lo = std::min(lo, n.lo);
                    hi = std::max(hi, n.hi);
                    lastKey = n.lastKey;
                    q = stop;
                    took = true;
                    reach = level + 1;
                    break;
                }
                reach = level - 1;
            }
            if (took)
                continue;
            const Node &block = m_levels[0][std::size_t(q) >> kLeafBits];
            if ((block.flags & kLinked) && ((q & (kLeaf - 1)) != 0 || (block.flags & kFirstJoin))) {
                // In a block whose points are all drawn and joined only the column decides:
                // the points up to the first one beyond it, found by halving.
                const int stop = std::min({end, m_count, ((q >> kLeafBits) + 1) << kLeafBits});
                const auto keyAt = [&](int i) { return (v.x[std::size_t(i) * v.stride] - v.keyOffset) * v.keyScale; };
                int beyond = stop;
                if (!(stop == std::min(m_count, ((q >> kLeafBits) + 1) << kLeafBits) && inColumn(block.lastKey))) {
                    int a = q, b = stop;
                    while (a < b) {
                        const int mid = (a + b) / 2;
                        if (inColumn(keyAt(mid)))
                            a = mid + 1;
                        else
                            b = mid;
                    }
                    beyond = a;
                }
                for (int i = q; i < beyond; ++i) {
                    const float y = v.y[std::size_t(i) * v.stride];
                    lo = std::min(lo, y);
                    hi = std::max(hi, y);
                }
                if (beyond > q)
                    lastKey = keyAt(beyond - 1);
                q = beyond;
                if (beyond < stop)
                    break;
                continue;
            }
            const View::Point next = v.at(q);
            if (!v.joins(next, lastKey) || !inColumn(next.key))
                break;
            lo = std::min(lo, next.y);
            hi = std::max(hi, next.y);
            lastKey = next.key;
            ++q;
        }
        run = q - p;
        piece(p, q - 1, lo, hi, joined);
        previousLast = q - 1;
        previousKey = lastKey;
        p = q;
    }
}

void SeriesEnvelope::drawExact(const SeriesPoints &points, const AxisPixels &key, const AxisPixels &value,
                               const QRect &clip, CurvePicture &out) const
{
    const View v = view(points);
    const auto at = [&](int p) {
        const View::Point q = v.at(p);
        return QPointF(key.pixel(q.key), value.pixel(double(q.y)));
    };
    // Each piece lights its column from its highest to its lowest point; a line into the
    // next column adds its rows there, or is drawn as a line when it goes further.
    struct Span {
        bool any = false;
        int column = 0, top = 0, bottom = 0;
        void add(int row)
        {
            top = any ? std::min(top, row) : row;
            bottom = any ? std::max(bottom, row) : row;
            any = true;
        }
    };
    Span pending;
    QPointF lastF;
    QPoint last;
    const auto flush = [&] {
        if (!pending.any)
            return;
        const QRect r = QRect(pending.column, pending.top, 1, pending.bottom - pending.top + 1) & clip;
        if (!r.isEmpty())
            out.spans.push_back(r);
    };
    sweep(v, key, 1.0, [&](int first, int lastPoint, float lo, float hi, bool joined) {
        const QPointF firstF = at(first);
        const QPoint start = pixelOf(firstF);
        Span span;
        span.column = start.x();
        if (lastPoint > first) {
            span.add(pixelOf(value.pixel(double(hi))));
            span.add(pixelOf(value.pixel(double(lo))));
        }
        if (joined) {
            const int dy = start.y() - last.y();
            if (start.x() == last.x() + 1 && std::abs(dy) < kSpanRows && clip.contains(last) && clip.contains(start)) {
                pending.add(last.y());
                pending.add(dy == 0 ? last.y() : start.y() - (dy > 0 ? 1 : -1));
                span.add(start.y());
            } else {
                addLine(lastF, firstF, clip, out.lines);
            }
        }
        flush();
        pending = span;
        lastF = at(lastPoint);
        last = pixelOf(lastF);
    });
    flush();
}

void SeriesEnvelope::drawPolyline(const SeriesPoints &points, const AxisPixels &key, const AxisPixels &value,
                                  double detail, std::vector<QPointF> &out) const
{
    const View v = view(points);
    const auto at = [&](int p) {
        const View::Point q = v.at(p);
        return QPointF(near(key.pixel(q.key)), near(value.pixel(double(q.y))));
    };
    const QPointF gap(std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::quiet_NaN());
    // A vertex where the line already is would add a segment of no length, which a
    // polyline draws differently from none.
    const auto add = [&](QPointF p) {
        if (out.empty() || out.back() != p)
            out.push_back(p);
    };
    sweep(v, key, std::clamp(detail, 0.01, 64.0), [&](int first, int last, float lo, float hi, bool joined) {
        if (!joined && !out.empty())
            out.push_back(gap);
        if (last - first < 4) {
            for (int p = first; p <= last; ++p)
                add(at(p));
            return;
        }
        // The first two and the last two points where they are (a polyline's ends are
        // drawn with their caps); between them, in the column, down to the lowest and up
        // to the highest, or the other way, and back to the level of the last but one.
        add(at(first));
        const QPointF f = at(first + 1);
        add(f);
        const bool rising = v.at(last).y >= v.at(first).y;
        const double low = near(value.pixel(double(lo))), high = near(value.pixel(double(hi)));
        const QPointF end = at(last - 1);
        add(QPointF(f.x(), rising ? low : high));
        add(QPointF(f.x(), rising ? high : low));
        add(QPointF(f.x(), end.y()));
        add(end);
        add(at(last));
    });
}

void SeriesEnvelope::appendedLines(const SeriesPoints &points, int from, const AxisPixels &key,
                                   const AxisPixels &value, const QRect &clip, std::vector<QLine> &out) const
{
    const View v = view(points);
    if (m_count == 0 || !(key.upper - key.lower > 0))
        return;
    View::Point previous = v.at(std::max(from, 1) - 1);
    for (int p = std::max(from, 1); p < m_count; ++p) {
        const View::Point q = v.at(p);
        if (previous.drawn && v.joins(q, previous.key))
            addLine(QPointF(key.pixel(previous.key), value.pixel(double(previous.y))),
                    QPointF(key.pixel(q.key), value.pixel(double(q.y))), clip, out);
        previous = q;
    }
}

bool SeriesEnvelope::keyRange(const SeriesPoints &points, double &lower, double &upper) const
{
    if (m_count == 0 || !(m_levels.back()[0].flags & kAny))
        return false;
    const View v = view(points);
    lower = v.at(nextDrawn(v, 0, m_count)).key;
    upper = m_levels[0].back().lastKey;
    return true;
}

bool SeriesEnvelope::valueRange(float &lower, float &upper) const
{
    if (m_count == 0 || !(m_levels.back()[0].flags & kAny))
        return false;
    lower = m_levels.back()[0].lo;
    upper = m_levels.back()[0].hi;
    return true;
}

} // namespace qx
