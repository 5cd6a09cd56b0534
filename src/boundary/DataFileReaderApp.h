// The library's application object: it owns the registry and carries out each export. One
// instance lives in the shared library from load to unload.
#pragma once

#include <cstdint>
#include <vector>

#include "registry/DataFileRegistry.h"
#include "vqDataFileReader.h"

namespace vqdf {

class CvqDataFileReaderApp {
public:
    CvqDataFileReaderApp();
    explicit CvqDataFileReaderApp(ReaderFactory factory);
    ~CvqDataFileReaderApp();
    CvqDataFileReaderApp(const CvqDataFileReaderApp&) = delete;
    CvqDataFileReaderApp& operator=(const CvqDataFileReaderApp&) = delete;

    bool InitInstance() { return true; }
    // Releases every data file; table pointers handed out before are invalid afterwards.
    int ExitInstance();

    CDataFileRegistry& Registry() { return registry_; }

    // The exports, with their texts already taken; none throws.
    int32_t SetDataFilePath(const wchar_t* path) noexcept;
    int32_t SetDataFileVer(const wchar_t* model, const wchar_t* version) noexcept;
    int32_t GetRecentDataFileVer(const wchar_t* model, const wchar_t* version) noexcept;
    int32_t GetDeviceInfo(const wchar_t* model, const wchar_t* version, void* buffer) noexcept;
    IOSpec* GetIOSpec(const wchar_t* model, const wchar_t* version) noexcept;
    TripSpec* GetTripSpec(const wchar_t* model, const wchar_t* version) noexcept;
    MessageSpec* GetMessageSpec(const wchar_t* model, const wchar_t* version) noexcept;
    CommonSpec* GetCommonSpec(const wchar_t* model, const wchar_t* version) noexcept;
    ParaSpec* GetParaSpec(const wchar_t* model, const wchar_t* version) noexcept;
    InitOrder* GetInitOrder(const wchar_t* model, const wchar_t* version) noexcept;
    ExtendSpec* GetExtendSpec(const wchar_t* model, const wchar_t* version) noexcept;
    SpecialParamMap* GetSpecialParameter(const wchar_t* model, const wchar_t* version) noexcept;
    void GetParamIDS(const wchar_t* model, const wchar_t* version, ParamIdMap* out) noexcept;
    void GetSpecAdvUserSeq(const wchar_t* model, const wchar_t* version,
                           std::vector<FunctionBlock*>* out) noexcept;

private:
    IDataFile* Find(const wchar_t* model, const wchar_t* version) const;

    CDataFileRegistry registry_;
};

}  // namespace vqdf
