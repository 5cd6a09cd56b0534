// The temperature-unit placeholders of message titles.
#pragma once

#include "vqDataFileReader.h"

namespace vqdf {

// A title that begins with the byte 5 and the letter C or F becomes the degree sign (UTF-8) and
// that letter, terminated; the rest of its 30 bytes stays. Later calls find nothing to rewrite.
void RewriteDegreeSigns(MessageSpec& table);

}  // namespace vqdf
