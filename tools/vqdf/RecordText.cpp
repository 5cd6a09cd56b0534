// Text forms of record fields.
#include "RecordText.h"

namespace vqdf::cli {

std::string Hex(int32_t value) { return api::HexText(static_cast<uint32_t>(value)); }

}  // namespace vqdf::cli
