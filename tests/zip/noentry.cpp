// SPDX-License-Identifier: GPL-3.0-or-later
// A library that loads but has none of the engines' entry points.
extern "C" __attribute__((visibility("default"))) int tvNotAnEngine()
{
    return 1;
}
