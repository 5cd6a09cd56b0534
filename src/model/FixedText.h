// Reading the fixed-size text fields of the records: a field may fill its whole width without a
// terminator, so every read is bounded by the field.
#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

namespace vqdf {

template <std::size_t N>
std::string_view FieldText(const char (&field)[N]) {
    const void* end = std::memchr(field, 0, N);
    return {field, end ? static_cast<std::size_t>(static_cast<const char*>(end) - field) : N};
}

template <std::size_t N>
std::u16string_view FieldText(const char16_t (&field)[N]) {
    std::size_t length = 0;
    while (length < N && field[length] != 0) {
        ++length;
    }
    return {field, length};
}

}  // namespace vqdf
