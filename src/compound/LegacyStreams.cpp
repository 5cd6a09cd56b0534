// One read call per stream, from its start; a short stream is not an error.
#include "compound/LegacyStreams.h"

namespace vqdf {

bool CLegacyStreams::Open(const std::wstring& name) {
    return file_.OpenStream(name, stream_, kReadShareExclusive);
}

StreamRead CLegacyStreams::ReadOpen(void* target, std::size_t bytes) {
    const bool read = stream_.Read(target, bytes).has_value();
    stream_.Close();
    return read ? StreamRead::Done : StreamRead::Failed;
}

StreamRead CLegacyStreams::ReadImage(const std::wstring& name, void* target, std::size_t bytes) {
    if (!Open(name)) {
        return StreamRead::Skipped;
    }
    return ReadOpen(target, bytes);
}

}  // namespace vqdf
