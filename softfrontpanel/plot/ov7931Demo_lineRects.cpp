// Rectangles from the pixel runs of lineRaster::Spans, for an engine that
// fills a rectangle row by row (declared in ov7931Demo_lineRaster.h).
#include "ov7931Demo_lineRaster.h"

#include <climits>
#include <vector>

namespace {

// Filling a tall one-pixel-wide rectangle costs the engine one call per row,
// so the runs are handed over as rectangles that run along the rows: a
// sweep over the columns keeps, for every row, the column where its current
// run started, and closes runs where a column no longer covers the row; runs
// that start and end in the same columns in neighbouring rows become one
// rectangle.
class RowSweep
{
public:
    void collect(const lineRaster::Spans &s, QVector<QRect> &rects)
    {
        rects.clear();
        m_open.assign(size_t(s.height), -1);
        if (s.minCol <= s.maxCol) {
            int plo = INT_MAX; // run of the previous column (empty at first)
            int phi = INT_MIN;
            for (int c = s.minCol; c <= s.maxCol + 1; ++c) {
                int lo = INT_MAX;
                int hi = INT_MIN;
                if (c <= s.maxCol) {
                    lo = s.lo[size_t(c)];
                    hi = s.hi[size_t(c)];
                }
                const bool prevEmpty = plo > phi;
                const bool curEmpty = lo > hi;
                // rows of the previous run that this column does not cover
                if (!prevEmpty) {
                    if (curEmpty || hi < plo || lo > phi) {
                        close(plo, phi, c, rects);
                    } else {
                        if (plo < lo)
                            close(plo, lo - 1, c, rects);
                        if (phi > hi)
                            close(hi + 1, phi, c, rects);
                    }
                }
                // rows this column starts
                if (!curEmpty) {
                    if (prevEmpty || phi < lo || plo > hi) {
                        open(lo, hi, c);
                    } else {
                        if (lo < plo)
                            open(lo, plo - 1, c);
                        if (hi > phi)
                            open(phi + 1, hi, c);
                    }
                }
                plo = lo;
                phi = hi;
            }
        }
        for (const QRect &r : s.extra)
            rects.append(r);
    }

private:
    inline void open(int y0, int y1, int col)
    {
        for (int y = y0; y <= y1; ++y)
            m_open[size_t(y)] = col;
    }

    // Rows y0..y1 end their runs before column `col`.
    inline void close(int y0, int y1, int col, QVector<QRect> &rects)
    {
        int y = y0;
        while (y <= y1) {
            const int start = m_open[size_t(y)];
            int e = y + 1;
            while (e <= y1 && m_open[size_t(e)] == start)
                ++e;
            rects.append(QRect(start, y, col - start, e - y));
            y = e;
        }
    }

    std::vector<int> m_open;
};

} // namespace

namespace lineRaster {

void toRects(const Spans &spans, QVector<QRect> &rects)
{
    thread_local RowSweep sweep;
    sweep.collect(spans, rects);
}

} // namespace lineRaster
