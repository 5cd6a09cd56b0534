// The communication addresses of a parameter, computed from its group and code numbers and a
// base the device gives. Both are register addresses of the drive, kept to 16 bits.
#pragma once

#include <cstdint>

namespace vqdf {

// 16-bit access: KeypadCommOffset16 + 256 g + c.
constexpr uint32_t CommAddress16(int32_t keypadCommOffset16, uint32_t groupNum, uint32_t codeNum) {
    return (groupNum * 256u + static_cast<uint32_t>(keypadCommOffset16) + codeNum) & 0xFFFFu;
}

// 32-bit access, two registers a code: KeypadCommOffset32 + 2 (128 g + c).
constexpr uint32_t CommAddress32(int32_t keypadCommOffset32, uint32_t groupNum, uint32_t codeNum) {
    return ((groupNum * 128u + codeNum) * 2u + static_cast<uint32_t>(keypadCommOffset32)) & 0xFFFFu;
}

}  // namespace vqdf
