// The JSON reader's own operations: its tables, titles and units, addresses and release.
#include "json/DataFileV2.h"

#include <algorithm>

#include "json/TitleFormat.h"
#include "model/ParameterAddress.h"
#include "model/TableMemory.h"

namespace vqdf {

CDataFileV2::~CDataFileV2() { ReleaseTables(); }

int32_t CDataFileV2::GetParamIDS(ParamIdMap* out) {
    if (paramIds_.Empty() || out == nullptr) {
        return 0;
    }
    paramIds_.CopyTo(*out);
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

// Titles are kept in UTF-8 and filled on the bytes of the thread's code page, in which ASCII
// stands as it does in UTF-8: a title and value of ASCII, as most are, go through without a
// conversion. Filled or not, a title whose value text is empty comes back as the table has it.
std::string_view CDataFileV2::TitleText(uint32_t titleId, const std::wstring& value) {
    const std::string_view text = titles_.Find(titleId);
    if (text.empty() || value.empty()) {
        return text;
    }
    const bool asciiValue = std::all_of(value.begin(), value.end(),
                                        [](wchar_t c) { return static_cast<uint32_t>(c) < 0x80; });
    if (json::IsAscii(text) && asciiValue) {
        formatted_ = CParamTitle().FormatBytes(text, std::string(value.begin(), value.end()));
    } else {
        const std::wstring wide = CParamTitle().FormatTitle(
            platform::MultiByteToWide(platform::CodePage::Utf8, text), value);
        formatted_ = platform::WideToMultiByte(platform::CodePage::Utf8, wide);
    }
    return formatted_.empty() ? text : std::string_view(formatted_);
}

std::wstring CDataFileV2::BuildTitle(uint32_t titleId, const std::wstring& value) {
    return platform::MultiByteToWide(platform::CodePage::Utf8, TitleText(titleId, value));
}

std::wstring CDataFileV2::BuildTitle(uint32_t titleId, int32_t value) {
    return BuildTitle(titleId, value == -1 ? std::wstring() : std::to_wstring(value));
}

std::wstring CDataFileV2::BuildUnit(uint32_t unitId) {
    return platform::MultiByteToWide(platform::CodePage::Utf8, units_.Find(unitId));
}

uint32_t CDataFileV2::CommAddress16(uint32_t paramId) const {
    const ParamLocation* at = paramIds_.Find(paramId);
    return at == nullptr
               ? 0
               : vqdf::CommAddress16(device_.KeypadCommOffset16, at->GroupNum, at->CodeNum);
}

uint32_t CDataFileV2::CommAddress32(uint32_t paramId) const {
    const ParamLocation* at = paramIds_.Find(paramId);
    return at == nullptr
               ? 0
               : vqdf::CommAddress32(extend_.KeypadCommOffset32, at->GroupNum, at->CodeNum);
}

}  // namespace vqdf
