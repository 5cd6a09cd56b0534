// Reading the records as text: numbers scaled by their decimal point, addresses in hexadecimal,
// the names of enumerated values.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "DataFileApi.h"
#include "DriveApi.h"

namespace vqdf::cli {

using api::CodePageText;
using api::Utf16Text;
using api::Utf8Text;

using api::FindGroup;
using api::MessageOf;
using api::Scaled;
using api::ValueName;

// "0x1234": four digits at least, upper case.
std::string Hex(int32_t value);

}  // namespace vqdf::cli
