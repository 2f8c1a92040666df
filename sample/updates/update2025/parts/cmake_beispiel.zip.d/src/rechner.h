#pragma once

#include <vector>

// Arithmetic mean; 0 for an empty list.
double mittelwert(const std::vector<double> &werte);
