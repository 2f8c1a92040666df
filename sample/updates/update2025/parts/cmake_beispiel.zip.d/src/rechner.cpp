#include "rechner.h"

#include <numeric>

double mittelwert(const std::vector<double> &werte)
{
    if (werte.empty())
        return 0.0;
    return std::accumulate(werte.begin(), werte.end(), 0.0) / double(werte.size());
}
