// The layout of a legacy data file: the storages under the root, the streams in each, the name of
// a group's storage, and the size limits of the tables whose counts the file gives. The reader,
// the writer and the test corpus all spell them from here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vqdf::legacy {

inline constexpr std::string_view kFileExtension = ".inv";

// Section storages, in the order the loader reads them, each with its streams.
inline constexpr std::string_view kDeviceSpec = "Device Spec";
inline constexpr std::string_view kDeviceInfo = "Device Info";
inline constexpr std::string_view kDiagNumber = "Diag Number";

inline constexpr std::string_view kIOSpec = "IO Spec";
inline constexpr std::string_view kIOInfo = "IO Info";
inline constexpr std::string_view kTerminalInfo = "Terminal Info";
inline constexpr std::string_view kIOFuncMsgTitle = "IO Func Msg Title";

inline constexpr std::string_view kTripSpec = "Trip Spec";
inline constexpr std::string_view kTripInfo = "Trip Info";
inline constexpr std::string_view kTripName = "Trip Name";
inline constexpr std::string_view kCommAddr = "Comm Addr";
inline constexpr std::string_view kTripInfoData = "Trip Info Data";

inline constexpr std::string_view kMessageSpec = "Message Spec";
inline constexpr std::string_view kTotalMessage = "Total Message";
inline constexpr std::string_view kMsgTitleNum = "Msg Title Num";
inline constexpr std::string_view kMsgTitle = "Msg Title";

inline constexpr std::string_view kCommonSpec = "Common Spec";
inline constexpr std::string_view kTotalCommon = "Total Common";
inline constexpr std::string_view kCommonInfo = "Common Info";

inline constexpr std::string_view kParameterSpec = "Parameter Spec";
inline constexpr std::string_view kTotalGroup = "Total Group";
inline constexpr std::string_view kGroupInfo = "Group Info";
inline constexpr std::string_view kParameter = "Parameter";

inline constexpr std::string_view kInitOrder = "Init Order";
inline constexpr std::string_view kTotalInitOrder = "Total Init Order";
inline constexpr std::string_view kInitOrderParaAddr = "Init Order Para Addr";

// Group n of the table lies in the storage "Group-<n>" inside "Parameter Spec", n counted from
// 0 and written in decimal without leading zeros.
inline constexpr std::string_view kGroupStoragePrefix = "Group-";
inline std::string GroupStorageName(int64_t index) {
    return std::string(kGroupStoragePrefix) + std::to_string(index);
}

// The tables whose byte size the format caps; one over its cap is skipped as if its stream were
// missing. Entry sizes are those the file stores: 8 bytes a message and 28 a group, the sizes of
// those records with 32-bit pointers.
inline constexpr int64_t kMaxNameTableBytes = 143'165'576;  // trip names, warning names, both
inline constexpr int64_t kMaxMessagesBytes = 59'652'323;
inline constexpr int64_t kMaxCommonBytes = 59'652'323;
inline constexpr int64_t kMaxGroupsBytes = 153'391'689;
inline constexpr int64_t kMaxParametersBytes = 42'949'672;
inline constexpr std::size_t kMessageEntryBytes = 8;
inline constexpr std::size_t kGroupEntryBytes = 28;

}  // namespace vqdf::legacy
