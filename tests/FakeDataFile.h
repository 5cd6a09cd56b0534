// A data file whose load result is chosen by the test and whose life is written to a shared log.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "model/DataFile.h"
#include "registry/DataFileRegistry.h"

namespace vqdf::testing {

struct ReaderLog {
    std::vector<std::wstring> events;  // "make json <path>", "load <path>", "release", "destroy"
    bool loadSucceeds = true;
};

class FakeDataFile : public CDataFileBase {
public:
    explicit FakeDataFile(std::shared_ptr<ReaderLog> log) : log_(std::move(log)) {}
    ~FakeDataFile() override { log_->events.push_back(L"destroy"); }

    uint32_t Load(const std::wstring& path) override {
        log_->events.push_back(L"load " + path);
        return log_->loadSucceeds ? 1 : 0;
    }
    SpecialParamMap* GetSpecialParameter() override { return &special; }
    ExtendSpec* GetExtendSpec() override { return &extend; }
    int32_t GetParamIDS(ParamIdMap* out) override {
        *out = ids;
        return 1;
    }
    int32_t GetSpecAdvUserSeq(std::vector<FunctionBlock*>*) override { return 0; }
    int32_t HasReservedCount() override { return 0; }
    int32_t GetReservedCount() override { return 0; }
    int32_t GetParaStatusNum() override { return 0; }
    int32_t GetParaControlNum() override { return 0; }
    void ReleaseTables() override { log_->events.push_back(L"release"); }

    DeviceInfo& Device() { return device_; }
    MessageSpec& Messages() { return message_; }

    SpecialParamMap special;
    ExtendSpec extend{};
    ParamIdMap ids;

private:
    std::shared_ptr<ReaderLog> log_;
};

// A factory that makes fakes and logs which reader the registry asked for.
inline ReaderFactory FakeFactory(std::shared_ptr<ReaderLog> log) {
    return [log](ReaderKind kind, const std::wstring& path) -> std::unique_ptr<IDataFile> {
        log->events.push_back(
            std::wstring(kind == ReaderKind::Json ? L"make json " : L"make inv ") + path);
        return std::make_unique<FakeDataFile>(log);
    };
}

}  // namespace vqdf::testing
