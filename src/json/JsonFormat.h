// The names of the JSON data format: its sections, the keys of their objects, the titles document
// beside a data file, and the fixed role tables. The reader, the writer, the schema and the
// synthetic generator all spell them from here.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <utility>

namespace vqdf::json {

// The titles document lies beside the data file: its name without extension, then this.
inline constexpr std::string_view kTitlesSuffix = "_Title.json";
inline constexpr std::string_view kDataFileExtension = ".json";

namespace key {

// Sections of the data file, in the order the reader takes them, and of the titles document.
inline constexpr std::string_view kUnits = "Units";
inline constexpr std::string_view kMessages = "Messages";
inline constexpr std::string_view kDevice = "Device";
inline constexpr std::string_view kIO = "IO";
inline constexpr std::string_view kParameterGroups = "ParameterGroups";
inline constexpr std::string_view kCommonParameters = "CommonParameters";
inline constexpr std::string_view kTrips = "Trips";
inline constexpr std::string_view kInitOrder = "InitOrder";
inline constexpr std::string_view kAdvUserSeq = "AdvUserSeq";
inline constexpr std::string_view kSimpleScope = "SimpleScope";
inline constexpr std::string_view kTitles = "Titles";

// Members that many objects share. A key ending in "::id" names an entry of another table.
inline constexpr std::string_view kId = "id";
inline constexpr std::string_view kText = "Text";
inline constexpr std::string_view kName = "Name";
inline constexpr std::string_view kTitleId = "Title::id";
inline constexpr std::string_view kAtValue = "AtValue";
inline constexpr std::string_view kUnitId = "Unit::id";
inline constexpr std::string_view kMessageId = "Message::id";
inline constexpr std::string_view kCommAddr = "CommAddr";
inline constexpr std::string_view kParametersId = "Parameters::id";

// "Messages"
inline constexpr std::string_view kTitleInfo = "TitleInfo";

// "Device"
inline constexpr std::string_view kDataFileVersion = "DataFileVersion";
inline constexpr std::string_view kModelNo = "ModelNo";
inline constexpr std::string_view kModel = "Model";
inline constexpr std::string_view kInvSwVersion = "InvSwVersion";
inline constexpr std::string_view kKeypadCommOffset16 = "KeypadCommOffset16";
inline constexpr std::string_view kKeypadCommOffset32 = "KeypadCommOffset32";
inline constexpr std::string_view kModelNoCommAddr = "ModelNoCommAddr";
inline constexpr std::string_view kMotorStatusCommAddr = "MotorStatusCommAddr";
inline constexpr std::string_view kInvStatusCommAddr = "InvStatusCommAddr";
inline constexpr std::string_view kInvControlCommAddr = "InvControlCommAddr";
inline constexpr std::string_view kParaSaveCommAddr = "ParaSaveCommAddr";
inline constexpr std::string_view kParaStatusNum = "ParaStatusNum";
inline constexpr std::string_view kParaControlNum = "ParaControlNum";

// "IO"
inline constexpr std::string_view kInput = "Input";
inline constexpr std::string_view kOutput = "Output";
inline constexpr std::string_view kTotalNumOfBasic = "TotalNumOfBasic";
inline constexpr std::string_view kTotalNumOfExt = "TotalNumOfExt";
inline constexpr std::string_view kNumInfoCommAddr = "NumInfoCommAddr";
inline constexpr std::string_view kStatusCommAddr = "StatusCommAddr";
inline constexpr std::string_view kBasicTerminalInfo = "BasicTerminalInfo";
inline constexpr std::string_view kExtTerminalInfo = "ExtTerminalInfo";

// "ParameterGroups", "CommonParameters" and "InitOrder"
inline constexpr std::string_view kGroupNum = "GroupNum";
inline constexpr std::string_view kGroupAttr = "GroupAttr";
inline constexpr std::string_view kParameters = "Parameters";
inline constexpr std::string_view kCodeNum = "CodeNum";
inline constexpr std::string_view kDef = "Def";
inline constexpr std::string_view kMax = "Max";
inline constexpr std::string_view kMin = "Min";
inline constexpr std::string_view kDataType = "DataType";
inline constexpr std::string_view kPoint32 = "Point32";
inline constexpr std::string_view kPoint16 = "Point16";
inline constexpr std::string_view kAttr = "Attr";
inline constexpr std::string_view kParameterId = "Parameter::id";

// "Trips"
inline constexpr std::string_view kStatusInfo = "StatusInfo";
inline constexpr std::string_view kCurrentTrip = "CurrentTrip";
inline constexpr std::string_view kCurrentWarning = "CurrentWarning";
inline constexpr std::string_view kTripHistory = "TripHistory";
inline constexpr std::string_view kFirstTripAddr = "FirstTripAddr";
inline constexpr std::string_view kFirstWarnAddr = "FirstWarnAddr";
inline constexpr std::string_view kTripAddr = "TripAddr";
inline constexpr std::string_view kWarnAddr = "WarnAddr";
inline constexpr std::string_view kStatusInfoData = "StatusInfoData";
inline constexpr std::string_view kStatusInfoId = "StatusInfo::id";

// "AdvUserSeq"
inline constexpr std::string_view kBitPinTypes = "BitPinTypes";
inline constexpr std::string_view kIOTypes = "IOTypes";
inline constexpr std::string_view kComments = "Comments";
inline constexpr std::string_view kGroups = "Groups";
inline constexpr std::string_view kFunctionList = "FunctionList";
inline constexpr std::string_view kContents = "contents";
inline constexpr std::string_view kGroupsId = "Groups::id";
inline constexpr std::string_view kBlockid = "Blockid";
inline constexpr std::string_view kExpansion = "Expansion";
inline constexpr std::string_view kBlockType = "BlockType";
inline constexpr std::string_view kInputParameterIdList = "InputParameterIdList";
inline constexpr std::string_view kOutputParameterIdList = "OutputParameterIdList";
inline constexpr std::string_view kCommentsId = "Comments::id";
inline constexpr std::string_view kExpansionType = "ExpansionType";
inline constexpr std::string_view kIOTypesId = "IOTypes::id";
inline constexpr std::string_view kValue = "Value";

}  // namespace key

// The "ExpansionType" texts and the type each gives; any other text gives 0.
inline constexpr std::string_view kExpansionInput = "input";
inline constexpr std::string_view kExpansionOutput = "output";
inline constexpr uint32_t kExpansionTypeInput = 1;
inline constexpr uint32_t kExpansionTypeOutput = 2;

using RoleKey = std::pair<uint32_t, std::string_view>;

// The user-sequence parameters with fixed roles, by the member of "AdvUserSeq" that names each.
inline constexpr std::array<RoleKey, 4> kAdvUserSeqRoles = {{
    {100, "ControlParameter"},
    {101, "StatusParameter"},
    {102, "CheckUserSeqFileValidationParameter"},
    {103, "LastErrorParameter"},
}};

// The simple-scope roles, by the member of "SimpleScope" that names each.
inline constexpr std::array<RoleKey, 11> kScopeRoles = {{
    {200, "Enable"},
    {201, "SamplingTime"},
    {202, "ParameterCount"},
    {203, "ParameterAddr1"},
    {204, "ParameterAddr2"},
    {205, "ParameterAddr3"},
    {206, "ParameterAddr4"},
    {207, "ParameterAddr5"},
    {208, "ParameterAddr6"},
    {209, "ParameterAddr7"},
    {210, "ParameterAddr8"},
}};

// The five name tables of "AdvUserSeq", each required, in the order the reader takes them.
inline constexpr std::array<std::string_view, 5> kAdvUserSeqTables = {
    key::kBitPinTypes, key::kIOTypes, key::kComments, key::kGroups, key::kFunctionList};

}  // namespace vqdf::json
