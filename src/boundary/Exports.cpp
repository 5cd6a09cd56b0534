// The fifteen exports of the shared library, each forwarded to the one application object.
#include "boundary/DataFileReaderApp.h"
#include "platform/Runtime.h"
#include "vqDataFileReader.h"

namespace {

// Constructed when the library is loaded, torn down when it is unloaded.
vqdf::CvqDataFileReaderApp theApp;

}  // namespace

extern "C" {

int32_t SetDataFile_Path(const wchar_t* path) { return theApp.SetDataFilePath(path); }

int32_t SetDataFile_Ver(const wchar_t* model, const wchar_t*, const wchar_t* version) {
    return theApp.SetDataFileVer(model, version);
}

int32_t GetRecentDataFile_Ver(const wchar_t* model, const wchar_t* version) {
    return theApp.GetRecentDataFileVer(model, version);
}

int32_t GetDeviceInfo(const wchar_t* model, const wchar_t*, const wchar_t* version, void* buffer) {
    return theApp.GetDeviceInfo(model, version, buffer);
}

IOSpec* GetIOSpec(const wchar_t* model, const wchar_t*, const wchar_t* version) {
    return theApp.GetIOSpec(model, version);
}

TripSpec* GetTripSpec(const wchar_t* model, const wchar_t*, const wchar_t* version) {
    return theApp.GetTripSpec(model, version);
}

MessageSpec* GetMessageSpec(const wchar_t* model, const wchar_t*, const wchar_t* version) {
    return theApp.GetMessageSpec(model, version);
}

CommonSpec* GetCommonSpec(const wchar_t* model, const wchar_t*, const wchar_t* version) {
    return theApp.GetCommonSpec(model, version);
}

ParaSpec* GetParaSpec(const wchar_t* model, const wchar_t*, const wchar_t* version) {
    return theApp.GetParaSpec(model, version);
}

InitOrder* GetInitOrder(const wchar_t* model, const wchar_t*, const wchar_t* version) {
    return theApp.GetInitOrder(model, version);
}

ExtendSpec* GetExtendSpec(const wchar_t* model, const wchar_t*, const wchar_t* version) {
    return theApp.GetExtendSpec(model, version);
}

SpecialParamMap* GetSpecialParameter(const wchar_t* model, const wchar_t* version, const wchar_t*) {
    return theApp.GetSpecialParameter(model, version);
}

void GetParamIDS(const wchar_t* model, const wchar_t* version, const wchar_t*, ParamIdMap* out) {
    theApp.GetParamIDS(model, version, out);
}

void GetSpecAdvUserSeq(const wchar_t* model, const wchar_t* version, const wchar_t*,
                       std::vector<FunctionBlock*>* out) {
    theApp.GetSpecAdvUserSeq(model, version, out);
}

void vq_free(void* p) { vqdf::platform::FreeLocal(p); }
}
