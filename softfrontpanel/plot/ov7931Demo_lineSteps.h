// The raster engine's vocabulary for stepping a one-pixel line, as the line
// raster (ov7931Demo_lineRaster.cpp) follows it: points in 26.6 fixed point,
// the 16.16 slope, caps and directions, the last pixel drawn, and the
// collection of the rows set in each pixel column (ColumnSpans). Inline and
// for the line raster alone (its stroker and its points, ov7931Demo_linePoints.h).
#ifndef OV7931DEMO_LINESTEPS_H
#define OV7931DEMO_LINESTEPS_H

#include "ov7931Demo_lineSpans.h"

#include <QtGlobal>

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace lineRaster::detail {

enum Caps { NoCaps = 0, CapBegin = 0x1, CapEnd = 0x2 };

enum Direction {
    NoDirection = 0,
    TopToBottom = 0x1,
    BottomToTop = 0x2,
    LeftToRight = 0x4,
    RightToLeft = 0x8,
    VerticalMask = 0x3,
    HorizontalMask = 0xc
};

struct Pixel {
    int x;
    int y;
};

// A point in 26.6 fixed point, with the coordinates it came from.
struct Fixed {
    int x;
    int y;
    double fx;
    double fy;
};

inline int toF26Dot6(double v)
{
    return int(v * 64.);
}

inline int fixedDiv16(int x, int y)
{
    if (std::abs(x) > 0x7fff)
        return int(qlonglong(x) * (1 << 16) / y);
    return x * (1 << 16) / y;
}

inline int swapCaps(int caps)
{
    return ((caps & CapBegin) << 1) | ((caps & CapEnd) >> 1);
}

inline void capAdjust(int caps, int &x1, int &x2, int &y, int yinc)
{
    if (caps & CapBegin) {
        x1 -= 32;
        y -= yinc >> 1;
    }
    if (caps & CapEnd)
        x2 += 32;
}

// Collects the rows set per pixel column into lineRaster::Spans: one run per
// column, and a run that neither touches nor overlaps the column's run kept
// apart (drawing a pixel twice with an opaque colour changes nothing, so runs
// may overlap). Rows outside the device are dropped here, as the engine drops
// such pixels.
class ColumnSpans
{
public:
    explicit ColumnSpans(lineRaster::Spans &spans)
        : m_s(spans)
    {
    }

    void reset(int width, int height)
    {
        m_s.width = width;
        m_s.height = height;
        m_s.lo.assign(size_t(width), INT_MAX);
        m_s.hi.assign(size_t(width), INT_MIN);
        m_s.extra.clear();
        m_s.minCol = INT_MAX;
        m_s.maxCol = INT_MIN;
    }

    inline void add(int col, int y0, int y1)
    {
        if (col < 0 || col >= m_s.width)
            return;
        if (y0 < 0)
            y0 = 0;
        if (y1 >= m_s.height)
            y1 = m_s.height - 1;
        if (y0 > y1)
            return;
        int &lo = m_s.lo[size_t(col)];
        int &hi = m_s.hi[size_t(col)];
        if (lo > hi) {
            lo = y0;
            hi = y1;
            if (col < m_s.minCol)
                m_s.minCol = col;
            if (col > m_s.maxCol)
                m_s.maxCol = col;
        } else if (y0 <= hi + 1 && y1 >= lo - 1) {
            lo = std::min(lo, y0);
            hi = std::max(hi, y1);
        } else {
            m_s.extra.push_back(QRect(col, y0, 1, y1 - y0 + 1));
        }
    }

    // Adds the pixels of spans of the same device collected apart.
    void join(const lineRaster::Spans &other)
    {
        for (int col = other.minCol; col <= other.maxCol; ++col) {
            if (other.lo[size_t(col)] <= other.hi[size_t(col)])
                add(col, other.lo[size_t(col)], other.hi[size_t(col)]);
        }
        m_s.extra.insert(m_s.extra.end(), other.extra.begin(), other.extra.end());
    }

private:
    lineRaster::Spans &m_s;
};

} // namespace lineRaster::detail

#endif
