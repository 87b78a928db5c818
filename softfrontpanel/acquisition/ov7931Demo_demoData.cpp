#include "ov7931Demo_demoData.h"

#include <cmath>
#include <cstdlib>

double demoPhase = 0.0;

void generateDemoBlock(double *plotData, int scanCount, const bool enabled[16], const int plotKind[16])
{
    if (scanCount > 0) {
        int k = 0;
        for (int c = 0; c < 16; ++c) {
            if (!enabled[c])
                continue;
            double *segment = plotData + static_cast<long>(k) * scanCount;
            const int kind = plotKind[c];
            if (kind >= 0 && kind <= 2) {
                for (int s = 0; s < scanCount; ++s) {
                    const double x = s * (k + 1) * 1.2 * 6.283185307179586 / scanCount + demoPhase;
                    switch (kind) {
                    case 0:
                        segment[s] = std::sin(x);
                        break;
                    case 1:
                        segment[s] = std::sin(x) + 1000.0 + (std::rand() % 20) / 20.0 - 0.5;
                        break;
                    default:
                        segment[s] = std::sin(x) + 100.0 + ((std::rand() % 20) / 20.0 - 0.5) / 10.0;
                        break;
                    }
                }
            }
            ++k;
        }
    }
    demoPhase += 0.05;
}
