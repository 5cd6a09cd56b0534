// The exports carried out on the registry. No exception leaves here: a failure the runtime
// raises (memory exhausted) answers as any other failure of the export.
#include "boundary/DataFileReaderApp.h"

#include <cstring>
#include <string>

#include "platform/Runtime.h"

namespace vqdf {
namespace {

// A null text argument reads as the empty text.
std::wstring Text(const wchar_t* text) { return text == nullptr ? std::wstring() : text; }
std::wstring_view View(const wchar_t* text) {
    return text == nullptr ? std::wstring_view() : std::wstring_view(text);
}

template <typename Result, typename Operation>
Result Guarded(Result failure, Operation operation) noexcept {
    try {
        return operation();
    } catch (...) {
        return failure;
    }
}

// The device query copies the fixed image only, not the pointer that follows it.
constexpr std::size_t kDeviceImageBytes = 100;

}  // namespace

CvqDataFileReaderApp::CvqDataFileReaderApp() : CvqDataFileReaderApp(MakeReader) {}

CvqDataFileReaderApp::CvqDataFileReaderApp(ReaderFactory factory) : registry_(std::move(factory)) {
    platform::SetUtf8Locale();
    InitInstance();
}

CvqDataFileReaderApp::~CvqDataFileReaderApp() { ExitInstance(); }

int CvqDataFileReaderApp::ExitInstance() {
    registry_.RemoveAllDataFiles();
    return 0;
}

IDataFile* CvqDataFileReaderApp::Find(const wchar_t* model, const wchar_t* version) const {
    return registry_.FindDataFile(View(model), View(version));
}

int32_t CvqDataFileReaderApp::SetDataFilePath(const wchar_t* path) noexcept {
    return Guarded<int32_t>(1, [&] { return registry_.SetDataFilePath(Text(path)); });
}

int32_t CvqDataFileReaderApp::SetDataFileVer(const wchar_t* model,
                                             const wchar_t* version) noexcept {
    return Guarded<int32_t>(1,
                            [&] { return registry_.SetDataFileVer(Text(model), Text(version)); });
}

int32_t CvqDataFileReaderApp::GetRecentDataFileVer(const wchar_t* model,
                                                   const wchar_t* version) noexcept {
    return Guarded<int32_t>(
        -1, [&] { return registry_.GetRecentDataFileVer(View(model), View(version)); });
}

int32_t CvqDataFileReaderApp::GetDeviceInfo(const wchar_t* model, const wchar_t* version,
                                            void* buffer) noexcept {
    return Guarded<int32_t>(1, [&] {
        IDataFile* file = Find(model, version);
        if (file == nullptr || buffer == nullptr) {
            return 1;
        }
        std::memcpy(buffer, file->GetDeviceInfo(), kDeviceImageBytes);
        return 0;
    });
}

// The table getters: the record of the registered data file, or null.
#define VQDF_TABLE_GETTER(Type, Name)                                                         \
    Type* CvqDataFileReaderApp::Name(const wchar_t* model, const wchar_t* version) noexcept { \
        return Guarded<Type*>(nullptr, [&]() -> Type* {                                       \
            IDataFile* file = Find(model, version);                                           \
            return file == nullptr ? nullptr : file->Name();                                  \
        });                                                                                   \
    }

VQDF_TABLE_GETTER(IOSpec, GetIOSpec)
VQDF_TABLE_GETTER(TripSpec, GetTripSpec)
VQDF_TABLE_GETTER(CommonSpec, GetCommonSpec)
VQDF_TABLE_GETTER(ParaSpec, GetParaSpec)
VQDF_TABLE_GETTER(InitOrder, GetInitOrder)
VQDF_TABLE_GETTER(ExtendSpec, GetExtendSpec)
VQDF_TABLE_GETTER(SpecialParamMap, GetSpecialParameter)
#undef VQDF_TABLE_GETTER

MessageSpec* CvqDataFileReaderApp::GetMessageSpec(const wchar_t* model,
                                                  const wchar_t* version) noexcept {
    return Guarded<MessageSpec*>(
        nullptr, [&] { return registry_.FindMessageSpec(View(model), View(version)); });
}

void CvqDataFileReaderApp::GetParamIDS(const wchar_t* model, const wchar_t* version,
                                       ParamIdMap* out) noexcept {
    Guarded<int32_t>(0, [&] {
        IDataFile* file = Find(model, version);
        return file == nullptr || out == nullptr ? 0 : file->GetParamIDS(out);
    });
}

void CvqDataFileReaderApp::GetSpecAdvUserSeq(const wchar_t* model, const wchar_t* version,
                                             std::vector<FunctionBlock*>* out) noexcept {
    Guarded<int32_t>(0, [&] {
        IDataFile* file = Find(model, version);
        return file == nullptr || out == nullptr ? 0 : file->GetSpecAdvUserSeq(out);
    });
}

}  // namespace vqdf
