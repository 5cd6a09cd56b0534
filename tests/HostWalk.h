// Reads every entry that the records' counts promise, as a host reads them, so that a sanitizer
// sees any count that promises more than its array holds. A null array is skipped, as a careful
// host skips it. The checksum keeps the reads from being optimized away.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "vqDataFileReader.h"

namespace vqdf::testing {

// Tables larger than this are read at both ends only: the first and the last entry their count
// promises, which is where a wrong count shows. A file may declare a table of gigabytes that the
// memory gives as untouched pages; walking it whole would take minutes.
constexpr std::size_t kWholeTableBytes = 64 * 1024;

class HostWalk {
public:
    explicit HostWalk(std::size_t wholeBytes = kWholeTableBytes) : wholeBytes_(wholeBytes) {}

    uint64_t Checksum() const { return sum_; }

    template <typename T>
    void Table(const T* entries, int64_t count) {
        if (entries == nullptr || count <= 0) {
            return;
        }
        const std::size_t bytes = static_cast<std::size_t>(count) * sizeof(T);
        if (bytes <= wholeBytes_) {
            Bytes(entries, bytes);
            return;
        }
        Bytes(entries, sizeof(T));
        Bytes(entries + count - 1, sizeof(T));
    }

    void Device(const DeviceInfo& device) {
        Bytes(&device, offsetof(DeviceInfo, DiagNumbers));
        Table(device.DiagNumbers, device.DiagNumberCount);
    }

    void IO(const IOSpec& io) {
        Bytes(&io, offsetof(IOSpec, InputTerminals));
        Table(io.InputTerminals, io.InputCount);
        Table(io.OutputTerminals, io.OutputCount);
        Table(io.InputFuncTitles, io.InputFuncTitleCount);
        Table(io.OutputFuncTitles, io.OutputFuncTitleCount);
    }

    void Trip(const TripSpec& trip) {
        Bytes(&trip, offsetof(TripSpec, TripStatusInfoData));
        Table(trip.TripStatusInfoData, trip.TripStatusInfoCount);
        Table(trip.WarnStatusInfoData, trip.WarnStatusInfoCount);
        Table(trip.TripNames, trip.TripCount);
        Table(trip.WarnNames, trip.WarnCount);
        Table(trip.TripAddr, trip.TripAddrCount);
        Table(trip.WarnAddr, trip.WarnAddrCount);
    }

    void Message(const MessageSpec& message) {
        Entries(message.Messages, message.MessageCount, [&](const MessageInfo& entry) {
            Bytes(&entry.TitleInfoCount, sizeof entry.TitleInfoCount);
            Table(entry.TitleInfo, entry.TitleInfoCount);
        });
    }

    void Common(const CommonSpec& common) { Table(common.CommonParams, common.CommonCount); }

    void Para(const ParaSpec& para) {
        Entries(para.Groups, para.GroupCount, [&](const GroupInfo& group) {
            Bytes(&group, offsetof(GroupInfo, Parameters));
            Table(group.Parameters, group.ParameterCount);
        });
    }

    void Init(const InitOrder& order) { Table(order.InitOrderAddrs, order.InitOrderCount); }

    void Extend(const ExtendSpec& extend) { Bytes(&extend, sizeof extend); }

    // A record a getter hands out, where it hands one out.
    template <typename Record, typename Walk>
    void Held(const Record* record, Walk walk) {
        if (record != nullptr) {
            (this->*walk)(*record);
        }
    }

    template <typename M>
    void Map(const M* map) {
        if (map == nullptr) {
            return;
        }
        for (const auto& [key, value] : *map) {
            Bytes(&key, sizeof key);
            Bytes(&value, sizeof value);
        }
    }

    // The records both formats hold, whole: what two files that serve the same records share.
    template <typename File>
    uint64_t SharedRecords(File& file) {
        Device(*file.GetDeviceInfo());
        Held(file.GetIOSpec(), &HostWalk::IO);
        Held(file.GetTripSpec(), &HostWalk::Trip);
        Held(file.GetMessageSpec(), &HostWalk::Message);
        Held(file.GetCommonSpec(), &HostWalk::Common);
        Held(file.GetParaSpec(), &HostWalk::Para);
        Held(file.GetInitOrder(), &HostWalk::Init);
        return sum_;
    }

    // Reads the copies and frees them as their receiver must.
    void Blocks(std::vector<FunctionBlock*>& blocks) {
        for (FunctionBlock* block : blocks) {
            Bytes(block->Name, sizeof block->Name);
            Bytes(block->Comment, sizeof block->Comment);
            Table(block->Expansion, block->ExpansionCount);
            Table(block->InputParameterIdList, block->InputParamCount);
            Table(block->OutputParameterIdList, block->OutputParamCount);
            delete[] block->Expansion;
            delete[] block->InputParameterIdList;
            delete[] block->OutputParameterIdList;
            delete block;
        }
        blocks.clear();
    }

private:
    // Visits the entries of a table whose entries own arrays, under the same rule as Table.
    template <typename T, typename Visit>
    void Entries(const T* entries, int32_t count, Visit visit) {
        if (entries == nullptr || count <= 0) {
            return;
        }
        if (static_cast<std::size_t>(count) * sizeof(T) > wholeBytes_) {
            visit(entries[0]);
            visit(entries[count - 1]);
            return;
        }
        for (int32_t k = 0; k < count; ++k) {
            visit(entries[k]);
        }
    }

    void Bytes(const void* data, std::size_t size) {
        const auto* bytes = static_cast<const unsigned char*>(data);
        for (std::size_t k = 0; k < size; ++k) {
            sum_ = sum_ * 31 + bytes[k];
        }
    }

    std::size_t wholeBytes_;
    uint64_t sum_ = 0;
};

// Every getter of a host, called on something that offers them as the exports do (the
// application object, or the functions of a loaded library), and every table walked.
template <typename Getters>
uint64_t WalkEveryGetter(const Getters& get, std::size_t wholeBytes = kWholeTableBytes) {
    HostWalk walk(wholeBytes);
    DeviceInfo device{};
    if (get.Device(&device) == 0) {
        walk.Device(device);
    }
    walk.Held(get.IO(), &HostWalk::IO);
    walk.Held(get.Trip(), &HostWalk::Trip);
    walk.Held(get.Messages(), &HostWalk::Message);
    walk.Held(get.Common(), &HostWalk::Common);
    walk.Held(get.Para(), &HostWalk::Para);
    walk.Held(get.Init(), &HostWalk::Init);
    walk.Held(get.Extend(), &HostWalk::Extend);
    walk.Map(get.Special());
    ParamIdMap ids;
    get.ParamIds(&ids);
    walk.Map(&ids);
    std::vector<FunctionBlock*> blocks;
    get.Blocks(&blocks);
    walk.Blocks(blocks);
    return walk.Checksum();
}

}  // namespace vqdf::testing
