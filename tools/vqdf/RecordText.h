// Reading the records as text: each text field decoded in the encoding the readers store it
// in, numbers scaled by their decimal point, addresses in hexadecimal.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "model/FixedText.h"
#include "model/ParameterTypes.h"
#include "vqDataFileReader.h"

namespace vqdf::cli {

// Titles of terminals, parameters, groups and common parameters are stored in the 8-bit code
// page; message titles, parameter units and the device texts in UTF-8.
enum class FieldEncoding { CodePage, Utf8 };

std::string DecodeField(std::string_view bytes, FieldEncoding encoding);

template <std::size_t N>
std::string CodePageText(const char (&field)[N]) {
    return DecodeField(FieldText(field), FieldEncoding::CodePage);
}
template <std::size_t N>
std::string Utf8Text(const char (&field)[N]) {
    return DecodeField(FieldText(field), FieldEncoding::Utf8);
}
std::string DecodeUtf16(std::u16string_view text);
template <std::size_t N>
std::string Utf16Text(const char16_t (&field)[N]) {
    return DecodeUtf16(FieldText(field));
}

// "0x1234": four digits at least, upper case.
std::string Hex(int32_t value);

// A value with its decimal point: 1234 with 2 points is "12.34". Points outside 0 to 9 show
// the raw value.
std::string Scaled(int32_t value, int32_t points);

// The message table entry of an enumerated parameter, or null.
const MessageInfo* MessageOf(const MessageSpec& messages, int32_t index);

// The name of value v in a message list, or empty when it has none.
std::string ValueName(const MessageInfo* message, int32_t value);

// The 16-bit address of group g, code c: KeypadCommOffset16 + 256 g + c, kept to 16 bits.
uint32_t Address16(const DeviceInfo& device, int32_t groupNum, int32_t codeNum);

}  // namespace vqdf::cli
