#pragma once

#include <string_view>

namespace plotaktar {

// The decimal text of a non-negative number, from a pool that lives as long as the program,
// so that running row numbers can be stored in cells without a copy of their own.
std::string_view PooledNumberText(int number);

}  // namespace plotaktar
