#pragma once

#include <string>

#include "bench_support.h"

namespace plotaktar::bench {

// A revision of a generated drawing, as a surveyor sends one back: 1 % of the detail points
// moved by half a metre, 0.5 % removed and as many added under new numbers, and the first 100
// parcels of four corners or more each divided into two (a triangle of its first three corners
// and the rest), the labels as they were. Writes BASE.gplt, BASE.yaz and BASE.yfn.
Drawing WriteRevision(const Drawing& drawing, const std::string& base);

}  // namespace plotaktar::bench
