#include "ov7931Demo_lineRaster.h"

#include "ov7931Demo_linePoints.h"
#include "ov7931Demo_lineSteps.h"
#include "ov7931Demo_shareWork.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <vector>

// How the raster engine draws a polyline with a one-pixel pen without
// antialiasing: each segment is stepped along its major axis in 26.6 and
// 16.16 fixed point, one pixel per step, with rules at the segment ends that
// avoid gaps and doubled pixels where segments meet (caps, direction changes,
// dropped short segments). LineRaster follows those rules step for step, but
// instead of setting pixels it collects, for every pixel column, the rows it
// would set as one vertical run (ColumnSpans). Most segments of a long curve
// run up and down inside one column; they are handled with shortcuts that
// give the same rows. The collected runs are painted straight into an image
// (ov7931Demo_pixelLayers.h) or handed to the engine as rectangles along the
// rows, which it fills with one call per row.
//
// Each polyline starts with a fresh stroker, as each drawPolyline() call of
// the engine does; Qwt cuts long polygons into pieces of seven points. So the
// pieces of a long curve are worked out in chunks, shared with a helper
// thread (ov7931Demo_shareWork.h).
//
// The fixed-point vocabulary and the column spans are in
// ov7931Demo_lineSteps.h, the points and their in-column shortcuts in
// ov7931Demo_linePoints.h.

namespace {

using namespace lineRaster::detail;

// The stroker's memory between segments.
struct VState {
    int dir;
    int px; // last pixel drawn
    int py;
    bool axisAligned;
    // rows collected in one column, not yet handed to the column spans
    int runCol;
    int runLo;
    int runHi;
};

class LineRaster
{
public:
    LineRaster(ColumnSpans &out, bool drawCaps)
        : m_out(out), m_drawCaps(drawCaps)
    {
    }

    // One polyline, as one drawPolyline() call of the engine, its points
    // handed over by `pts` (FloatPoints or WholePoints). All device points
    // lie inside the engine's clip bounds.
    template<class Points>
    void polyline(const Points &pts, int n)
    {
        if (n < 2)
            return;
        m_lastDir = NoDirection;
        m_lastAxisAligned = false;
        m_lastPixel.x = INT_MIN;
        m_lastPixel.y = INT_MIN;

        // the engine's test for a closed polyline compares the points as given
        const bool closed = pts.same(0, n - 1);
        const int caps = (!closed && m_drawCaps) ? CapBegin : NoCaps;
        if (closed) {
            const Fixed p0 = pts.at(0);
            const Fixed p2 = pts.at(n > 2 ? n - 2 : n - 1);
            lastPoint(p2.x, p2.y, p0.x, p0.y);
        }

        steps(pts, n, 0, closed, caps,
              VState{int(m_lastDir), m_lastPixel.x, m_lastPixel.y, m_lastAxisAligned, INT_MIN, 0, -1}, false);
    }

    // The rest of an open polyline with square caps from point `first` on,
    // the steps before it having run within one pixel column and left the
    // stroker going in direction `dir` (TopToBottom or BottomToTop) with its
    // last pixel at px, py.
    template<class Points>
    void polylineFrom(const Points &pts, int n, int first, int dir, int px, int py)
    {
        steps(pts, n, first, false, NoCaps, VState{dir, px, py, true, INT_MIN, 0, -1}, true);
    }

private:
    // The segments from point `first` on. The state between segments lives in
    // locals here, so that it stays in registers through the common in-column
    // steps; afterWholeStep: the step before ran within its column between
    // whole pixels and drew.
    template<class Points>
    void steps(const Points &pts, int n, int first, bool closed, int caps, VState st, bool afterWholeStep)
    {
        // the steps from point `tail` on run within one column
        const int tail = !closed && m_drawCaps ? pts.columnTail(n) : n;
        Fixed p = pts.at(first);
        for (int i = first + 1; i < n; ++i) {
            if (i - 1 == tail && afterWholeStep) {
                // after a step that drew within that column too: as one run
                int col;
                int top;
                int bottom;
                pts.tailRows(n, tail, col, top, bottom);
                if (st.runCol != INT_MIN)
                    m_out.add(st.runCol, st.runLo, st.runHi);
                m_out.add(col, top, bottom);
                return;
            }
            const Fixed q = pts.at(i);
            if (!closed && m_drawCaps && i == n - 1)
                caps |= CapEnd;
            bool moveNextStart;
            if (p.x == q.x && p.y != q.y) {
                const bool whole = ((p.y | q.y) & 63) == 0;
                if (whole && afterWholeStep && i != n - 1) {
                    interiorStep(st, p.y >> 6, q.y >> 6);
                    moveNextStart = true;
                } else {
                    bool drew = false;
                    moveNextStart = strokeVertical(st, p.x, p.y, q.y, caps, Points::drawn(p, q), drew);
                    afterWholeStep = whole && drew;
                }
            } else {
                m_lastDir = Direction(st.dir);
                m_lastPixel.x = st.px;
                m_lastPixel.y = st.py;
                m_lastAxisAligned = st.axisAligned;
                moveNextStart = stroke(p.x, p.y, q.x, q.y, caps, Points::drawn(p, q));
                st.dir = int(m_lastDir);
                st.px = m_lastPixel.x;
                st.py = m_lastPixel.y;
                st.axisAligned = m_lastAxisAligned;
                afterWholeStep = false;
            }
            // a segment too short to be drawn keeps its start for the next one
            if (moveNextStart || i == 1 || i == n - 1)
                p = q;
            caps = NoCaps;
        }
        if (st.runCol != INT_MIN)
            m_out.add(st.runCol, st.runLo, st.runHi);
    }

    // Rows y .. y + count - 1, stepping x by xinc (16.16) per row. Steep
    // segments cross a column within 65536 units of x, so 32-bit division
    // suffices for the rows left in a column.
    inline void verticalRun(int x, int y, int count, int xinc)
    {
        if (xinc == 0) {
            m_out.add(x >> 16, y, y + count - 1);
            return;
        }
        while (count > 0) {
            const int col = x >> 16;
            // the rest within this column: no division needed to find its end
            if (((qint64(x) + qint64(count - 1) * xinc) >> 16) == col) {
                m_out.add(col, y, y + count - 1);
                return;
            }
            const int within = x & 0xffff; // x - col * 65536
            int steps;
            if (xinc > 0)
                steps = (65536 - within + xinc - 1) / xinc;
            else
                steps = (within + 1 - xinc - 1) / (-xinc);
            const int n = steps < count ? steps : count;
            m_out.add(col, y, y + n - 1);
            y += n;
            x += n * xinc;
            count -= n;
        }
    }

    // Coordinates in 26.6 fixed point.
    void lastPoint(int x1, int y1, int x2, int y2)
    {
        m_lastPixel.x = INT_MIN;
        m_lastPixel.y = INT_MIN;

        const int dx = std::abs(x2 - x1);
        const int dy = std::abs(y2 - y1);

        if (dx < dy) {
            bool swapped = false;
            if (y1 > y2) {
                swapped = true;
                std::swap(y1, y2);
                std::swap(x1, x2);
            }
            const int xinc = fixedDiv16(x2 - x1, y2 - y1);
            int x = x1 * (1 << 10);
            const int y = (y1 + 32) >> 6;
            const int ys = (y2 + 32) >> 6;
            const int round = (xinc > 0) ? 32 : 0;
            if (y != ys) {
                x += ((y * (1 << 6)) + round - y1) * xinc >> 6;
                if (swapped) {
                    m_lastPixel.x = x >> 16;
                    m_lastPixel.y = y;
                    m_lastDir = BottomToTop;
                } else {
                    m_lastPixel.x = (x + (ys - y - 1) * xinc) >> 16;
                    m_lastPixel.y = ys - 1;
                    m_lastDir = TopToBottom;
                }
                m_lastAxisAligned = std::abs(xinc) < (1 << 14);
            }
        } else {
            if (!dx)
                return;
            bool swapped = false;
            if (x1 > x2) {
                swapped = true;
                std::swap(x1, x2);
                std::swap(y1, y2);
            }
            const int yinc = fixedDiv16(y2 - y1, x2 - x1);
            int y = y1 * (1 << 10);
            const int x = (x1 + 32) >> 6;
            const int xs = (x2 + 32) >> 6;
            const int round = (yinc > 0) ? 32 : 0;
            if (x != xs) {
                y += ((x * (1 << 6)) + round - x1) * yinc >> 6;
                if (swapped) {
                    m_lastPixel.x = x;
                    m_lastPixel.y = y >> 16;
                    m_lastDir = RightToLeft;
                } else {
                    m_lastPixel.x = xs - 1;
                    m_lastPixel.y = (y + (xs - x - 1) * yinc) >> 16;
                    m_lastDir = LeftToRight;
                }
                m_lastAxisAligned = std::abs(yinc) < (1 << 14);
            }
        }
    }

    // Consecutive steps in one column touch each other: their rows are
    // gathered here and handed to the column spans when the column changes.
    inline void gather(VState &st, int col, int from, int to)
    {
        if (col == st.runCol && from <= st.runHi + 1 && to >= st.runLo - 1) {
            st.runLo = std::min(st.runLo, from);
            st.runHi = std::max(st.runHi, to);
        } else {
            if (st.runCol != INT_MIN)
                m_out.add(st.runCol, st.runLo, st.runHi);
            st.runCol = col;
            st.runLo = from;
            st.runHi = to;
        }
    }

    // An in-column step between whole pixels ya -> yb, neither the first nor
    // the last of its polyline, after another such step in the same column.
    // Then strokeVertical() reduces to this: a step down draws ya .. yb - 1
    // (leaving out ya when the step before came up: it is drawn already); a
    // step up draws yb .. ya - 1, and ya too when it turns back from a step
    // down. Its last pixel is the row before yb (down) or yb (up). A drop-out
    // or an extra pixel never occurs between rows of one column.
    inline void interiorStep(VState &st, int ya, int yb)
    {
        const bool down = yb > ya;
        if (down)
            gather(st, st.px, ya, yb - 1);
        else
            gather(st, st.px, yb, ya - 1 + int(st.dir == TopToBottom));
        st.dir = down ? TopToBottom : BottomToTop;
        st.py = down ? yb - 1 : yb;
    }

    // stroke() for a segment within one pixel column (x1 == x2 in 26.6, the
    // most common segment of a long curve): the same steps with no slope,
    // written without branches on the direction, which a noisy curve changes
    // at random.
    inline bool strokeVertical(VState &st, int x1, int y1, int y2, int caps, bool didDraw,
                               bool &drew)
    {
        const int swapped = y1 > y2;
        const int top = swapped ? y2 : y1;
        const int bottom = swapped ? y1 : y2;
        caps = swapped ? swapCaps(caps) : caps;
        const int dir = swapped ? BottomToTop : TopToBottom;
        const int col = (x1 * (1 << 10)) >> 16;

        const int reversed = (st.dir ^ VerticalMask) == dir;
        caps |= reversed << swapped; // CapBegin, or CapEnd when swapped
        const int capBegin = caps & CapBegin;
        int y = (top - (capBegin << 5) + 32) >> 6;
        int ys = (bottom + ((caps & CapEnd) << 4) + 32) >> 6;
        y += capBegin & int(st.py == y + 1);

        if (y == ys)
            return didDraw;
        drew = true;

        const int firstY = swapped ? ys - 1 : y;
        const int lastY = swapped ? y : ys - 1;
        if (st.px > INT_MIN) {
            const int ddx = st.px - col;
            const int ddy = st.py - firstY;
            const int dup = int(ddx == 0) & int(ddy == 0);
            const int missing = (dup ^ 1) & int(st.dir != dir)
                & ((int(st.axisAligned) & int(ddx != 0) & int(ddy != 0))
                   | int(std::abs(ddx) > 1) | int(std::abs(ddy) > 1));
            // a duplicated first pixel is left out, a missing one put in;
            // the half-step shift of the general case moves nothing here
            const int grow = missing - dup;
            ys += grow & -swapped;
            y -= grow & (swapped - 1);
        }
        st.dir = dir;
        st.axisAligned = true;
        gather(st, col, y, ys > y ? ys - 1 : y);
        st.px = col;
        st.py = lastY;
        return true;
    }

    // One segment; returns whether the next segment starts at its end.
    // Coordinates in 26.6 fixed point; didDraw: the segment is at least one
    // pixel long (|dx| + |dy| >= 1 in the painter's coordinates).
    // Joins a run to the one before it as the engine does: a run that starts on
    // the previous run's last pixel drops that pixel, one that turns away or
    // leaves a gap gets one pixel more, and one that continues in the same
    // direction with a gap across is shifted by half a step. `start`/`end` count
    // along the run, `minor` is the 16.16 position across it, `inc` its step,
    // and `minorOf` the coordinate of a pixel across the run.
    void joinRun(Direction dir, bool swapped, const Pixel &first, Pixel &last, int Pixel::*minorOf, int &start,
                 int &end, int &minor, int inc)
    {
        const bool axisAligned = std::abs(inc) < (1 << 14);
        if (m_lastPixel.x > INT_MIN) {
            if (first.x == m_lastPixel.x && first.y == m_lastPixel.y) {
                if (swapped) {
                    --end;
                } else {
                    ++start;
                    minor += inc;
                }
            } else if (m_lastDir != dir
                       && (((axisAligned && m_lastAxisAligned) && m_lastPixel.x != first.x
                            && m_lastPixel.y != first.y)
                           || (std::abs(m_lastPixel.x - first.x) > 1 || std::abs(m_lastPixel.y - first.y) > 1))) {
                if (swapped) {
                    ++end;
                } else {
                    --start;
                    minor -= inc;
                }
            } else if (m_lastDir == dir
                       && (std::abs(m_lastPixel.x - first.x) <= 1 && std::abs(m_lastPixel.y - first.y) > 1)) {
                minor += inc >> 1;
                if (swapped)
                    last.*minorOf = minor >> 16;
                else
                    last.*minorOf = (minor + (end - start - 1) * inc) >> 16;
            }
        }
        m_lastDir = dir;
        m_lastAxisAligned = axisAligned;
    }

    bool stroke(int x1, int y1, int x2, int y2, int caps, bool didDraw)
    {
        const int dx = std::abs(x2 - x1);
        const int dy = std::abs(y2 - y1);

        Pixel last = m_lastPixel;

        if (dx < dy) {
            Direction dir = TopToBottom;
            bool swapped = false;
            if (y1 > y2) {
                swapped = true;
                std::swap(y1, y2);
                std::swap(x1, x2);
                caps = swapCaps(caps);
                dir = BottomToTop;
            }
            // most segments of a long curve are vertical: skip the division
            const int xinc = x2 == x1 ? 0 : fixedDiv16(x2 - x1, y2 - y1);
            int x = x1 * (1 << 10);

            if ((m_lastDir ^ VerticalMask) == dir)
                caps |= swapped ? CapEnd : CapBegin;

            capAdjust(caps, y1, y2, x, xinc);

            int y = (y1 + 32) >> 6;
            int ys = (y2 + 32) >> 6;
            const int round = (xinc > 0) ? 32 : 0;

            if ((caps & CapBegin) && m_lastPixel.y == y + 1)
                y++;

            if (y != ys) {
                x += ((y * (1 << 6)) + round - y1) * xinc >> 6;

                Pixel first;
                first.x = x >> 16;
                first.y = y;
                last.x = (x + (ys - y - 1) * xinc) >> 16;
                last.y = ys - 1;
                if (swapped)
                    std::swap(first, last);

                joinRun(dir, swapped, first, last, &Pixel::x, y, ys, x, xinc);

                // the engine's loop draws at least one pixel
                verticalRun(x, y, ys > y ? ys - y : 1, xinc);
                didDraw = true;
            }
        } else {
            if (!dx)
                return true;

            Direction dir = LeftToRight;
            bool swapped = false;
            if (x1 > x2) {
                swapped = true;
                std::swap(x1, x2);
                std::swap(y1, y2);
                caps = swapCaps(caps);
                dir = RightToLeft;
            }
            const int yinc = y2 == y1 ? 0 : fixedDiv16(y2 - y1, x2 - x1);
            int y = y1 * (1 << 10);

            if ((m_lastDir ^ HorizontalMask) == dir)
                caps |= swapped ? CapEnd : CapBegin;

            capAdjust(caps, x1, x2, y, yinc);

            int x = (x1 + 32) >> 6;
            int xs = (x2 + 32) >> 6;
            const int round = (yinc > 0) ? 32 : 0;

            if ((caps & CapBegin) && m_lastPixel.x == x + 1)
                x++;

            if (x != xs) {
                y += ((x * (1 << 6)) + round - x1) * yinc >> 6;

                Pixel first;
                first.x = x;
                first.y = y >> 16;
                last.x = xs - 1;
                last.y = (y + (xs - x - 1) * yinc) >> 16;
                if (swapped)
                    std::swap(first, last);

                joinRun(dir, swapped, first, last, &Pixel::y, x, xs, y, yinc);

                // one pixel per column; the engine's loop draws at least one
                do {
                    const int row = y >> 16;
                    m_out.add(x, row, row);
                    y += yinc;
                } while (++x < xs);
                didDraw = true;
            }
        }
        m_lastPixel = last;
        return didDraw;
    }

    ColumnSpans &m_out;
    const bool m_drawCaps;
    Direction m_lastDir = NoDirection;
    Pixel m_lastPixel = {INT_MIN, INT_MIN};
    bool m_lastAxisAligned = false;
};

// The polylines first .. last - 1 of the points, each of splitSize + 1 points.
template<class Points>
void pieceSpans(const Points &points, int count, int splitSize, bool drawCaps, int first, int last,
                ColumnSpans &columns)
{
    LineRaster raster(columns, drawCaps);
    int col;
    int top;
    int bottom;
    int k;
    int dir;
    int py;
    for (int piece = first; piece < last; ++piece) {
        const int i = piece * splitSize;
        const int n = qMin(splitSize + 1, count - i);
        const Points p = points.from(i);
        if (drawCaps && n >= 2 && p.oneColumn(n, col, top, bottom)) {
            columns.add(col, top, bottom);
        } else if (drawCaps && n >= 3 && p.columnPrefix(n, k, col, top, bottom, dir, py)) {
            columns.add(col, top, bottom);
            raster.polylineFrom(p, n, k, dir, col, py);
        } else {
            raster.polyline(p, n);
        }
    }
}

// A long curve's polylines are worked out in chunks, shared with a helper
// thread that collects its pixels apart; they are joined at the end.
constexpr int piecesPerChunk = 128;

template<class Points>
void spans(const Points &points, int count, int splitSize, QSize device, bool drawCaps, lineRaster::Spans &out)
{
    ColumnSpans columns(out);
    columns.reset(device.width(), device.height());
    const int pieces = lineRaster::polylines(count, splitSize);
    const int chunks = (pieces + piecesPerChunk - 1) / piecesPerChunk;
    if (chunks < 4) {
        pieceSpans(points, count, splitSize, drawCaps, 0, pieces, columns);
        return;
    }
    thread_local lineRaster::Spans helperSpans;
    ColumnSpans helperColumns(helperSpans);
    bool helped = false;
    lineRaster::shareWork(chunks, [&](int chunk, bool onHelper) {
        if (onHelper && !helped) {
            helperColumns.reset(device.width(), device.height());
            helped = true;
        }
        pieceSpans(points, count, splitSize, drawCaps, chunk * piecesPerChunk,
                   std::min(pieces, (chunk + 1) * piecesPerChunk), onHelper ? helperColumns : columns);
    });
    if (helped)
        columns.join(helperSpans);
}

} // namespace

namespace lineRaster {

int polylines(int count, int splitSize)
{
    return count < 2 ? 0 : (count - 2) / splitSize + 1;
}

void clear(Spans &out, QSize device)
{
    ColumnSpans(out).reset(device.width(), device.height());
}

void addWholePointSpans(const QPoint *pts, int count, int splitSize, QPoint translate, bool drawCaps, int first,
                        int last, Spans &out)
{
    ColumnSpans columns(out);
    pieceSpans(WholePoints{pts, translate.x(), translate.y()}, count, splitSize, drawCaps, first, last, columns);
}

void addFloatPointSpans(const QPointF *pts, int count, int splitSize, QPoint translate, bool drawCaps, int first,
                        int last, Spans &out)
{
    ColumnSpans columns(out);
    pieceSpans(FloatPoints{pts, double(translate.x()), double(translate.y())}, count, splitSize, drawCaps, first,
               last, columns);
}

void join(Spans &spans, const Spans &other)
{
    ColumnSpans(spans).join(other);
}

void wholePointSpans(const QPoint *pts, int count, int splitSize, QPoint translate,
                     QSize device, bool drawCaps, Spans &out)
{
    spans(WholePoints{pts, translate.x(), translate.y()}, count, splitSize, device, drawCaps, out);
}

void floatPointSpans(const QPointF *pts, int count, int splitSize, QPoint translate,
                     QSize device, bool drawCaps, Spans &out)
{
    spans(FloatPoints{pts, double(translate.x()), double(translate.y())}, count, splitSize, device,
          drawCaps, out);
}

} // namespace lineRaster
