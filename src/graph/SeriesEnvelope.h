#pragma once
// A series summarised for drawing: the lowest and highest value over blocks of 16, 32,
// 64 … points, kept up to date as samples arrive, from which a view draws a handful of
// primitives per pixel column however many points fall into it. Null points and jumps in X
// beyond the line-gap threshold stay breaks in the line. The points themselves stay where
// they are (the chart's model); only a series whose X does not rise is copied, sorted.
#include <QLine>
#include <QPointF>
#include <QRect>

#include <cstdint>
#include <vector>

namespace qx {

// Where a series' points are: point p at x[p × stride] and y[p × stride].
struct SeriesPoints {
    const double *x = nullptr;
    const float *y = nullptr;
    std::size_t stride = 1;
    float nullY = 9999.0f;
    // The key an X is drawn at: (x − keyOffset) × keyScale.
    double keyOffset = 0;
    double keyScale = 1;
    // No line joins consecutive points further apart in key than this.
    double gap = 1e300;
};

// An axis's mapping from values to pixels, computed the way the chart component computes
// it, so that a coordinate rounds here exactly as it does there.
struct AxisPixels {
    double lower = 0;
    double upper = 1;
    int origin = 0; // horizontal: the left edge; vertical: the bottom row
    int length = 1; // width or height
    bool vertical = false;
    double pixel(double v) const
    {
        return vertical ? origin - (v - lower) / (upper - lower) * length : (v - lower) / (upper - lower) * length + origin;
    }
};

// What one series lights, in device pixels: spans one pixel wide and lines.
struct CurvePicture {
    std::vector<QRect> spans;
    std::vector<QLine> lines;
    void clear()
    {
        spans.clear();
        lines.clear();
    }
};

class SeriesEnvelope {
public:
    // The series now has `count` points that matter (the points after them are null and
    // draw nothing); those from `firstChanged` on may differ from what it was built from.
    void update(const SeriesPoints &points, int count, int firstChanged);
    void clear();
    int count() const { return m_count; }
    // Drawn in the points' own order (X rising); false: from a sorted copy, which no
    // appended segment can extend.
    bool pointOrder() const { return !m_copy; }

    // The pixels that drawing every point of the key axis's range as aliased one-pixel
    // lines between consecutive points lights, clipped to `clip`: a span per column and
    // piece of line in it, and the lines that cross more than the next column.
    void drawExact(const SeriesPoints &points, const AxisPixels &key, const AxisPixels &value, const QRect &clip,
                   CurvePicture &out) const;
    // A polyline through the range with at most four vertices per piece of line in each of
    // `detail` columns per pixel, for painters that scale or write vectors; a NaN vertex
    // breaks the line.
    void drawPolyline(const SeriesPoints &points, const AxisPixels &key, const AxisPixels &value, double detail,
                      std::vector<QPointF> &out) const;
    // The line segments that join the points from `from` on to the points before them:
    // what an append adds to a picture of the first `from` points.
    void appendedLines(const SeriesPoints &points, int from, const AxisPixels &key, const AxisPixels &value,
                       const QRect &clip, std::vector<QLine> &out) const;

    // The extents of the points that are drawn; false when there are none.
    bool keyRange(const SeriesPoints &points, double &lower, double &upper) const;
    bool valueRange(float &lower, float &upper) const;

    static constexpr int kLeafBits = 4; // 16 points per block of the finest level

private:
    struct Node {
        float lo, hi;   // over the block's drawn points
        double lastKey; // key of the last drawn point up to the block's end (−inf: none)
        std::uint8_t flags;
    };
    enum : std::uint8_t {
        kAny = 1,       // some point of the block is drawn
        kLinked = 2,    // every point is drawn and joined to the one before it in the block
        kFirstJoin = 4, // the block's first point is joined to the point before it
        kRising = 8,    // (finest level) keys do not fall, within and from the blocks before
    };
    struct View;
    View view(const SeriesPoints &points) const;
    void rebuild(const View &v, int count, int firstChanged);
    Node leaf(const View &v, int block) const;
    void buildCopy(const SeriesPoints &points, int count);
    int levelAt(int point) const;
    int firstKeyAtLeast(const View &v, double key, bool strictlyAbove) const;
    int nextDrawn(const View &v, int from, int end) const;
    void prefetchAround(const View &v, int point) const;
    template <class Emit>
    void sweep(const View &v, const AxisPixels &key, double detail, Emit &&piece) const;

    std::vector<std::vector<Node>> m_levels; // [0]: blocks of 16 points, [k]: of 16 × 2^k
    int m_count = 0;
    int m_fallingLeaves = 0; // leaves without kRising
    bool m_copy = false;
    std::vector<double> m_keys; // the sorted copy: keys, and values with NaN for breaks
    std::vector<float> m_values;
};

} // namespace qx
