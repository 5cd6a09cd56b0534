// One read call per stream, from its start; a short stream is not an error.
#include "compound/LegacyStreams.h"

#include <algorithm>
#include <cstring>

namespace vqdf {

bool CLegacyStreams::Open(const std::wstring& name) {
    return file_.OpenStream(name, stream_, kReadShareExclusive);
}

StreamRead CLegacyStreams::ReadOpen(void* target, std::size_t bytes) {
    const std::optional<std::size_t> read = stream_.Read(target, bytes);
    stream_.Close();
    const std::size_t supplied = std::min(read.value_or(0), bytes);
    std::memset(static_cast<char*>(target) + supplied, 0, bytes - supplied);
    return read ? StreamRead::Done : StreamRead::Failed;
}

StreamRead CLegacyStreams::ReadImage(const std::wstring& name, void* target, std::size_t bytes) {
    if (!Open(name)) {
        return StreamRead::Skipped;
    }
    return ReadOpen(target, bytes);
}

}  // namespace vqdf
