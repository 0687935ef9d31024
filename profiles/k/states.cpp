// State table of variant K: the boot loader takes an uploaded flash writer,
// the lines DTR and RTS stay off, and nothing is wrapped in carrier frames.
#include "profiles/seqtable.h"

namespace {
using H = SeqHandler;
constexpr uint32_t D = kSeqDrainInput;
constexpr uint32_t L = kSeqLineControl;

const SeqState kStates[] = {
    // name                    handler              next err rep  ms     flags
    {"Opening",               H::Pass,              1,   0,  0,  0,     0},  // 0
    {"Reset",                 H::Reset,             2,   0,  0,  0,     0},  // 1
    {"Standby",               H::Standby,           6,   0,  0,  0,     0},  // 2
    {"RomFile_Open",          H::WaitEcho,         -1,   0,  0,  0,     0},  // 3
    {"RomFile_Load",          H::WaitEcho,         -1,   0,  0,  0,     0},  // 4
    {"RomFile_Ok",            H::WaitEcho,         -1,   0,  0,  0,     0},  // 5
    {"Ready",                 H::Ready,             6,   0,  0,  0,     0},  // 6
    {"Start",                 H::Start,             8,   0,  0,  0,     0},  // 7
    {"CommOpen",              H::CommOpen,          9,   3,  3,  0,     D},  // 8
    {"CommOpen_Ok",           H::CommOpenOk,       13,   0,  0,  5000,  0},  // 9
    {"Boot_Reset_On",         H::WaitEcho,         -1,   0,  0,  0,     L},  // 10
    {"Boot_Mode_ON",          H::WaitEcho,         -1,   0,  0,  0,     L},  // 11
    {"Boot_Reset_Off",        H::WaitEcho,         -1,   0,  0,  0,     L},  // 12
    {"Boot_Check_Setup",      H::BootCheckSetup,   14,   0,  0,  0,     D},  // 13
    {"Boot_BaudChange_Cmd",   H::BaudChangeCmd,    15,   0,  0,  0,     0},  // 14
    {"Boot_BaudChange",       H::BaudChange,       16,   0,  0,  0,     D},  // 15
    {"Boot_FirmUp_Cmd",       H::FirmUpCmd,        17,   0,  0,  0,     0},  // 16
    {"Boot_StartDigital_Cmd", H::Pass,             18,   0,  0,  0,     0},  // 17
    {"Boot_Check_Loop",       H::WakeRepeat,       19,   4,  4,  0,     0},  // 18
    {"BitRate_00_First",      H::SyncFirst,        20,   0,  0,  0,     0},  // 19
    {"BitRate_00_Next",       H::SyncRepeat,       21,   5,  5,  0,     0},  // 20
    {"Bitrate_Send55",        H::RateCheck,        22,   0,  0,  31000, 0},  // 21
    {"Bitrate_WaitAA",        H::ExpectAA,         23,   5,  5,  0,     0},  // 22
    {"FlachChk_Setup",        H::FlashChkSetup,    24,   0,  0,  0,     0},  // 23
    {"FlachChk",              H::FlashChk,         25,   7,  7,  0,     0},  // 24
    {"Firm_SendAdr",          H::WriterLength,     26,   0,  0,  0,     0},  // 25
    {"Firm_ReplyAdr_U",       H::WriterLengthHigh, 27,   6,  6,  0,     0},  // 26
    {"Firm_ReplyAdr_L",       H::WriterLengthLow,  28,   6,  6,  0,     0},  // 27
    {"Firm_SendData",         H::WriterData,       29,   6,  6,  0,     0},  // 28
    {"Firm_WaitAA",           H::ExpectAA,         30,   6,  6,  0,     kSeqFullProgress},  // 29
    {"RomW_Setup",            H::RomSetup,         31,   0,  0,  500,   D},  // 30
    {"RomW_Setup_Wait",       H::RomSetupWait,     32,   0,  0,  0,     0},  // 31
    {"RomW_ChkRig",           H::Pass,             33,   0,  0,  0,     0},  // 32
    {"RomW_ChkRev",           H::Pass,             34,   0,  0,  0,     0},  // 33
    {"RomW_Data",             H::RomData,          35,   8,  8,  0,     0},  // 34
    {"RomW_Sum",              H::RomSum,           36,   8,  8,  0,     0},  // 35
    {"RomW_WrtRev",           H::Pass,             37,   0,  0,  0,     0},  // 36
    {"RomW_WrtMat",           H::Pass,             38,   0,  0,  0,     0},  // 37
    {"Wake_Reset_Req",        H::EndFrame,         42,   0,  0,  0,     0},  // 38
    {"Wake_Reset_On",         H::WaitEcho,         -1,   0,  0,  0,     L},  // 39
    {"Wake_Mode_Off",         H::WaitEcho,         -1,   0,  0,  0,     L},  // 40
    {"Wake_Reset_Off",        H::WaitEcho,         -1,   0,  0,  0,     L},  // 41
    {"Completed",             H::Completed,         6,   0,  0,  0,     0},  // 42
    {"WaitEcho",              H::WaitEcho,         -1,   0,  0,  0,     0},  // 43
};

const SeqTable kTable = {
    kStates,
    static_cast<int32_t>(sizeof kStates / sizeof kStates[0]),
    0,      // opening
    2,      // standby
    6,      // ready
    7,      // start
    13,     // unknown error
    18,     // missing echoes time out from Boot_Check_Loop on
    -1,     // no carrier frames, so no kind-1 state
    false,  // no carrier framing
};
}  // namespace

const SeqTable& ProfileSeqTable() { return kTable; }
