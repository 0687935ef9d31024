// State table of variant M: DTR and RTS put the boot loader into boot mode, a
// start request replaces the flash-writer upload, and after the
// firmware-upload commands everything travels in carrier frames.
#include "profiles/seqtable.h"

namespace {
using H = SeqHandler;
constexpr uint32_t D = kSeqDrainInput;
constexpr uint32_t L = kSeqLineControl;
constexpr uint32_t S = kSeqDirectSend;

const SeqState kStates[] = {
    // name                 handler             next err rep  ms     flags
    {"WaitEcho",           H::WaitEcho,        -1,   0,  0,  0,     0},  // 0
    {"Opening",            H::Pass,             2,   0,  0,  0,     0},  // 1
    {"Reset",              H::Reset,            3,   0,  0,  0,     0},  // 2
    {"Standby",            H::Standby,          7,   0,  0,  0,     0},  // 3
    {"RomFile_Open",       H::WaitEcho,        -1,   0,  0,  0,     0},  // 4
    {"RomFile_Load",       H::WaitEcho,        -1,   0,  0,  0,     0},  // 5
    {"RomFile_Ok",         H::WaitEcho,        -1,   0,  0,  0,     0},  // 6
    {"Ready",              H::Ready,            7,   0,  0,  0,     0},  // 7
    {"Start",              H::Start,            9,   0,  0,  0,     0},  // 8
    {"CommOpen",           H::CommOpen,        10,   3,  3,  0,     0},  // 9
    {"Boot_Reset_On",      H::LineRts,         11,   4,  4,  1,     L},  // 10
    {"Boot_Mode_ON",       H::LineDtr,         12,   4,  4,  1,     L},  // 11
    {"Boot_Reset_Off",     H::LineRts,         13,   4,  4,  0,     L},  // 12
    {"Boot_Check_Setup",   H::BootCheckSetup,  14,   0,  0,  0,     D | kSeqRaiseLines},  // 13
    {"Boot_Baud_Cmd",      H::BaudChangeCmd,   15,   0,  0,  0,     S},  // 14
    {"Boot_BaudChange",    H::BaudChange,      16,   0,  0,  0,     D},  // 15
    {"Boot_FirmUp_Cmd",    H::FirmUpCmd,       17,   0,  0,  0,     S},  // 16
    {"Boot_Check_Loop",    H::CheckRequest,    18,   4,  4,  0,     0},  // 17
    {"Boot_Start_Cmd",     H::WakeRequest,     19,   4,  4,  0,     0},  // 18
    {"BitRate_00_First",   H::ArmStepTimer,    20,   0,  0,  5000,  0},  // 19
    {"BitRate_00_Next",    H::SyncRequest,     21,   5,  5,  0,     0},  // 20
    {"Bitrate_Send55",     H::RateCheck,       22,   0,  0,  0,     0},  // 21
    {"Bitrate_WaitAA",     H::ExpectAA,        23,   5,  5,  0,     0},  // 22
    {"FlachChk_Setup",     H::FlashChkSetup,   24,   0,  0,  0,     0},  // 23
    {"FlachChk",           H::FlashChk,        25,   7,  7,  0,     0},  // 24
    {"Firm_SendAdr",       H::StartRequest,    29,   6,  7,  0,     0},  // 25
    {"Firm_ReplyAdr_U",    H::WaitEcho,        -1,   0,  0,  0,     0},  // 26
    {"Firm_ReplyAdr_L",    H::WaitEcho,        -1,   0,  0,  0,     0},  // 27
    {"Firm_SendData",      H::WaitEcho,        -1,   0,  0,  0,     0},  // 28
    {"Firm_WaitAA",        H::ExpectAA,        30,   6,  6,  0,     0},  // 29
    {"RomW_Setup",         H::RomSetup,        31,   0,  0,  1000,  0},  // 30
    {"RomW_Setup_Wait",    H::RomSetupWait,    32,   0,  0,  0,     0},  // 31
    {"RomW_ChkRig",        H::Pass,            33,   0,  0,  0,     0},  // 32
    {"RomW_Data",          H::RomData,         34,   8,  8,  0,     0},  // 33
    {"RomW_Sum",           H::RomSum,          35,   8,  8,  0,     0},  // 34
    {"Wake_Reset_Req",     H::FinishCarrier,   36,   0,  0,  0,     0},  // 35
    {"Wake_Reset_On",      H::LineRts,         37,   9,  9,  1,     L},  // 36
    {"Wake_Mode_Off",      H::LineDtr,         38,   9,  9,  0,     L},  // 37
    {"Wake_Reset_Off",     H::LineRts,         39,   9,  9,  0,     L},  // 38
    {"Completed",          H::Completed,        7,   0,  0,  0,     0},  // 39
};

const SeqTable kTable = {
    kStates,
    static_cast<int32_t>(sizeof kStates / sizeof kStates[0]),
    1,     // opening
    3,     // standby
    7,     // ready
    8,     // start
    11,    // unknown error
    17,    // missing echoes time out from Boot_Check_Loop on
    35,    // the finishing carrier is of kind 1
    true,  // carrier framing
};
}  // namespace

const SeqTable& ProfileSeqTable() { return kTable; }
