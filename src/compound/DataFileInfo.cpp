// The legacy reader's tables and their release.
#include "compound/DataFileInfo.h"

#include "model/TableMemory.h"

namespace vqdf {

CDataFileInfo::CDataFileInfo(const std::wstring& path) { path_ = path; }

// The compound-file loader is not part of this build yet: every load reports failure.
uint32_t CDataFileInfo::Load(const std::wstring&) { return 0; }

// The function titles and the trip and warning names are arrays of their own in a legacy file.
void CDataFileInfo::ReleaseTables() {
    FreeArray(io_.InputFuncTitles);
    FreeArray(io_.OutputFuncTitles);
    FreeArray(trip_.TripNames);
    FreeArray(trip_.WarnNames);
    FreeOwnedTables();
}

}  // namespace vqdf
