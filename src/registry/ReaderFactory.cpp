// Which reader a path calls for, and the registry's default readers: JSON data files and legacy
// compound files.
#include "compound/DataFileInfo.h"
#include "json/DataFileV2.h"
#include "json/JsonFormat.h"
#include "registry/DataFileRegistry.h"

namespace vqdf {

ReaderKind ReaderKindOfPath(const std::wstring& path) {
    const std::string_view extension = json::kDataFileExtension;
    return path.find(std::wstring(extension.begin(), extension.end())) != std::wstring::npos
               ? ReaderKind::Json
               : ReaderKind::Legacy;
}

std::unique_ptr<CDataFileBase> MakeReader(ReaderKind kind, const std::wstring& path) {
    if (kind == ReaderKind::Json) {
        return std::make_unique<CDataFileV2>();
    }
    return std::make_unique<CDataFileInfo>(path);
}

}  // namespace vqdf
