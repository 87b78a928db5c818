// Qwt's arithmetic on samples, done several samples at a time with the very
// same results: a series' bounding rectangle and the mapping of samples to
// whole pixels. Used by the fast curve (ov7931Demo_fastCurve.h).
#ifndef OV7931DEMO_SAMPLEMAPS_H
#define OV7931DEMO_SAMPLEMAPS_H

#include <QPoint>
#include <QtGlobal>

#include <cstddef>
#include <vector>

class QwtScaleMap;

namespace sampleMaps {

// One axis of qwtBoundingRectT() over n >= 1 raw samples, as the position
// and size of the rectangle's QRectF, to the bit (NaN included).
void axisBounds(const double *v, size_t n, double &pos, double &size);

// QwtScaleMap::transform() of a map without transformation:
// p1 + (s - ts1) * cnv, with ts1 and cnv as QwtScaleMap::updateFactor() sets
// them (cnv = (p2 - p1) / (s2 - s1), 1 where s1 == s2).
struct Linear {
    double p1;
    double ts1;
    double cnv;

    // Fills `out` for a map without transformation, checked against the map
    // on one sample, `probe`.
    static bool of(const QwtScaleMap &map, double probe, Linear &out);
};

// Qwt's rounding of a mapped coordinate straight to an integer; values far
// outside any device are held at +-1e9.
inline int wholeOf(double v)
{
    v = qBound(-1.0e9, v, 1.0e9);
    return v >= 0.0 ? int(v + 0.5) : -int(0.5 - v);
}

// One axis of n samples mapped with `l` and rounded, as
// wholeOf(p1 + (s - ts1) * cnv). Returns whether every mapped value is
// finite; lo and hi are the bounds of the rounded values.
bool mapAxis(const double *v, int n, const Linear &l, int *out, int &lo, int &hi);

// An axis of samples mapped by mapAxis(), kept for the curves that share
// those samples while one painting lasts.
struct MappedAxis {
    std::vector<int> values;
    int lo = 0;
    int hi = 0;
    bool finite = false;

    // Whether `values` are those samples mapped with `l`.
    bool holds(const double *v, int n, const Linear &l) const;
    // Maps the samples into `values`, now held until close().
    void map(const double *v, int n, const Linear &l);
    void close() { m_open = false; }

private:
    bool m_open = false;
    const double *m_v = nullptr;
    int m_n = 0;
    Linear m_l{};
};

// The points (xs[i], ys[i]) of n >= 1 mapped samples into `out`, without
// consecutive duplicates where `weed` (as QwtPlotCurve's FilterPoints drops
// them); returns how many were kept.
int wholePoints(const int *xs, const int *ys, int n, bool weed, QPoint *out);

} // namespace sampleMaps

#endif
