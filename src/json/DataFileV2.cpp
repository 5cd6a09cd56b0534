// The JSON reader's own operations: its tables, titles and units, addresses and release.
#include "json/DataFileV2.h"

#include "json/TitleFormat.h"
#include "model/ParameterAddress.h"
#include "model/TableMemory.h"

namespace vqdf {

CDataFileV2::~CDataFileV2() { ReleaseTables(); }

int32_t CDataFileV2::GetParamIDS(ParamIdMap* out) {
    if (paramIds_.empty() || out == nullptr) {
        return 0;
    }
    // Copied whole before the caller's map changes, so that running out of memory leaves it as
    // it was.
    if (out != &paramIds_) {
        ParamIdMap copy(paramIds_);
        out->swap(copy);
    }
    return 1;
}

int32_t CDataFileV2::GetSpecAdvUserSeq(std::vector<FunctionBlock*>* out) {
    if (out == nullptr) {
        return 0;
    }
    return advUserSeq_.CopyBlocks(out) ? 1 : 0;
}

// Until "Device" gave the count, it is looked up on every call for as long as it stays 0.
int32_t CDataFileV2::GetParaStatusNum() {
    if (paraStatusNum_ == 0) {
        paraStatusNum_ = FindParamCount(L"Para Status Num");
    }
    return paraStatusNum_;
}

int32_t CDataFileV2::GetParaControlNum() {
    if (paraControlNum_ == 0) {
        paraControlNum_ = FindParamCount(L"Para Control Num");
    }
    return paraControlNum_;
}

// The function titles and the trip and warning names point into the message table: they are
// dropped, not freed. A second call finds only null pointers.
void CDataFileV2::ReleaseTables() {
    io_.InputFuncTitles = nullptr;
    io_.OutputFuncTitles = nullptr;
    trip_.TripNames = nullptr;
    trip_.WarnNames = nullptr;
    FreeOwnedTables();
}

std::wstring CDataFileV2::BuildTitle(uint32_t titleId, const std::wstring& value) {
    const auto found = titles_.find(titleId);
    if (found == titles_.end()) {
        return {};
    }
    const std::wstring& text = found->second;
    if (text.empty() || value.empty()) {
        return text;
    }
    std::wstring formatted = CParamTitle().FormatTitle(text, value);
    return formatted.empty() ? text : formatted;
}

std::wstring CDataFileV2::BuildTitle(uint32_t titleId, int32_t value) {
    return BuildTitle(titleId, value == -1 ? std::wstring() : std::to_wstring(value));
}

std::wstring CDataFileV2::BuildUnit(uint32_t unitId) {
    const auto found = units_.find(unitId);
    return found == units_.end() ? std::wstring() : found->second;
}

uint32_t CDataFileV2::CommAddress16(uint32_t paramId) const {
    const auto found = paramIds_.find(paramId);
    return found == paramIds_.end()
               ? 0
               : vqdf::CommAddress16(device_.KeypadCommOffset16, found->second.GroupNum,
                                     found->second.CodeNum);
}

uint32_t CDataFileV2::CommAddress32(uint32_t paramId) const {
    const auto found = paramIds_.find(paramId);
    return found == paramIds_.end()
               ? 0
               : vqdf::CommAddress32(extend_.KeypadCommOffset32, found->second.GroupNum,
                                     found->second.CodeNum);
}

}  // namespace vqdf
