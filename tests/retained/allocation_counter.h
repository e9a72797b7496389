// Test helper: counts the program's calls of operator new (replaced in allocation_counter.cpp).
#pragma once

#include <cstddef>

namespace testing_support {

std::size_t AllocationCount();

}  // namespace testing_support
