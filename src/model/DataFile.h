// The interface of one loaded data file and the base that both readers share: the path and the
// seven records that every format fills.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "model/LoadObserver.h"
#include "model/RecordLayout.h"
#include "vqDataFileReader.h"

namespace vqdf {

// Twenty operations in a fixed slot order; both readers implement them.
class IDataFile {
public:
    virtual ~IDataFile() = default;
    virtual uint32_t Load(const std::wstring& path);
    virtual std::wstring GetFilePath() const = 0;
    virtual void SetFilePath(const std::wstring& path) = 0;
    virtual DeviceInfo* GetDeviceInfo() = 0;
    virtual IOSpec* GetIOSpec() = 0;
    virtual TripSpec* GetTripSpec() = 0;
    virtual MessageSpec* GetMessageSpec() = 0;
    virtual CommonSpec* GetCommonSpec() = 0;
    virtual ParaSpec* GetParaSpec() = 0;
    virtual InitOrder* GetInitOrder() = 0;
    virtual SpecialParamMap* GetSpecialParameter() = 0;
    virtual ExtendSpec* GetExtendSpec() = 0;
    virtual int32_t GetParamIDS(ParamIdMap* out) = 0;
    virtual int32_t GetSpecAdvUserSeq(std::vector<FunctionBlock*>* out) = 0;
    virtual int32_t HasReservedCount() = 0;
    virtual int32_t GetReservedCount() = 0;
    virtual int32_t GetParaStatusNum() = 0;
    virtual int32_t GetParaControlNum() = 0;
    virtual void ReleaseTables() = 0;
};

// The path and the shared records; slots 2 to 10 are served here for both formats.
class CDataFileBase : public IDataFile {
public:
    std::wstring GetFilePath() const override { return path_; }
    void SetFilePath(const std::wstring& path) override { path_ = path; }
    DeviceInfo* GetDeviceInfo() override { return &device_; }
    IOSpec* GetIOSpec() override { return &io_; }
    TripSpec* GetTripSpec() override { return &trip_; }
    MessageSpec* GetMessageSpec() override { return &message_; }
    CommonSpec* GetCommonSpec() override { return &common_; }
    ParaSpec* GetParaSpec() override { return &para_; }
    InitOrder* GetInitOrder() override { return &initOrder_; }

    // The Max of the first parameter whose title contains the text, group by group; a hit whose
    // Max is 0 lets the search go on with the next group.
    int32_t FindParamCount(const std::wstring& text);

    // Tells the observer what the next loads skip, cut or fail on; null, the default, tells
    // nobody. The observer must outlive those loads.
    void SetObserver(ILoadObserver* observer) { observer_ = observer; }

    // How many bytes of a table its file supplied, where the file supplied fewer than the
    // table's count asks (a damaged file: the rest is zero); none where it supplied them all.
    std::optional<std::size_t> HeldBytes(const void* table) const {
        const auto found = heldBytes_.find(table);
        return found == heldBytes_.end() ? std::nullopt : std::optional(found->second);
    }

    // Receives the trace line of this reader's loads in place of the platform's debugger channel
    // (the tools, the tests); empty, the default, leaves the line to that channel. The receiver
    // belongs to this reader alone, so loads on other threads never reach it.
    using TraceReceiver = std::function<void(const std::wstring& line)>;
    void SetTraceReceiver(TraceReceiver receiver) { traceReceiver_ = std::move(receiver); }

protected:
    // Frees every table array but the four lists of names, whose owner differs by format.
    void FreeOwnedTables();

    std::wstring path_;
    DeviceInfo device_{};
    IOSpec io_{};
    TripSpec trip_{};
    MessageSpec message_{};
    CommonSpec common_{};
    ParaSpec para_{};
    InitOrder initOrder_{};
    ILoadObserver* observer_ = nullptr;
    TraceReceiver traceReceiver_;
    std::map<const void*, std::size_t> heldBytes_;
    // One past the last group and message entry that may hold an array of its own; a reader
    // that leaves the entries after it untouched says so, and releasing need not visit them.
    int64_t groupArraysEnd_ = INT64_MAX;
    int64_t messageArraysEnd_ = INT64_MAX;
};

}  // namespace vqdf
