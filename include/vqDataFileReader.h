// vqDataFileReader: the records a host reads in place and the fifteen exported functions.
// The byte layout of every record is part of the interface; see the layout checks in the library.
// C and C++ both include it: the records and twelve of the exports are C; the three exports that
// take a std::map or std::vector are declared for C++ only.
#ifndef VQDATAFILEREADER_H
#define VQDATAFILEREADER_H

#ifdef __cplusplus
#include <cstdint>
#include <map>
#include <vector>
#else
#include <stdint.h>
#include <uchar.h>
#include <wchar.h>
#endif

// Declares an export of the library. The build defines it to mark the exports visible; a host
// compiles without it.
#ifndef VQDF_EXPORT
#define VQDF_EXPORT
#endif

typedef struct DeviceInfo {
    char DataFileVersion[10];
    int32_t ModelNo;
    char Model[30];
    char InvSwVersion[10];
    int32_t Reserved1;
    int32_t Reserved2;
    int32_t Reserved3;
    int32_t KeypadCommOffset16;
    int32_t DiagNumberCount;
    int32_t ModelNoCommAddr;
    int32_t Reserved4;
    int32_t MotorStatusCommAddr;
    int32_t InvStatusCommAddr;
    int32_t InvControlCommAddr;
    int32_t ParaSaveCommAddr;
    int32_t* DiagNumbers;
} DeviceInfo;

typedef struct TerminalInfo {
    char Title[32];
    int32_t CommAddr;
} TerminalInfo;

typedef struct MsgTitle {
    char Title[30];
} MsgTitle;

typedef struct IOSpec {
    int32_t InputCount;
    int32_t InputBasicCount;
    int32_t InputFuncTitleCount;
    int32_t OutputCount;
    int32_t OutputBasicCount;
    int32_t OutputFuncTitleCount;
    int32_t InputStatusCommAddr;
    int32_t OutputStatusCommAddr;
    TerminalInfo* InputTerminals;
    TerminalInfo* OutputTerminals;
    MsgTitle* InputFuncTitles;
    MsgTitle* OutputFuncTitles;
} IOSpec;

typedef struct StatusInfoData {
    int32_t CommAddr;
    char Title[30];
    int32_t DataType;
    int32_t Point16;
    char Unit[10];
} StatusInfoData;

typedef struct TripSpec {
    int32_t TripCount;
    int32_t FirstTripAddr;
    int32_t TripAddrCount;
    int32_t TripStatusInfoCount;
    int32_t WarnCount;
    int32_t FirstWarnAddr;
    int32_t WarnAddrCount;
    int32_t WarnStatusInfoCount;
    StatusInfoData* TripStatusInfoData;
    StatusInfoData* WarnStatusInfoData;
    MsgTitle* TripNames;
    MsgTitle* WarnNames;
    int32_t* TripAddr;
    int32_t* WarnAddr;
} TripSpec;

typedef struct MessageInfo {
    int32_t TitleInfoCount;
    MsgTitle* TitleInfo;
} MessageInfo;

typedef struct MessageSpec {
    int32_t MessageCount;
    MessageInfo* Messages;
} MessageSpec;

typedef struct CommonInfo {
    int32_t CommAddr;
    char Title[30];
    int32_t Def;
    int32_t Max;
    int32_t Min;
    int32_t Reserved;
    int32_t Point16;
    char Unit[10];
    int32_t Attr;
} CommonInfo;

typedef struct CommonSpec {
    int32_t CommonCount;
    CommonInfo* CommonParams;
} CommonSpec;

typedef struct ParamInfo {
    int32_t CodeNum;
    char Title[30];
    char AltTitle[30];
    int32_t Def;
    int32_t Max;
    int32_t Min;
    int32_t DataType;
    int32_t Point32;
    char Unit[10];
    int32_t Attr;
} ParamInfo;

typedef struct GroupInfo {
    int32_t GroupNum;
    char Title[10];
    int32_t GroupAttr;
    int32_t ParameterCount;
    ParamInfo* Parameters;
} GroupInfo;

typedef struct ParaSpec {
    int32_t GroupCount;
    GroupInfo* Groups;
} ParaSpec;

typedef struct InitOrder {
    int32_t InitOrderCount;
    int32_t* InitOrderAddrs;
} InitOrder;

typedef struct ExtendSpec {
    int32_t KeypadCommOffset32;
} ExtendSpec;

typedef struct ParamLocation {
    uint32_t GroupNum;
    uint32_t CodeNum;
} ParamLocation;

typedef struct SpecialParam {
    uint32_t ParamId;
    uint32_t CommAddr;
} SpecialParam;

typedef struct ExpansionEntry {
    uint32_t ExpansionType;
    uint32_t IOTypeId;
} ExpansionEntry;

typedef struct ParamIdEntry {
    uint32_t ParamId;
    uint32_t IOTypeId;
    int32_t Value;
} ParamIdEntry;

typedef struct FunctionBlock {
    uint32_t BlockId;
    char16_t Name[28];
    char16_t GroupName[28];
    uint16_t BlockType;
    uint32_t ExpansionCount;
    ExpansionEntry* Expansion;
    uint32_t InputParamCount;
    ParamIdEntry* InputParameterIdList;
    uint32_t OutputParamCount;
    ParamIdEntry* OutputParameterIdList;
    char16_t Comment[100];
} FunctionBlock;

#ifdef __cplusplus
using ParamIdMap = std::map<uint32_t, ParamLocation>;
using SpecialParamMap = std::map<uint32_t, SpecialParam>;

extern "C" {
#endif

// Loading: 0 loaded now or already loaded, 1 failed.
VQDF_EXPORT int32_t SetDataFile_Path(const wchar_t* path);
VQDF_EXPORT int32_t SetDataFile_Ver(const wchar_t* model, const wchar_t* ignored,
                                    const wchar_t* version);
VQDF_EXPORT int32_t GetRecentDataFile_Ver(const wchar_t* model, const wchar_t* version);

// Getters with the version third. Pointers stay valid until the library is unloaded.
VQDF_EXPORT int32_t GetDeviceInfo(const wchar_t* model, const wchar_t* ignored,
                                  const wchar_t* version, void* buffer);
VQDF_EXPORT IOSpec* GetIOSpec(const wchar_t* model, const wchar_t* ignored, const wchar_t* version);
VQDF_EXPORT TripSpec* GetTripSpec(const wchar_t* model, const wchar_t* ignored,
                                  const wchar_t* version);
VQDF_EXPORT MessageSpec* GetMessageSpec(const wchar_t* model, const wchar_t* ignored,
                                        const wchar_t* version);
VQDF_EXPORT CommonSpec* GetCommonSpec(const wchar_t* model, const wchar_t* ignored,
                                      const wchar_t* version);
VQDF_EXPORT ParaSpec* GetParaSpec(const wchar_t* model, const wchar_t* ignored,
                                  const wchar_t* version);
VQDF_EXPORT InitOrder* GetInitOrder(const wchar_t* model, const wchar_t* ignored,
                                    const wchar_t* version);
VQDF_EXPORT ExtendSpec* GetExtendSpec(const wchar_t* model, const wchar_t* ignored,
                                      const wchar_t* version);

VQDF_EXPORT void vq_free(void* p);

#ifdef __cplusplus
// Getters with the version second.
VQDF_EXPORT SpecialParamMap* GetSpecialParameter(const wchar_t* model, const wchar_t* version,
                                                 const wchar_t* ignored);
VQDF_EXPORT void GetParamIDS(const wchar_t* model, const wchar_t* version, const wchar_t* ignored,
                             ParamIdMap* out);
// Appends copies that belong to the caller: delete each record, delete[] its three arrays.
VQDF_EXPORT void GetSpecAdvUserSeq(const wchar_t* model, const wchar_t* version,
                                   const wchar_t* ignored, std::vector<FunctionBlock*>* out);
}
#endif

#endif
