// Record images in the order and the streams that the legacy format stores them.
#include "compound/LegacyWriter.h"

#include <cstdint>
#include <cstring>

#include "compound/LegacyFormat.h"
#include "model/RecordLayout.h"

namespace vqdf {
namespace {

using platform::CompoundNode;

std::string BytesOf(const void* data, std::size_t size) {
    return std::string(static_cast<const char*>(data), size);
}

// The count's entries, or zero bytes of the same size when the table has no array.
template <typename T>
std::string TableBytes(const T* table, int32_t count) {
    if (count <= 0) {
        return {};
    }
    const std::size_t size = static_cast<std::size_t>(count) * sizeof(T);
    return table == nullptr ? std::string(size, '\0') : BytesOf(table, size);
}

template <typename T>
void SetTable(CompoundNode& storage, std::string_view name, const T* table, int32_t count) {
    if (count > 0 && table != nullptr) {
        storage.SetStream(name, TableBytes(table, count));
    }
}

template <typename T>
void SetSplit(CompoundNode& storage, std::string_view name, const T* first, int32_t firstCount,
              const T* second, int32_t secondCount) {
    if ((firstCount > 0 && first != nullptr) || (secondCount > 0 && second != nullptr)) {
        storage.SetStream(name, TableBytes(first, firstCount) + TableBytes(second, secondCount));
    }
}

void AddDevice(CompoundNode& root, const DeviceInfo& device) {
    CompoundNode& storage = root.Storage(legacy::kDeviceSpec);
    storage.SetStream(legacy::kDeviceInfo, BytesOf(&device, layout::kDeviceImageBytes));
    SetTable(storage, legacy::kDiagNumber, device.DiagNumbers, device.DiagNumberCount);
}

void AddIO(CompoundNode& root, const IOSpec& io) {
    CompoundNode& storage = root.Storage(legacy::kIOSpec);
    storage.SetStream(legacy::kIOInfo, BytesOf(&io, layout::kIOImageBytes));
    SetSplit(storage, legacy::kTerminalInfo, io.InputTerminals, io.InputCount, io.OutputTerminals,
             io.OutputCount);
    SetSplit(storage, legacy::kIOFuncMsgTitle, io.InputFuncTitles, io.InputFuncTitleCount,
             io.OutputFuncTitles, io.OutputFuncTitleCount);
}

void AddTrips(CompoundNode& root, const TripSpec& trip) {
    CompoundNode& storage = root.Storage(legacy::kTripSpec);
    storage.SetStream(legacy::kTripInfo, BytesOf(&trip, layout::kTripImageBytes));
    SetSplit(storage, legacy::kTripName, trip.TripNames, trip.TripCount, trip.WarnNames,
             trip.WarnCount);
    SetSplit(storage, legacy::kCommAddr, trip.TripAddr, trip.TripAddrCount, trip.WarnAddr,
             trip.WarnAddrCount);
    SetSplit(storage, legacy::kTripInfoData, trip.TripStatusInfoData, trip.TripStatusInfoCount,
             trip.WarnStatusInfoData, trip.WarnStatusInfoCount);
}

void AddMessages(CompoundNode& root, const MessageSpec& message) {
    CompoundNode& storage = root.Storage(legacy::kMessageSpec);
    storage.SetStream(legacy::kTotalMessage, BytesOf(&message.MessageCount, sizeof(int32_t)));
    if (message.MessageCount <= 0 || message.Messages == nullptr) {
        return;
    }
    std::string counts;
    std::string titles;
    for (int32_t m = 0; m < message.MessageCount; ++m) {
        const MessageInfo& entry = message.Messages[m];
        counts += BytesOf(&entry.TitleInfoCount, sizeof(int32_t));
        titles += TableBytes(entry.TitleInfo, entry.TitleInfoCount);
    }
    storage.SetStream(legacy::kMsgTitleNum, std::move(counts));
    if (!titles.empty()) {
        storage.SetStream(legacy::kMsgTitle, std::move(titles));
    }
}

void AddCommon(CompoundNode& root, const CommonSpec& common) {
    CompoundNode& storage = root.Storage(legacy::kCommonSpec);
    storage.SetStream(legacy::kTotalCommon, BytesOf(&common.CommonCount, sizeof(int32_t)));
    SetTable(storage, legacy::kCommonInfo, common.CommonParams, common.CommonCount);
}

void AddGroups(CompoundNode& root, const ParaSpec& para) {
    CompoundNode& storage = root.Storage(legacy::kParameterSpec);
    storage.SetStream(legacy::kTotalGroup, BytesOf(&para.GroupCount, sizeof(int32_t)));
    for (int32_t n = 0; para.Groups != nullptr && n < para.GroupCount; ++n) {
        const GroupInfo& group = para.Groups[n];
        CompoundNode& groupStorage = storage.Storage(legacy::GroupStorageName(n));
        groupStorage.SetStream(legacy::kGroupInfo, BytesOf(&group, layout::kGroupImageBytes));
        SetTable(groupStorage, legacy::kParameter, group.Parameters, group.ParameterCount);
    }
}

void AddInitOrder(CompoundNode& root, const InitOrder& initOrder) {
    CompoundNode& storage = root.Storage(legacy::kInitOrder);
    storage.SetStream(legacy::kTotalInitOrder, BytesOf(&initOrder.InitOrderCount, sizeof(int32_t)));
    SetTable(storage, legacy::kInitOrderParaAddr, initOrder.InitOrderAddrs,
             initOrder.InitOrderCount);
}

}  // namespace

CompoundNode LegacyTree(IDataFile& file) {
    CompoundNode root;
    AddDevice(root, *file.GetDeviceInfo());
    AddIO(root, *file.GetIOSpec());
    AddTrips(root, *file.GetTripSpec());
    AddMessages(root, *file.GetMessageSpec());
    AddCommon(root, *file.GetCommonSpec());
    AddGroups(root, *file.GetParaSpec());
    AddInitOrder(root, *file.GetInitOrder());
    return root;
}

bool WriteLegacyDataFile(IDataFile& file, const std::string& path, std::string& error) {
    return WriteCompoundFile(path, LegacyTree(file), error);
}

}  // namespace vqdf
