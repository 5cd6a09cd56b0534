// What a parameter's data type says about its other fields.
#pragma once

#include <cstdint>

namespace vqdf {

// An enumerated parameter: its decimal point (Point32) is the index of its message list.
constexpr int32_t kMessageDataType = 255;

}  // namespace vqdf
