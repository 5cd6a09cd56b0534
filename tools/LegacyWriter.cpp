// Record images in the order and the streams that the legacy format stores them.
#include "LegacyWriter.h"

#include <cstdint>
#include <cstring>

namespace vqdf::tools {
namespace {

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
void SetTable(CompoundNode& storage, const std::string& name, const T* table, int32_t count) {
    if (count > 0 && table != nullptr) {
        storage.SetStream(name, TableBytes(table, count));
    }
}

template <typename T>
void SetSplit(CompoundNode& storage, const std::string& name, const T* first, int32_t firstCount,
              const T* second, int32_t secondCount) {
    if ((firstCount > 0 && first != nullptr) || (secondCount > 0 && second != nullptr)) {
        storage.SetStream(name, TableBytes(first, firstCount) + TableBytes(second, secondCount));
    }
}

void AddDevice(CompoundNode& root, const DeviceInfo& device) {
    CompoundNode& storage = root.Storage("Device Spec");
    storage.SetStream("Device Info", BytesOf(&device, 100));
    SetTable(storage, "Diag Number", device.DiagNumbers, device.DiagNumberCount);
}

void AddIO(CompoundNode& root, const IOSpec& io) {
    CompoundNode& storage = root.Storage("IO Spec");
    storage.SetStream("IO Info", BytesOf(&io, 32));
    SetSplit(storage, "Terminal Info", io.InputTerminals, io.InputCount, io.OutputTerminals,
             io.OutputCount);
    SetSplit(storage, "IO Func Msg Title", io.InputFuncTitles, io.InputFuncTitleCount,
             io.OutputFuncTitles, io.OutputFuncTitleCount);
}

void AddTrips(CompoundNode& root, const TripSpec& trip) {
    CompoundNode& storage = root.Storage("Trip Spec");
    storage.SetStream("Trip Info", BytesOf(&trip, 32));
    SetSplit(storage, "Trip Name", trip.TripNames, trip.TripCount, trip.WarnNames, trip.WarnCount);
    SetSplit(storage, "Comm Addr", trip.TripAddr, trip.TripAddrCount, trip.WarnAddr,
             trip.WarnAddrCount);
    SetSplit(storage, "Trip Info Data", trip.TripStatusInfoData, trip.TripStatusInfoCount,
             trip.WarnStatusInfoData, trip.WarnStatusInfoCount);
}

void AddMessages(CompoundNode& root, const MessageSpec& message) {
    CompoundNode& storage = root.Storage("Message Spec");
    storage.SetStream("Total Message", BytesOf(&message.MessageCount, sizeof(int32_t)));
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
    storage.SetStream("Msg Title Num", std::move(counts));
    if (!titles.empty()) {
        storage.SetStream("Msg Title", std::move(titles));
    }
}

void AddCommon(CompoundNode& root, const CommonSpec& common) {
    CompoundNode& storage = root.Storage("Common Spec");
    storage.SetStream("Total Common", BytesOf(&common.CommonCount, sizeof(int32_t)));
    SetTable(storage, "Common Info", common.CommonParams, common.CommonCount);
}

void AddGroups(CompoundNode& root, const ParaSpec& para) {
    CompoundNode& storage = root.Storage("Parameter Spec");
    storage.SetStream("Total Group", BytesOf(&para.GroupCount, sizeof(int32_t)));
    for (int32_t n = 0; para.Groups != nullptr && n < para.GroupCount; ++n) {
        const GroupInfo& group = para.Groups[n];
        CompoundNode& groupStorage = storage.Storage("Group-" + std::to_string(n));
        groupStorage.SetStream("Group Info", BytesOf(&group, 24));
        SetTable(groupStorage, "Parameter", group.Parameters, group.ParameterCount);
    }
}

void AddInitOrder(CompoundNode& root, const InitOrder& initOrder) {
    CompoundNode& storage = root.Storage("Init Order");
    storage.SetStream("Total Init Order", BytesOf(&initOrder.InitOrderCount, sizeof(int32_t)));
    SetTable(storage, "Init Order Para Addr", initOrder.InitOrderAddrs, initOrder.InitOrderCount);
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

}  // namespace vqdf::tools
