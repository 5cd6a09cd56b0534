// The registry's default readers: JSON data files and legacy compound files.
#include "compound/DataFileInfo.h"
#include "json/DataFileV2.h"
#include "registry/DataFileRegistry.h"

namespace vqdf {

std::unique_ptr<IDataFile> MakeReader(ReaderKind kind, const std::wstring& path) {
    if (kind == ReaderKind::Json) {
        return std::make_unique<CDataFileV2>();
    }
    return std::make_unique<CDataFileInfo>(path);
}

}  // namespace vqdf
