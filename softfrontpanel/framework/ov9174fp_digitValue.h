// The value the digit control holds, without the widget: a floating value
// or an 80-bit integer of a given bit size and signedness, its range and
// steps, clamping, wrapping, and which of the step arrows are enabled.
#ifndef OV9174FP_DIGITVALUE_H
#define OV9174FP_DIGITVALUE_H

#include "ov9174fp_intXXL.h"

class ov9174fp_digitValue
{
public:
    // Step flags as the spin box reports them.
    enum : int { stepUpEnabled = 1, stepDownEnabled = 2 };

    // A floating value (the default), or an integer of `bits` bits (1 .. 80).
    ov9174fp_digitValue() = default;
    ov9174fp_digitValue(int bits, bool isSigned);

    bool isFloating() const { return floating; }
    int bitSize() const { return bits; }
    bool isSigned() const { return signedValue; }

    // Floating kind.
    double value() const { return fValue; }
    double minimum() const { return fMinimum; }
    double maximum() const { return fMaximum; }
    double singleStepUp() const { return fStepUp; }
    double singleStepDown() const { return fStepDown; }
    // Clamps to the range and recomputes the step flags; true when the value
    // changed.
    bool setValue(double v);
    // Minimum and maximum from the smaller and larger of a and b; a non-zero
    // s sets both steps to |s|. The value is then set again (clamped).
    bool setRange(double a, double b, double s);
    // The value `steps` steps on (before clamping), wrapping past the ends
    // when wrapping is on.
    double stepped(int steps) const;

    // Integer kind (limits are kept within the bit size).
    intXXL integerValue() const { return iValue; }
    intXXL integerMinimum() const { return iMinimum; }
    intXXL integerMaximum() const { return iMaximum; }
    intXXL integerStepUp() const { return iStepUp; }
    intXXL integerStepDown() const { return iStepDown; }
    bool setValue(const intXXL &v);
    bool setRange(const intXXL &a, const intXXL &b, const intXXL &s);
    // Exactly one step whatever the size of `steps`: up by max(step up, 1)
    // when steps >= 1, else down by max(step down, 1); past an end it wraps
    // to the other end when wrapping is on.
    intXXL steppedInteger(int steps) const;

    bool wrapping = false;
    bool readOnly = false;
    // Set by every setValue.
    int stepFlags() const { return flags; }

private:
    // Signed or unsigned order of the kind.
    bool less(const intXXL &a, const intXXL &b) const;
    intXXL clamped(const intXXL &v) const;
    void updateFlags(bool belowMaximum, bool aboveMinimum);

    bool floating = true;
    int bits = 32;
    bool signedValue = true;
    double fValue = 0.0, fMinimum = 0.0, fMaximum = 0.0, fStepUp = 0.0, fStepDown = 0.0;
    intXXL iValue, iMinimum, iMaximum, iStepUp, iStepDown;
    int flags = 0;
};

#endif
