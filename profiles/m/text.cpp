// Built-in text of variant M: the line table that start-up attaches to the
// text table. Every byte counts: the step and error lines are laid out in
// columns and the menu lines are indented. The comment after a line names
// its line index (and the state or error code that selects it).
#include "profiles/profile.h"

namespace {

// clang-format off
const char* const kLines[] = {
    "//----------------------------------------------",  // 0
    "// System",  // 1
    "//----------------------------------------------",  // 2
    "",  // 3
    "//==== Marker ====",  // 4
    "#Sys_Ovl",  // 5
    "OVL",  // 6
    "",  // 7
    "//==== Application title ====",  // 8
    "#Sys_AppTitle",  // 9
    "QZ-7514M",  // 10
    "",  // 11
    "//==== Object ====",  // 12
    "#Sys_Form_Size",  // 13
    "560",  // 14
    "400",  // 15
    "",  // 16
    "//==== Font ====",  // 17
    "#Sys_Font_Name",  // 18
    "Arial",  // 19
    "#Sys_Font_Size",  // 20
    "10",  // 21
    "#Sys_Font_CharSet",  // 22
    "1",  // 23
    "",  // 24
    "//----------------------------------------------",  // 25
    "// Application",  // 26
    "//----------------------------------------------",  // 27
    "//==== Menu List ====",  // 28
    "#App_MenuList",  // 29
    "+&File",  // 30
    " +&Open",  // 31
    " +E&xit",  // 32
    "+&COM Port",  // 33
    " +COM &1",  // 34
    " +COM &2",  // 35
    " +COM &3",  // 36
    " +COM &4",  // 37
    " +&More...",  // 38
    "",  // 39
    "//==== Button Caption ====",  // 40
    "#App_ButtonCaption",  // 41
    "OK",  // 42
    "Cancel",  // 43
    "Exit",  // 44
    "",  // 45
    "//==== Dialog - File Open ====",  // 46
    "#App_Dialog_FOpen",  // 47
    "mot",  // 48
    "ROM image files (*.mot)|*.mot|All files (*.*)|*.*",  // 49
    "",  // 50
    "",  // 51
    "//----------------------------------------------",  // 52
    "// COM Port Setting",  // 53
    "//----------------------------------------------",  // 54
    "#GI_AppInd_Opt_ComSel_Caption",  // 55
    "COM Port",  // 56
    "#GI_AppInd_Opt_ComSel_Notice",  // 57
    "Enter COM Port number. (1 - 256)",  // 58
    "#GI_AppInd_Opt_ComSel_Buttons",  // 59
    "OK",  // 60
    "Cancel",  // 61
    "#GI_AppInd_Opt_ComSel_SizeOfButtons",  // 62
    "Cancel+++",  // 63
    "#GI_AppInd_Opt_ComSel_OutofRange",  // 64
    "Invalid COM Port number.",  // 65
    "#",  // 66
    "//----------------------------------------------",  // 67
    "// Sequence",  // 68
    "//----------------------------------------------",  // 69
    "//==== Startup Message ====",  // 70
    "#Seq_Message_00",  // 71
    "QZ-7514M Rev.2.0",  // 72
    "Flash Loader for HR-7700A/R8800A, HR-7730B/R7750B/R8830B Series Only.",  // 73
    "Copyright (C) 2026 Flash tool developers. All rights reserved.",  // 74
    "#",  // 75
    "//==== Opening Warning ====",  // 76
    "#Seq_Message_OpWarn",  // 77
    "",  // 78
    "",  // 79
    "CAUTION !",  // 80
    "NEVER write to conventional HR-5500/R6600 series or LTR/Passport HR-6690T series transceivers.",  // 81
    "#",  // 82
    "//==== Firmware file ====",  // 83
    "#Seq_File_Flashw",  // 84
    "FLASHW.FRM",  // 85
    "",  // 86
    "//==== Sequence tips ====",  // 87
    "#Seq_Mess_SequenceTips",  // 88
    "WaitEcho         @",  // 89, state 0
    "Opening          @",  // 90, state 1
    "Reset            @",  // 91, state 2
    "Standby          @%R",  // 92, state 3
    "RomFile_Open     @$@Loading ROM Image File.....",  // 93, state 4
    "RomFile_Load     @",  // 94, state 5
    "RomFile_Ok       @[OK]@%R@$",  // 95, state 6
    "Ready            @$@=========================@$@Connect Transceiver (No.@%C@).@$@Then Push [OK] to Start Writing.@$",  // 96, state 7
    "Start            @",  // 97, state 8
    "CommOpen         @$@COM Open.....",  // 98, state 9
    "Boot_Reset_On    @[OK]@$@Connecting.....",  // 99, state 10
    "Boot_Mode_ON     @",  // 100, state 11
    "Boot_Reset_Off   @",  // 101, state 12
    "Boot_Check_Setup @",  // 102, state 13
    "Boot_Baud_Cmd\t@",  // 103, state 14
    "Boot_BaudChange\t@",  // 104, state 15
    "Boot_FirmUp_Cmd\t@",  // 105, state 16
    "Boot_Check_Loop  @",  // 106, state 17
    "Boot_Start_Cmd\t@",  // 107, state 18
    "BitRate_00_First @",  // 108, state 19
    "BitRate_00_Next  @",  // 109, state 20
    "Bitrate_Send55   @",  // 110, state 21
    "Bitrate_WaitAA   @",  // 111, state 22
    "FlachChk_Setup   @",  // 112, state 23
    "FlachChk         @",  // 113, state 24
    "Firm_SendAdr     @[OK]@$@Pre Processing.....",  // 114, state 25
    "Firm_ReplyAdr_U  @",  // 115, state 26
    "Firm_ReplyAdr_L  @",  // 116, state 27
    "Firm_SendData    @",  // 117, state 28
    "Firm_WaitAA      @",  // 118, state 29
    "RomW_Setup       @",  // 119, state 30
    "RomW_Setup_Wait  @",  // 120, state 31
    "RomW_ChkRig      @",  // 121, state 32
    "RomW_Data        @[OK]@$@Writing ROM Data.....",  // 122, state 33
    "RomW_Sum         @",  // 123, state 34
    "Wake_Reset_Req   @[OK]@$@Disconnecting.....",  // 124, state 35
    "Wake_Reset_On    @",  // 125, state 36
    "Wake_Mode_Off    @",  // 126, state 37
    "Wake_Reset_Off   @",  // 127, state 38
    "Completed        @[OK]@$@$@Completed @(No.@%C@).@$",  // 128, state 39
    "#",  // 129
    "",  // 130
    "//==== Cancel message ====",  // 131
    "#Seq_Mess_Cancel",  // 132
    "* Cancel *",  // 133
    "",  // 134
    "//==== Error message ====",  // 135
    "#Seq_Mess_Error_Top",  // 136
    "Error ",  // 137
    "#Seq_Mess_Error_Main",  // 138
    "None             @$@",  // 139, error 0
    "RomImage_Open    @$@Cannot open ROM image file.",  // 140, error 1
    "RomImage_Format  @$@Illegal ROM image file format.",  // 141, error 2
    "ComOpen          @$@Cannot open COM port.@$@$@Check the following:@$@$@- The COM port settings.",  // 142, error 3
    "Boot             @$@Cannot make boot mode.@$@$@Check the following:@$@$@- The COM port settings.@$@- Cable connections.@$@- Transceiver power is ON.@$@- Fully charged battery is used.",  // 143, error 4
    "Bitrate          @in bitrate setting.@$@$@Check the following:@$@$@- The COM port settings.@$@- Cable connections.@$@- Transceiver power is ON.@$@- Fully charged battery is used.",  // 144, error 5
    "FirmUpload       @in pre processing.@$@$@Check the following:@$@$@- The COM port settings.@$@- Cable connections.@$@- Transceiver power is ON.@$@- Fully charged battery is used.",  // 145, error 6
    "Product          @!@$@@$@Illegal ESN.@$@Firmware update was cancelled.",  // 146, error 7
    "RomData          @in writing ROM data.@$@$@Check the following:@$@$@- The COM port settings.@$@- Cable connections.@$@- Transceiver power is ON.@$@- Fully charged battery is used.",  // 147, error 8
    "WakeAgain        @$@Cannot disconnect.@$@$@Check the following:@$@$@- The COM port settings.@$@- Cable connections.@$@- Transceiver power is ON.@$@- Fully charged battery is used.",  // 148, error 9
    "MisMatch         @$@Cannot write into this product.",  // 149, error 10
    "Unknown          @from COM Port.@$@$@Check the following:@$@$@- The COM port settings.@$@- Cable connections.@$@- Transceiver power is ON.@$@- Fully charged battery is used.",  // 150, error 11
    "",  // 151
    "#End_Of_Ovl",  // 152
};
// clang-format on

const TextLineTable kTable = {kLines, static_cast<int32_t>(sizeof kLines / sizeof kLines[0])};

}  // namespace

const TextLineTable& ProfileTextLines() { return kTable; }
