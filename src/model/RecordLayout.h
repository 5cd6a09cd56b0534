// Compile-time proof of the record layout that hosts read in place and that legacy streams store.
#pragma once

#include <cstddef>

#include "vqDataFileReader.h"

namespace vqdf::layout {

constexpr std::size_t kPointerSize = sizeof(void*);

// The fixed images that legacy streams store and hosts copy: the part of each record before its
// first pointer.
inline constexpr std::size_t kDeviceImageBytes = 100;
inline constexpr std::size_t kIOImageBytes = 32;
inline constexpr std::size_t kTripImageBytes = 32;
inline constexpr std::size_t kGroupImageBytes = 24;

// Offset of the first pointer that follows a fixed image of imageSize bytes.
constexpr std::size_t PointerAfter(std::size_t imageSize) {
    return (imageSize + alignof(void*) - 1) / alignof(void*) * alignof(void*);
}

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
static_assert(offsetof(DeviceInfo, DiagNumbers) == PointerAfter(kDeviceImageBytes));
static_assert(sizeof(DeviceInfo) == PointerAfter(kDeviceImageBytes) + kPointerSize);

static_assert(offsetof(IOSpec, InputCount) == 0);
static_assert(offsetof(IOSpec, InputBasicCount) == 4);
static_assert(offsetof(IOSpec, InputFuncTitleCount) == 8);
static_assert(offsetof(IOSpec, OutputCount) == 12);
static_assert(offsetof(IOSpec, OutputBasicCount) == 16);
static_assert(offsetof(IOSpec, OutputFuncTitleCount) == 20);
static_assert(offsetof(IOSpec, InputStatusCommAddr) == 24);
static_assert(offsetof(IOSpec, OutputStatusCommAddr) == 28);
static_assert(offsetof(IOSpec, InputTerminals) == PointerAfter(kIOImageBytes));
static_assert(offsetof(IOSpec, OutputTerminals) == PointerAfter(kIOImageBytes) + kPointerSize);
static_assert(offsetof(IOSpec, InputFuncTitles) == PointerAfter(kIOImageBytes) + 2 * kPointerSize);
static_assert(offsetof(IOSpec, OutputFuncTitles) == PointerAfter(kIOImageBytes) + 3 * kPointerSize);
static_assert(sizeof(IOSpec) == PointerAfter(kIOImageBytes) + 4 * kPointerSize);

static_assert(offsetof(TripSpec, TripCount) == 0);
static_assert(offsetof(TripSpec, FirstTripAddr) == 4);
static_assert(offsetof(TripSpec, TripAddrCount) == 8);
static_assert(offsetof(TripSpec, TripStatusInfoCount) == 12);
static_assert(offsetof(TripSpec, WarnCount) == 16);
static_assert(offsetof(TripSpec, FirstWarnAddr) == 20);
static_assert(offsetof(TripSpec, WarnAddrCount) == 24);
static_assert(offsetof(TripSpec, WarnStatusInfoCount) == 28);
static_assert(offsetof(TripSpec, TripStatusInfoData) == PointerAfter(kTripImageBytes));
static_assert(offsetof(TripSpec, WarnStatusInfoData) ==
              PointerAfter(kTripImageBytes) + kPointerSize);
static_assert(offsetof(TripSpec, TripNames) == PointerAfter(kTripImageBytes) + 2 * kPointerSize);
static_assert(offsetof(TripSpec, WarnNames) == PointerAfter(kTripImageBytes) + 3 * kPointerSize);
static_assert(offsetof(TripSpec, TripAddr) == PointerAfter(kTripImageBytes) + 4 * kPointerSize);
static_assert(offsetof(TripSpec, WarnAddr) == PointerAfter(kTripImageBytes) + 5 * kPointerSize);
static_assert(sizeof(TripSpec) == PointerAfter(kTripImageBytes) + 6 * kPointerSize);

static_assert(offsetof(MessageInfo, TitleInfoCount) == 0);
static_assert(offsetof(MessageInfo, TitleInfo) == PointerAfter(4));
static_assert(offsetof(MessageSpec, MessageCount) == 0);
static_assert(offsetof(MessageSpec, Messages) == PointerAfter(4));
static_assert(offsetof(CommonSpec, CommonCount) == 0);
static_assert(offsetof(CommonSpec, CommonParams) == PointerAfter(4));
static_assert(offsetof(ParaSpec, GroupCount) == 0);
static_assert(offsetof(ParaSpec, Groups) == PointerAfter(4));
static_assert(offsetof(InitOrder, InitOrderCount) == 0);
static_assert(offsetof(InitOrder, InitOrderAddrs) == PointerAfter(4));

static_assert(offsetof(GroupInfo, GroupNum) == 0);
static_assert(offsetof(GroupInfo, Title) == 4);
static_assert(offsetof(GroupInfo, GroupAttr) == 16);
static_assert(offsetof(GroupInfo, ParameterCount) == 20);
static_assert(offsetof(GroupInfo, Parameters) == PointerAfter(kGroupImageBytes));
static_assert(sizeof(GroupInfo) == PointerAfter(kGroupImageBytes) + kPointerSize);

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
// Each pointer of a function block is followed by the next count; with 4-byte pointers this is
// the 344-byte record of the 32-bit hosts, with 8-byte pointers every pointer is naturally aligned.
static_assert(offsetof(FunctionBlock, Expansion) == PointerAfter(124));
static_assert(offsetof(FunctionBlock, InputParamCount) == PointerAfter(124) + kPointerSize);
static_assert(offsetof(FunctionBlock, InputParameterIdList) ==
              PointerAfter(PointerAfter(124) + kPointerSize + 4));
static_assert(offsetof(FunctionBlock, OutputParamCount) ==
              offsetof(FunctionBlock, InputParameterIdList) + kPointerSize);
static_assert(offsetof(FunctionBlock, OutputParameterIdList) ==
              PointerAfter(offsetof(FunctionBlock, OutputParamCount) + 4));
static_assert(offsetof(FunctionBlock, Comment) ==
              offsetof(FunctionBlock, OutputParameterIdList) + kPointerSize);
static_assert(sizeof(FunctionBlock) == PointerAfter(offsetof(FunctionBlock, Comment) + 200));
static_assert(kPointerSize != 4 ||
              (offsetof(FunctionBlock, Expansion) == 124 &&
               offsetof(FunctionBlock, InputParamCount) == 128 &&
               offsetof(FunctionBlock, InputParameterIdList) == 132 &&
               offsetof(FunctionBlock, OutputParamCount) == 136 &&
               offsetof(FunctionBlock, OutputParameterIdList) == 140 &&
               offsetof(FunctionBlock, Comment) == 144 && sizeof(FunctionBlock) == 344));
static_assert(kPointerSize != 8 ||
              (offsetof(DeviceInfo, DiagNumbers) == 104 && offsetof(IOSpec, InputTerminals) == 32));

}  // namespace vqdf::layout
