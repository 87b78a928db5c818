// The points of a polyline as the line raster (ov7931Demo_lineRaster.cpp)
// reads them: between pixels after clipping (FloatPoints) or whole pixels,
// the usual case (WholePoints). Whole-pixel points also recognise the steps
// of a curve that run up and down within one pixel column, whose rows the
// line raster then sets as one run instead of stroking them step by step.
#ifndef OV7931DEMO_LINEPOINTS_H
#define OV7931DEMO_LINEPOINTS_H

#include "ov7931Demo_lineSteps.h"

#include <QPoint>
#include <QPointF>

#include <algorithm>
#include <cmath>

namespace lineRaster::detail {

// Points in the painter's coordinates (possibly fractional, after clipping),
// with the integer translation to the device.
struct FloatPoints {
    const QPointF *p;
    double tx;
    double ty;

    FloatPoints from(int i) const { return FloatPoints{p + i, tx, ty}; }
    bool same(int a, int b) const { return p[a].x() == p[b].x() && p[a].y() == p[b].y(); }
    Fixed at(int i) const
    {
        const double x = p[i].x() + tx;
        const double y = p[i].y() + ty;
        return Fixed{toF26Dot6(x), toF26Dot6(y), x, y};
    }
    static bool drawn(const Fixed &a, const Fixed &b)
    {
        return std::fabs(b.fx - a.fx) + std::fabs(b.fy - a.fy) >= 1.0;
    }
    bool oneColumn(int, int &, int &, int &) const { return false; }
    bool columnPrefix(int, int &, int &, int &, int &, int &, int &) const { return false; }
    int columnTail(int n) const { return n; }
    void tailRows(int, int, int &, int &, int &) const {}
};

// Whole-pixel points in the painter's coordinates, with the integer
// translation to the device: the usual case, as Qwt rounds mapped points.
struct WholePoints {
    const QPoint *p;
    int tx;
    int ty;

    WholePoints from(int i) const { return WholePoints{p + i, tx, ty}; }
    bool same(int a, int b) const { return p[a] == p[b]; }
    Fixed at(int i) const { return Fixed{(p[i].x() + tx) * 64, (p[i].y() + ty) * 64, 0.0, 0.0}; }
    static bool drawn(const Fixed &a, const Fixed &b) { return a.x != b.x || a.y != b.y; }

    // Whether the n points run within one pixel column, no two neighbours
    // alike and the first apart from the last (so not closed), and the last
    // step is not one that leaves out its end: a step up by one row after a
    // step up, or by two rows after a step down (the engine's cap at the top
    // end then starts a row lower, below the pixel drawn last). Stroked with
    // square caps, such a polyline sets exactly the rows from its topmost to
    // its lowest point: every step between whole pixels draws the rows from
    // its start up to the row before its end, the caps add the first and the
    // last point, a turn back adds the point it turns at, and nothing else is
    // added or left out between rows of one column (see interiorStep()).
    bool oneColumn(int n, int &col, int &top, int &bottom) const
    {
        if (p[n - 1].x() != p[0].x())
            return false; // the common way out, tested first
        if (n >= 3) {
            const int a = p[n - 2].y();
            const int rise = a - p[n - 1].y();
            const int before = p[n - 3].y();
            if ((before > a && rise == 1) || (before < a && rise == 2))
                return false;
        }
        const int x = p[0].x();
        int lo = p[0].y();
        int hi = lo;
        for (int k = 1; k < n; ++k) {
            if (p[k].x() != x || p[k].y() == p[k - 1].y())
                return false;
            lo = std::min(lo, p[k].y());
            hi = std::max(hi, p[k].y());
        }
        if (p[n - 1].y() == p[0].y())
            return false;
        col = x + tx;
        top = lo + ty;
        bottom = hi + ty;
        return true;
    }

    // Whether the n points (not closed) start with at least one step within
    // one pixel column, no two neighbours alike, before leaving it at point
    // k + 1. Stroked with square caps, those steps set the rows from the
    // topmost to the lowest of points 0 .. k, except the row of point k when
    // a step down ends there at the lowest row that no other of those points
    // is on (steps down leave out their end; the lowest row is otherwise
    // drawn by the cap of point 0 or a turn back). They leave the stroker
    // going down or up, its last pixel the row before point k (down) or
    // point k (up).
    bool columnPrefix(int n, int &k, int &col, int &top, int &bottom, int &dir, int &py) const
    {
        const int x = p[0].x();
        if (p[n - 1] == p[0] || p[1].x() != x || p[1].y() == p[0].y())
            return false;
        int lo = std::min(p[0].y(), p[1].y());
        int hi = std::max(p[0].y(), p[1].y());
        k = 1;
        while (k + 1 < n && p[k + 1].x() == x) {
            if (p[k + 1].y() == p[k].y())
                return false;
            ++k;
            lo = std::min(lo, p[k].y());
            hi = std::max(hi, p[k].y());
        }
        if (k + 1 >= n)
            return false; // all in one column: not this case
        const int yk = p[k].y();
        const bool down = yk > p[k - 1].y();
        bool lowestElsewhere = false;
        for (int j = 0; j < k; ++j)
            lowestElsewhere = lowestElsewhere || p[j].y() == hi;
        col = x + tx;
        top = lo + ty;
        bottom = (down && yk == hi && !lowestElsewhere ? hi - 1 : hi) + ty;
        dir = down ? TopToBottom : BottomToTop;
        py = (down ? yk - 1 : yk) + ty;
        return true;
    }

    // The first point t <= n - 2 such that points t - 1 .. n - 1 run within
    // one pixel column, no two neighbours alike; n if there is none.
    int columnTail(int n) const
    {
        const int x = p[n - 1].x();
        int j = n - 1;
        while (j > 0 && p[j - 1].x() == x && p[j - 1].y() != p[j].y())
            --j;
        return j + 1 <= n - 2 ? j + 1 : n;
    }

    // The rows the steps from point t (a columnTail()) to the last point set
    // with the cap at the end, after a step within the column that drew:
    // from the topmost to the lowest of those points, as in oneColumn(),
    // except the last point's row when it is the topmost, the last step
    // leaves it out and no other of those points is on it.
    void tailRows(int n, int t, int &col, int &top, int &bottom) const
    {
        int lo = p[t].y();
        int hi = lo;
        for (int k = t + 1; k < n; ++k) {
            lo = std::min(lo, p[k].y());
            hi = std::max(hi, p[k].y());
        }
        const int last = p[n - 1].y();
        const int a = p[n - 2].y();
        const int rise = a - last;
        const int before = p[n - 3].y();
        bool leftOut = last == lo && ((before > a && rise == 1) || (before < a && rise == 2));
        for (int k = t; k < n - 1 && leftOut; ++k)
            leftOut = p[k].y() != last;
        col = p[t].x() + tx;
        top = (leftOut ? lo + 1 : lo) + ty;
        bottom = hi + ty;
    }
};

} // namespace lineRaster::detail

#endif
