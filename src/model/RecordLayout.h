// Compile-time proof of the record layout that hosts read in place and that legacy streams store.
#pragma once

#include <cstddef>

#include "vqDataFileReader.h"

namespace vqdf::layout {

// The fixed images that legacy streams store and hosts copy: the part of each record before its
// first pointer.
inline constexpr std::size_t kDeviceImageBytes = 100;
inline constexpr std::size_t kIOImageBytes = 32;
inline constexpr std::size_t kTripImageBytes = 32;
inline constexpr std::size_t kGroupImageBytes = 24;

// Where the pointers of the records lie and the sizes they make, written out for each pointer
// size a host can have: 4 bytes for the 32-bit Windows hosts, 8 bytes for 64-bit Windows and
// Linux alike (the records hold no long, whose size is where those two differ). A build for any
// of them checks its own column, so a changed field fails every build, including the 32-bit
// one that may not be runnable where it is made.
struct PointerLayout {
    std::size_t deviceDiagNumbers, deviceSize;
    std::size_t ioPointers[4], ioSize;
    std::size_t tripPointers[6], tripSize;
    // MessageInfo, MessageSpec, CommonSpec, ParaSpec and InitOrder: a count and a pointer.
    std::size_t listPointer, listSize;
    std::size_t groupParameters, groupSize;
    std::size_t blockExpansion, blockInputCount, blockInputList, blockOutputCount, blockOutputList,
        blockComment, blockSize;
};
// clang-format off
inline constexpr PointerLayout kFourBytePointers = {
    .deviceDiagNumbers = 100, .deviceSize = 104,
    .ioPointers = {32, 36, 40, 44}, .ioSize = 48,
    .tripPointers = {32, 36, 40, 44, 48, 52}, .tripSize = 56,
    .listPointer = 4, .listSize = 8,
    .groupParameters = 24, .groupSize = 28,
    .blockExpansion = 124, .blockInputCount = 128, .blockInputList = 132,
    .blockOutputCount = 136, .blockOutputList = 140, .blockComment = 144, .blockSize = 344};
inline constexpr PointerLayout kEightBytePointers = {
    .deviceDiagNumbers = 104, .deviceSize = 112,
    .ioPointers = {32, 40, 48, 56}, .ioSize = 64,
    .tripPointers = {32, 40, 48, 56, 64, 72}, .tripSize = 80,
    .listPointer = 8, .listSize = 16,
    .groupParameters = 24, .groupSize = 32,
    .blockExpansion = 128, .blockInputCount = 136, .blockInputList = 144,
    .blockOutputCount = 152, .blockOutputList = 160, .blockComment = 168, .blockSize = 368};
// clang-format on
static_assert(sizeof(void*) == 4 || sizeof(void*) == 8, "a host with pointers of another size");
inline constexpr PointerLayout kPointers =
    sizeof(void*) == 4 ? kFourBytePointers : kEightBytePointers;

static_assert(sizeof(TerminalInfo) == 36);
static_assert(offsetof(TerminalInfo, Title) == 0);
static_assert(offsetof(TerminalInfo, CommAddr) == 32);

static_assert(sizeof(MsgTitle) == 30);
static_assert(offsetof(MsgTitle, Title) == 0);

static_assert(sizeof(StatusInfoData) == 56);
static_assert(offsetof(StatusInfoData, CommAddr) == 0);
static_assert(offsetof(StatusInfoData, Title) == 4);
static_assert(offsetof(StatusInfoData, DataType) == 36);
static_assert(offsetof(StatusInfoData, Point16) == 40);
static_assert(offsetof(StatusInfoData, Unit) == 44);

static_assert(sizeof(CommonInfo) == 72);
static_assert(offsetof(CommonInfo, CommAddr) == 0);
static_assert(offsetof(CommonInfo, Title) == 4);
static_assert(offsetof(CommonInfo, Def) == 36);
static_assert(offsetof(CommonInfo, Max) == 40);
static_assert(offsetof(CommonInfo, Min) == 44);
static_assert(offsetof(CommonInfo, Reserved) == 48);
static_assert(offsetof(CommonInfo, Point16) == 52);
static_assert(offsetof(CommonInfo, Unit) == 56);
static_assert(offsetof(CommonInfo, Attr) == 68);

static_assert(sizeof(ParamInfo) == 100);
static_assert(offsetof(ParamInfo, CodeNum) == 0);
static_assert(offsetof(ParamInfo, Title) == 4);
static_assert(offsetof(ParamInfo, AltTitle) == 34);
static_assert(offsetof(ParamInfo, Def) == 64);
static_assert(offsetof(ParamInfo, Max) == 68);
static_assert(offsetof(ParamInfo, Min) == 72);
static_assert(offsetof(ParamInfo, DataType) == 76);
static_assert(offsetof(ParamInfo, Point32) == 80);
static_assert(offsetof(ParamInfo, Unit) == 84);
static_assert(offsetof(ParamInfo, Attr) == 96);

static_assert(offsetof(DeviceInfo, DataFileVersion) == 0);
static_assert(offsetof(DeviceInfo, ModelNo) == 12);
static_assert(offsetof(DeviceInfo, Model) == 16);
static_assert(offsetof(DeviceInfo, InvSwVersion) == 46);
static_assert(offsetof(DeviceInfo, Reserved1) == 56);
static_assert(offsetof(DeviceInfo, Reserved2) == 60);
static_assert(offsetof(DeviceInfo, Reserved3) == 64);
static_assert(offsetof(DeviceInfo, KeypadCommOffset16) == 68);
static_assert(offsetof(DeviceInfo, DiagNumberCount) == 72);
static_assert(offsetof(DeviceInfo, ModelNoCommAddr) == 76);
static_assert(offsetof(DeviceInfo, Reserved4) == 80);
static_assert(offsetof(DeviceInfo, MotorStatusCommAddr) == 84);
static_assert(offsetof(DeviceInfo, InvStatusCommAddr) == 88);
static_assert(offsetof(DeviceInfo, InvControlCommAddr) == 92);
static_assert(offsetof(DeviceInfo, ParaSaveCommAddr) == 96);
static_assert(offsetof(DeviceInfo, DiagNumbers) == kPointers.deviceDiagNumbers);
static_assert(sizeof(DeviceInfo) == kPointers.deviceSize);

static_assert(offsetof(IOSpec, InputCount) == 0);
static_assert(offsetof(IOSpec, InputBasicCount) == 4);
static_assert(offsetof(IOSpec, InputFuncTitleCount) == 8);
static_assert(offsetof(IOSpec, OutputCount) == 12);
static_assert(offsetof(IOSpec, OutputBasicCount) == 16);
static_assert(offsetof(IOSpec, OutputFuncTitleCount) == 20);
static_assert(offsetof(IOSpec, InputStatusCommAddr) == 24);
static_assert(offsetof(IOSpec, OutputStatusCommAddr) == 28);
static_assert(offsetof(IOSpec, InputTerminals) == kPointers.ioPointers[0]);
static_assert(offsetof(IOSpec, OutputTerminals) == kPointers.ioPointers[1]);
static_assert(offsetof(IOSpec, InputFuncTitles) == kPointers.ioPointers[2]);
static_assert(offsetof(IOSpec, OutputFuncTitles) == kPointers.ioPointers[3]);
static_assert(sizeof(IOSpec) == kPointers.ioSize);

static_assert(offsetof(TripSpec, TripCount) == 0);
static_assert(offsetof(TripSpec, FirstTripAddr) == 4);
static_assert(offsetof(TripSpec, TripAddrCount) == 8);
static_assert(offsetof(TripSpec, TripStatusInfoCount) == 12);
static_assert(offsetof(TripSpec, WarnCount) == 16);
static_assert(offsetof(TripSpec, FirstWarnAddr) == 20);
static_assert(offsetof(TripSpec, WarnAddrCount) == 24);
static_assert(offsetof(TripSpec, WarnStatusInfoCount) == 28);
static_assert(offsetof(TripSpec, TripStatusInfoData) == kPointers.tripPointers[0]);
static_assert(offsetof(TripSpec, WarnStatusInfoData) == kPointers.tripPointers[1]);
static_assert(offsetof(TripSpec, TripNames) == kPointers.tripPointers[2]);
static_assert(offsetof(TripSpec, WarnNames) == kPointers.tripPointers[3]);
static_assert(offsetof(TripSpec, TripAddr) == kPointers.tripPointers[4]);
static_assert(offsetof(TripSpec, WarnAddr) == kPointers.tripPointers[5]);
static_assert(sizeof(TripSpec) == kPointers.tripSize);

static_assert(offsetof(MessageInfo, TitleInfoCount) == 0);
static_assert(offsetof(MessageInfo, TitleInfo) == kPointers.listPointer);
static_assert(sizeof(MessageInfo) == kPointers.listSize);
static_assert(offsetof(MessageSpec, MessageCount) == 0);
static_assert(offsetof(MessageSpec, Messages) == kPointers.listPointer);
static_assert(sizeof(MessageSpec) == kPointers.listSize);
static_assert(offsetof(CommonSpec, CommonCount) == 0);
static_assert(offsetof(CommonSpec, CommonParams) == kPointers.listPointer);
static_assert(sizeof(CommonSpec) == kPointers.listSize);
static_assert(offsetof(ParaSpec, GroupCount) == 0);
static_assert(offsetof(ParaSpec, Groups) == kPointers.listPointer);
static_assert(sizeof(ParaSpec) == kPointers.listSize);
static_assert(offsetof(InitOrder, InitOrderCount) == 0);
static_assert(offsetof(InitOrder, InitOrderAddrs) == kPointers.listPointer);
static_assert(sizeof(InitOrder) == kPointers.listSize);

static_assert(offsetof(GroupInfo, GroupNum) == 0);
static_assert(offsetof(GroupInfo, Title) == 4);
static_assert(offsetof(GroupInfo, GroupAttr) == 16);
static_assert(offsetof(GroupInfo, ParameterCount) == 20);
static_assert(offsetof(GroupInfo, Parameters) == kPointers.groupParameters);
static_assert(sizeof(GroupInfo) == kPointers.groupSize);

static_assert(sizeof(ExtendSpec) == 4);
static_assert(sizeof(ParamLocation) == 8 && offsetof(ParamLocation, CodeNum) == 4);
static_assert(sizeof(SpecialParam) == 8 && offsetof(SpecialParam, CommAddr) == 4);

static_assert(sizeof(ExpansionEntry) == 8);
static_assert(offsetof(ExpansionEntry, IOTypeId) == 4);
static_assert(sizeof(ParamIdEntry) == 12);
static_assert(offsetof(ParamIdEntry, IOTypeId) == 4);
static_assert(offsetof(ParamIdEntry, Value) == 8);

static_assert(offsetof(FunctionBlock, BlockId) == 0);
static_assert(offsetof(FunctionBlock, Name) == 4);
static_assert(offsetof(FunctionBlock, GroupName) == 60);
static_assert(offsetof(FunctionBlock, BlockType) == 116);
static_assert(offsetof(FunctionBlock, ExpansionCount) == 120);
static_assert(offsetof(FunctionBlock, Expansion) == kPointers.blockExpansion);
static_assert(offsetof(FunctionBlock, InputParamCount) == kPointers.blockInputCount);
static_assert(offsetof(FunctionBlock, InputParameterIdList) == kPointers.blockInputList);
static_assert(offsetof(FunctionBlock, OutputParamCount) == kPointers.blockOutputCount);
static_assert(offsetof(FunctionBlock, OutputParameterIdList) == kPointers.blockOutputList);
static_assert(offsetof(FunctionBlock, Comment) == kPointers.blockComment);
static_assert(sizeof(FunctionBlock) == kPointers.blockSize);

}  // namespace vqdf::layout
