// Reading the records as text: numbers scaled by their decimal point, addresses in hexadecimal,
// the names of enumerated values.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "DataFileApi.h"

namespace vqdf::cli {

using api::CodePageText;
using api::Utf16Text;
using api::Utf8Text;

// "0x1234": four digits at least, upper case.
std::string Hex(int32_t value);

// A value with its decimal point: 1234 with 2 points is "12.34". Points outside 0 to 9 show
// the raw value.
std::string Scaled(int32_t value, int32_t points);

// The message table entry of an enumerated parameter, or null.
const MessageInfo* MessageOf(const MessageSpec& messages, int32_t index);

// Equal without regard to the case of ASCII letters.
bool SameText(const std::string& a, const std::string& b);

// The group of that number, or else of that title without regard to case; null when none.
const GroupInfo* FindGroup(const ParaSpec& para, const std::string& wanted);

// The name of value v in a message list, or empty when it has none.
std::string ValueName(const MessageInfo* message, int32_t value);

}  // namespace vqdf::cli
