// JSON Schemas of the data file and of the titles document, so that an editor checks and
// completes a data file as its author types: every section and key with its type and what it
// means, and for each key that names an entry of another table, which table.
#include "json/JsonSchema.h"

#include <rapidjson/document.h>
#include <rapidjson/prettywriter.h>
#include <rapidjson/stringbuffer.h>

#include <functional>
#include <string_view>

#include "json/JsonFormat.h"

namespace vqdf::json {
namespace {

using Writer = rapidjson::PrettyWriter<rapidjson::StringBuffer>;

// One member of an object in the schema: its key, whether it is required, and how its schema
// is written.
struct Property {
    std::string_view key;
    std::function<void(Writer&)> schema;
    bool required = false;
};

void Key(Writer& w, std::string_view key) {
    w.Key(key.data(), static_cast<rapidjson::SizeType>(key.size()));
}

void Text(Writer& w, std::string_view key, std::string_view value) {
    Key(w, key);
    w.String(value.data(), static_cast<rapidjson::SizeType>(value.size()));
}

std::function<void(Writer&)> Typed(std::string_view type, std::string_view description) {
    return [=](Writer& w) {
        w.StartObject();
        Text(w, "type", type);
        Text(w, "description", description);
        w.EndObject();
    };
}

std::function<void(Writer&)> Integer(std::string_view description) {
    return Typed("integer", description);
}

std::function<void(Writer&)> String(std::string_view description) {
    return Typed("string", description);
}

// Addresses and attributes are hexadecimal text: "0x1F", "1F", "0X0100".
std::function<void(Writer&)> Hex(std::string_view description) {
    return [=](Writer& w) {
        w.StartObject();
        Text(w, "$ref", "#/$defs/hex");
        Text(w, "description", description);
        w.EndObject();
    };
}

// A key that names an entry of another table.
std::function<void(Writer&)> Reference(std::string_view description) {
    return Integer(description);
}

std::function<void(Writer&)> Object(std::string_view description, std::vector<Property> members) {
    return [=](Writer& w) {
        w.StartObject();
        Text(w, "type", "object");
        Text(w, "description", description);
        Key(w, "properties");
        w.StartObject();
        for (const Property& property : members) {
            Key(w, property.key);
            property.schema(w);
        }
        w.EndObject();
        Key(w, "required");
        w.StartArray();
        for (const Property& property : members) {
            if (property.required) {
                w.String(property.key.data(),
                         static_cast<rapidjson::SizeType>(property.key.size()));
            }
        }
        w.EndArray();
        w.EndObject();
    };
}

std::function<void(Writer&)> Array(std::string_view description,
                                   std::function<void(Writer&)> items) {
    return [=](Writer& w) {
        w.StartObject();
        Text(w, "type", "array");
        Text(w, "description", description);
        Key(w, "items");
        items(w);
        w.EndObject();
    };
}

// An object whose one member names a drive parameter.
std::function<void(Writer&)> ParameterRole(std::string_view description) {
    return Object(description,
                  {{key::kParametersId, Reference("Parameters::id: the \"id\" of a parameter of "
                                                  "\"ParameterGroups\"")}});
}

const auto kTitleId =
    Reference("Title::id: the \"id\" of a title in the titles document beside the data file");
const auto kAtValue = String(
    "digits for the \"@\" placeholders of the title, right-aligned over them; at most 29 bytes");
const auto kUnitId = Reference("Unit::id: the \"id\" of a unit in \"Units\"");
const auto kMessageId =
    Reference("Message::id: the position, from 0, of a message in \"Messages\"");

std::function<void(Writer&)> Terminal() {
    return Object("one terminal", {{key::kTitleId, kTitleId},
                                   {key::kAtValue, kAtValue},
                                   {key::kCommAddr, Hex("the terminal's register address")}});
}

std::function<void(Writer&)> TerminalHalf(std::string_view description) {
    return Object(
        description,
        {{key::kTotalNumOfBasic, Integer("the number of basic terminals; they come first")},
         {key::kTotalNumOfExt,
          Integer("the number of extension terminals, after the basic ones; without it the half "
                  "has no terminals")},
         {key::kNumInfoCommAddr, Hex("the address of the terminal counts; not kept")},
         {key::kStatusCommAddr, Hex("the address of the terminals' status")},
         {key::kBasicTerminalInfo, Array("the basic terminals", Terminal())},
         {key::kExtTerminalInfo, Array("the extension terminals", Terminal())},
         {key::kMessageId, Reference("Message::id: the message whose titles name the functions a "
                                     "terminal can take")}});
}

std::function<void(Writer&)> TripHalf(std::string_view description, std::string_view firstKey,
                                      std::string_view addrKey, std::string_view names) {
    return Object(
        description,
        {{firstKey, Hex("the first address to read")},
         {addrKey, Array("further addresses to read", Hex("an address"))},
         {key::kStatusInfoData,
          Array("the values to show with it",
                Object("one value",
                       {{key::kStatusInfoId, Reference("StatusInfo::id: the \"id\" of a value "
                                                       "defined in \"StatusInfo\"")},
                        {key::kCommAddr, Hex("the value's register address")}}))},
         {key::kMessageId, Reference(names)}});
}

std::function<void(Writer&)> Parameter() {
    return Object(
        "one parameter",
        {{key::kId, Integer("the parameter's id, which other sections name it by")},
         {key::kCodeNum, Integer("the code number within its group, 0 to 255")},
         {key::kTitleId, kTitleId},
         {key::kAtValue, kAtValue},
         {key::kDef, Integer("the default value, raw")},
         {key::kMax, Integer("the largest value, raw")},
         {key::kMin, Integer("the smallest value, raw")},
         {key::kDataType, Integer("the data type code; 255 for a value named by a message")},
         {key::kPoint32, Integer("the number of decimals of the value")},
         {key::kMessageId,
          Reference("Message::id: with data type 255, the message whose titles name the values")},
         {key::kUnitId, kUnitId},
         {key::kAttr, Hex("the attribute bits")}});
}

std::function<void(Writer&)> IdNameTable(std::string_view description, std::string_view textKey,
                                         std::string_view textDescription) {
    return Array(description, Object("one entry", {{key::kId, Integer("the entry's id"), true},
                                                   {textKey, String(textDescription), true}}));
}

std::function<void(Writer&)> FunctionBlock() {
    const auto parameterList = [](std::string_view description) {
        return Array(
            description,
            Object(
                "one parameter of the block",
                {{key::kParametersId,
                  Reference("Parameters::id: the \"id\" of a parameter of \"ParameterGroups\"")},
                 {key::kIOTypesId, Reference("IOTypes::id: the \"id\" of an entry of \"IOTypes\"")},
                 {key::kValue, Integer("a value")}}));
    };
    return Object(
        "one function block",
        {{key::kName, String("the block's name; a block without one is left out"), true},
         {key::kGroupsId, Reference("Groups::id: the \"id\" of an entry of \"Groups\"")},
         {key::kBlockid, Integer("the block's number within its group")},
         {key::kExpansion,
          Array("the block's expansions",
                Object("one expansion",
                       {{key::kExpansionType, String("\"input\" or \"output\"")},
                        {key::kIOTypesId,
                         Reference("IOTypes::id: the \"id\" of an entry of \"IOTypes\"")}}))},
         {key::kBlockType, Hex("the block type, 16 bits")},
         {key::kInputParameterIdList, parameterList("the block's input parameters")},
         {key::kOutputParameterIdList, parameterList("the block's output parameters")},
         {key::kCommentsId, Reference("Comments::id: the \"id\" of an entry of \"Comments\"")}});
}

std::function<void(Writer&)> AdvUserSeq() {
    std::vector<Property> members;
    for (const auto& [role, member] : kAdvUserSeqRoles) {
        members.push_back({member, ParameterRole("the drive parameter of this role")});
    }
    members.push_back(
        {key::kBitPinTypes, IdNameTable("names of bit-pin types", key::kName, "a name"), true});
    members.push_back(
        {key::kIOTypes, IdNameTable("names of IO types", key::kName, "a name"), true});
    members.push_back(
        {key::kComments, IdNameTable("comments of the blocks", key::kContents, "a comment"), true});
    members.push_back(
        {key::kGroups, IdNameTable("names of block groups", key::kName, "a name"), true});
    members.push_back({key::kFunctionList, Array("the function blocks", FunctionBlock()), true});
    return Object("the advanced user sequence: its function blocks and tables", members);
}

std::function<void(Writer&)> SimpleScope() {
    std::vector<Property> members;
    for (const auto& [role, member] : kScopeRoles) {
        members.push_back({member, ParameterRole("the drive parameter of this role")});
    }
    return Object("the parameters that set up the simple scope, by role", members);
}

std::function<void(Writer&)> MessagesSection() {
    const auto name = Object("one name", {{key::kTitleId, kTitleId}, {key::kAtValue, kAtValue}});
    const auto message = Object(
        "one message", {{key::kId, Integer("a number for people; messages are named by position")},
                        {key::kTitleInfo, Array("the message's names, in order", name)}});
    return Array("the messages, numbered by position from 0: lists of names", message);
}

std::function<void(Writer&)> DeviceSection() {
    return Object("the drive's identity and fixed register addresses",
                  {{key::kDataFileVersion, String("the data file's version, at most 9 bytes")},
                   {key::kModelNo, Integer("the model number")},
                   {key::kModel, String("the model name, at most 29 bytes")},
                   {key::kInvSwVersion, String("the drive software's version, at most 9 bytes")},
                   {key::kKeypadCommOffset16, Hex("the base of the 16-bit parameter addresses")},
                   {key::kKeypadCommOffset32, Hex("the base of the 32-bit parameter addresses")},
                   {key::kModelNoCommAddr, Hex("the address of the model number")},
                   {key::kMotorStatusCommAddr, Hex("the address of the motor status")},
                   {key::kInvStatusCommAddr, Hex("the address of the drive status")},
                   {key::kInvControlCommAddr, Hex("the address of the drive control")},
                   {key::kParaSaveCommAddr, Hex("the address that saves the parameters")},
                   {key::kParaStatusNum, Integer("the number of status parameters")},
                   {key::kParaControlNum, Integer("the number of control parameters")}});
}

std::function<void(Writer&)> GroupsSection() {
    const auto group =
        Object("one group", {{key::kGroupNum, Integer("the group number")},
                             {key::kTitleId, kTitleId},
                             {key::kGroupAttr, Hex("the group's attribute bits")},
                             {key::kParameters, Array("the group's parameters", Parameter())}});
    return Array("the parameter groups", group);
}

std::function<void(Writer&)> CommonSection() {
    const auto common = Object(
        "one common parameter",
        {{key::kCommAddr, Hex("the parameter's register address")},
         {key::kTitleId, kTitleId},
         {key::kAtValue, kAtValue},
         {key::kDef, Integer("the default value, raw")},
         {key::kMax, Integer("the largest value, raw")},
         {key::kMin, Integer("the smallest value, raw")},
         {key::kPoint16, Integer("the number of decimals of the value")},
         {key::kMessageId, Reference("Message::id: the message whose titles name the values; "
                                     "takes the place of \"Point16\"")},
         {key::kUnitId, kUnitId},
         {key::kAttr, Hex("the attribute bits")}});
    return Array("parameters with an address of their own", common);
}

std::function<void(Writer&)> TripsSection() {
    const auto value = Object("one value", {{key::kId, Integer("the value's id")},
                                            {key::kTitleId, kTitleId},
                                            {key::kAtValue, kAtValue},
                                            {key::kDataType, Integer("the data type code")},
                                            {key::kPoint16, Integer("the number of decimals")},
                                            {key::kMessageId, Reference("Message::id: not used")},
                                            {key::kUnitId, kUnitId}});
    const auto history = [](Writer& w) {
        w.StartObject();
        Text(w, "description", "the trip history; not used");
        w.EndObject();
    };
    return Object(
        "how the current trip and warning are read",
        {{key::kStatusInfo, Array("the values shown with a trip or warning, defined once", value)},
         {key::kCurrentTrip, TripHalf("the current trip", key::kFirstTripAddr, key::kTripAddr,
                                      "Message::id: the message whose titles name the trips")},
         {key::kCurrentWarning,
          TripHalf("the current warning", key::kFirstWarnAddr, key::kWarnAddr,
                   "Message::id: the message whose titles name the warnings")},
         {key::kTripHistory, history}});
}

std::function<void(Writer&)> InitOrderSection() {
    const auto step =
        Object("one step",
               {{key::kParameterId,
                 Reference("Parameter::id: the \"id\" of a parameter of \"ParameterGroups\"")}});
    return Array("the parameters in the order the drive is initialised", step);
}

std::function<void(Writer&)> Sections() {
    return Object(
        "a drive data file",
        {{key::kUnits, IdNameTable("the units", key::kText, "a unit, at most 29 bytes"), true},
         {key::kMessages, MessagesSection(), true},
         {key::kDevice, DeviceSection()},
         {key::kIO,
          Object("the input and output terminals",
                 {{key::kInput, TerminalHalf("the input terminals")},
                  {key::kOutput, TerminalHalf("the output terminals")}}),
          true},
         {key::kParameterGroups, GroupsSection(), true},
         {key::kCommonParameters, CommonSection(), true},
         {key::kTrips, TripsSection(), true},
         {key::kInitOrder, InitOrderSection(), true},
         {key::kAdvUserSeq, AdvUserSeq(), true},
         {key::kSimpleScope, SimpleScope()}});
}

std::string SchemaDocument(std::string_view id, const std::function<void(Writer&)>& root) {
    rapidjson::StringBuffer buffer;
    Writer w(buffer);
    w.SetIndent(' ', 2);
    // The root's own schema, with the keywords of a schema document around it.
    rapidjson::StringBuffer inner;
    Writer r(inner);
    root(r);
    rapidjson::Document parsed;
    parsed.Parse(inner.GetString(), inner.GetSize());
    w.StartObject();
    Text(w, "$schema", "https://json-schema.org/draft/2020-12/schema");
    Text(w, "$id", id);
    for (const auto& member : parsed.GetObject()) {
        w.Key(member.name.GetString(), member.name.GetStringLength());
        member.value.Accept(w);
    }
    Key(w, "$defs");
    w.StartObject();
    Key(w, "hex");
    w.StartObject();
    Text(w, "type", "string");
    Text(w, "description",
         "hexadecimal text, with or without \"0x\": \"0x1F\", \"1F\", \"0X0100\"");
    Text(w, "pattern", "^\\s*[+-]?(0[xX])?[0-9A-Fa-f]+\\s*$");
    w.EndObject();
    w.EndObject();
    w.EndObject();
    return std::string(buffer.GetString(), buffer.GetSize()) + "\n";
}

}  // namespace

std::string DataFileSchema() { return SchemaDocument("urn:vqdf:data-file", Sections()); }

std::string TitlesSchema() {
    return SchemaDocument(
        "urn:vqdf:titles",
        Object("the titles document beside a data file",
               {{key::kTitles,
                 IdNameTable("the titles; \"@\" stands for a digit that \"AtValue\" "
                             "fills",
                             key::kText, "a title, at most 29 bytes"),
                 true}}));
}

}  // namespace vqdf::json
