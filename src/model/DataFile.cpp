// Operations shared by both data-file readers.
#include "model/DataFile.h"

#include <algorithm>

#include "model/FixedText.h"
#include "model/TableMemory.h"
#include "platform/CodePage.h"

namespace vqdf {

uint32_t IDataFile::Load(const std::wstring&) { return 0; }

int32_t CDataFileBase::FindParamCount(const std::wstring& text) {
    const ParaSpec* table = GetParaSpec();
    if (text.empty() || table->Groups == nullptr) {
        return 0;
    }
    int32_t result = 0;
    for (int32_t g = 0; g < table->GroupCount && result == 0; ++g) {
        const GroupInfo& group = table->Groups[g];
        if (group.Parameters == nullptr) {
            continue;
        }
        for (int32_t p = 0; p < group.ParameterCount; ++p) {
            const ParamInfo& param = group.Parameters[p];
            const std::wstring title =
                platform::MultiByteToWide(platform::CodePage::SystemAnsi, FieldText(param.Title));
            if (title.find(text) != std::wstring::npos) {
                result = param.Max;
                break;
            }
        }
    }
    return result;
}

void CDataFileBase::FreeOwnedTables() {
    heldBytes_.clear();
    FreeArray(device_.DiagNumbers);
    FreeArray(io_.InputTerminals);
    FreeArray(io_.OutputTerminals);
    FreeArray(trip_.TripStatusInfoData);
    FreeArray(trip_.WarnStatusInfoData);
    FreeArray(trip_.TripAddr);
    FreeArray(trip_.WarnAddr);
    if (message_.Messages != nullptr) {
        for (int64_t m = 0; m < std::min<int64_t>(message_.MessageCount, messageArraysEnd_); ++m) {
            FreeArray(message_.Messages[m].TitleInfo);
        }
    }
    FreeArray(message_.Messages);
    FreeArray(common_.CommonParams);
    if (para_.Groups != nullptr) {
        for (int64_t g = 0; g < std::min<int64_t>(para_.GroupCount, groupArraysEnd_); ++g) {
            FreeArray(para_.Groups[g].Parameters);
        }
    }
    FreeArray(para_.Groups);
    FreeArray(initOrder_.InitOrderAddrs);
}

}  // namespace vqdf
