#include "ov9174fp_digitValue.h"

#include <algorithm>
#include <cmath>

ov9174fp_digitValue::ov9174fp_digitValue(int bitSize, bool isSigned)
    : floating(false), bits(std::max(1, std::min(bitSize, intXXL::bitCount))), signedValue(isSigned)
{
    iMinimum = intXXL::minimumOf(bits, signedValue);
    iMaximum = intXXL::maximumOf(bits, signedValue);
}

void ov9174fp_digitValue::updateFlags(bool belowMaximum, bool aboveMinimum)
{
    flags = 0;
    if (!readOnly && (belowMaximum || wrapping))
        flags |= stepUpEnabled;
    if (!readOnly && (aboveMinimum || wrapping))
        flags |= stepDownEnabled;
}

bool ov9174fp_digitValue::setValue(double v)
{
    if (std::isnan(v))
        v = fValue;
    v = std::max(fMinimum, std::min(v, fMaximum));
    updateFlags(v < fMaximum, v > fMinimum);
    const bool changed = v != fValue;
    fValue = v;
    return changed;
}

bool ov9174fp_digitValue::setRange(double a, double b, double s)
{
    fMinimum = std::min(a, b);
    fMaximum = std::max(a, b);
    if (s != 0.0)
        fStepUp = fStepDown = std::fabs(s);
    return setValue(fValue);
}

double ov9174fp_digitValue::stepped(int steps) const
{
    double v = fValue + steps * (steps > 0 ? fStepUp : fStepDown);
    if (wrapping && v > fMaximum)
        v = fMinimum;
    else if (wrapping && v < fMinimum)
        v = fMaximum;
    return v;
}

bool ov9174fp_digitValue::less(const intXXL &a, const intXXL &b) const
{
    return signedValue ? a < b : a.lessUnsigned(b);
}

intXXL ov9174fp_digitValue::clamped(const intXXL &v) const
{
    if (less(v, iMinimum))
        return iMinimum;
    if (less(iMaximum, v))
        return iMaximum;
    return v;
}

bool ov9174fp_digitValue::setValue(const intXXL &v)
{
    const intXXL c = clamped(v);
    updateFlags(less(c, iMaximum), less(iMinimum, c));
    const bool changed = c != iValue;
    iValue = c;
    return changed;
}

bool ov9174fp_digitValue::setRange(const intXXL &a, const intXXL &b, const intXXL &s)
{
    // Limits outside the bit size are taken as its ends.
    const intXXL lowest = intXXL::minimumOf(bits, signedValue), highest = intXXL::maximumOf(bits, signedValue);
    auto within = [&](const intXXL &x) {
        const bool fits = signedValue ? x.signExtendedFrom(bits) == x : x.maskedTo(bits) == x;
        return fits ? x : x.isNegative() ? lowest : highest;
    };
    const intXXL x = within(a), y = within(b);
    iMinimum = less(y, x) ? y : x;
    iMaximum = less(y, x) ? x : y;
    if (!s.isZero())
        iStepUp = iStepDown = s.isNegative() ? -s : s;
    return setValue(iValue);
}

intXXL ov9174fp_digitValue::steppedInteger(int steps) const
{
    const intXXL one(1);
    const bool up = steps >= 1;
    intXXL step = up ? iStepUp : iStepDown;
    if (less(step, one) || step.isNegative())
        step = one;
    const intXXL v = up ? iValue + step : iValue - step;
    // Past an end also when the 80-bit sum overflows.
    bool overflow;
    if (signedValue)
        overflow = up ? v < iValue : iValue < v;
    else
        overflow = up ? v.lessUnsigned(iValue) : iValue.lessUnsigned(v);
    const bool above = up && (overflow || less(iMaximum, v));
    const bool below = !up && (overflow || less(v, iMinimum));
    if (above)
        return wrapping ? iMinimum : iMaximum;
    if (below)
        return wrapping ? iMaximum : iMinimum;
    return v;
}
