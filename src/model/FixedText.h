// Reading the fixed-size text fields of the records: a field may fill its whole width without a
// terminator, so every read is bounded by the field.
#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

namespace vqdf {

inline std::string_view BoundedText(const char* field, std::size_t width) {
    const void* end = std::memchr(field, 0, width);
    return {field, end ? static_cast<std::size_t>(static_cast<const char*>(end) - field) : width};
}

inline std::u16string_view BoundedText(const char16_t* field, std::size_t width) {
    std::size_t length = 0;
    while (length < width && field[length] != 0) {
        ++length;
    }
    return {field, length};
}

template <std::size_t N>
std::string_view FieldText(const char (&field)[N]) {
    return BoundedText(field, N);
}

template <std::size_t N>
std::u16string_view FieldText(const char16_t (&field)[N]) {
    return BoundedText(field, N);
}

}  // namespace vqdf
