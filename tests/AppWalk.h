// Loading a file through the application object, as the exports do, and walking every table a
// host can reach; the device's diagnosis numbers, which no export hands out, are walked too.
#pragma once

#include <string>

#include "HostWalk.h"
#include "boundary/DataFileReaderApp.h"

namespace vqdf::testing {

struct AppGetters {
    CvqDataFileReaderApp& app;
    const wchar_t* model;
    const wchar_t* version;

    int32_t Device(DeviceInfo* out) const { return app.GetDeviceInfo(model, version, out); }
    IOSpec* IO() const { return app.GetIOSpec(model, version); }
    TripSpec* Trip() const { return app.GetTripSpec(model, version); }
    MessageSpec* Messages() const { return app.GetMessageSpec(model, version); }
    CommonSpec* Common() const { return app.GetCommonSpec(model, version); }
    ParaSpec* Para() const { return app.GetParaSpec(model, version); }
    InitOrder* Init() const { return app.GetInitOrder(model, version); }
    ExtendSpec* Extend() const { return app.GetExtendSpec(model, version); }
    SpecialParamMap* Special() const { return app.GetSpecialParameter(model, version); }
    void ParamIds(ParamIdMap* out) const { app.GetParamIDS(model, version, out); }
    void Blocks(std::vector<FunctionBlock*>* out) const {
        app.GetSpecAdvUserSeq(model, version, out);
    }
};

// Loads the file at path into a fresh application object; when it loads, walks every table of
// the key its name gives (see HostWalk for wholeBytes). Returns the status of the load.
inline int32_t LoadAndWalk(const std::wstring& path, std::size_t wholeBytes = kWholeTableBytes) {
    CvqDataFileReaderApp app;
    const int32_t status = app.SetDataFilePath(path.c_str());
    const std::wstring key = CDataFileRegistry::KeyOfPath(path);
    const std::size_t split = key.find(L'_');
    if (status != 0 || split == std::wstring::npos) {
        return status;
    }
    const std::wstring model = key.substr(0, split);
    const std::wstring version = key.substr(split + 1);
    WalkEveryGetter(AppGetters{app, model.c_str(), version.c_str()}, wholeBytes);
    HostWalk diag(wholeBytes);
    if (IDataFile* file = app.Registry().FindDataFile(model, version)) {
        diag.Table(file->GetDeviceInfo()->DiagNumbers, file->GetDeviceInfo()->DiagNumberCount);
    }
    return status;
}

}  // namespace vqdf::testing
