// Built-in text of variant K: the line table that start-up attaches to the
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
    "QZ-7514K",  // 10
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
    "QZ-7514K Rev.2.4",  // 72
    "Flash Loader for HR-7700A/R8800A Series Only.",  // 73
    "Copyright (C) 2026 Flash tool developers. All rights reserved.",  // 74
    "#",  // 75
    "//==== Opening Warning ====",  // 76
    "#Seq_Message_OpWarn",  // 77
    "",  // 78
    "#",  // 79
    "//==== Firmware file ====",  // 80
    "#Seq_File_Flashw",  // 81
    "FLASHW.FRM",  // 82
    "",  // 83
    "//==== Sequence tips ====",  // 84
    "#Seq_Mess_SequenceTips",  // 85
    "Opening          @",  // 86, state 0
    "Reset            @",  // 87, state 1
    "Standby          @%R",  // 88, state 2
    "RomFile_Open     @$@Loading ROM Image File.....",  // 89, state 3
    "RomFile_Load     @",  // 90, state 4
    "RomFile_Ok       @[OK]@%R@$",  // 91, state 5
    "Ready            @$@=========================@$@Connect Transceiver (No.@%C@).@$@Then Push [OK] to Start Writing.@$",  // 92, state 6
    "Start            @",  // 93, state 7
    "CommOpen         @$@COM Open.....",  // 94, state 8
    "CommOpen_Ok      @[OK]@$@Connecting.....",  // 95, state 9
    "Boot_Reset_On    @",  // 96, state 10
    "Boot_Mode_ON     @",  // 97, state 11
    "Boot_Reset_Off   @",  // 98, state 12
    "Boot_Check_Setup @",  // 99, state 13
    "Boot_BaudChange_Cmd @",  // 100, state 14
    "Boot_BaudChange  @",  // 101, state 15
    "Boot_FirmUp_Cmd  @",  // 102, state 16
    "Boot_StartDigital_Cmd @",  // 103, state 17
    "Boot_Check_Loop  @",  // 104, state 18
    "BitRate_00_First @",  // 105, state 19
    "BitRate_00_Next  @",  // 106, state 20
    "Bitrate_Send55   @",  // 107, state 21
    "Bitrate_WaitAA   @",  // 108, state 22
    "FlachChk_Setup   @",  // 109, state 23
    "FlachChk         @",  // 110, state 24
    "Firm_SendAdr     @[OK]@$@Pre Processing.....",  // 111, state 25
    "Firm_ReplyAdr_U  @",  // 112, state 26
    "Firm_ReplyAdr_L  @",  // 113, state 27
    "Firm_SendData    @",  // 114, state 28
    "Firm_WaitAA      @",  // 115, state 29
    "RomW_Setup       @",  // 116, state 30
    "RomW_Setup_Wait  @",  // 117, state 31
    "RomW_ChkRig      @",  // 118, state 32
    "RomW_ChkRev      @",  // 119, state 33
    "RomW_Data        @[OK]@$@Writing ROM Data.....",  // 120, state 34
    "RomW_Sum         @",  // 121, state 35
    "RomW_WrtRev      @",  // 122, state 36
    "RomW_WrtMat      @",  // 123, state 37
    "Wake_Reset_Req   @[OK]@$@Disconnecting.....",  // 124, state 38
    "Wake_Reset_On    @",  // 125, state 39
    "Wake_Mode_Off    @",  // 126, state 40
    "Wake_Reset_Off   @",  // 127, state 41
    "Completed        @[OK]@$@$@Completed @(No.@%C@).@$",  // 128, state 42
    "WaitEcho         @",  // 129, state 43
    "#",  // 130
    "",  // 131
    "//==== Cancel message ====",  // 132
    "#Seq_Mess_Cancel",  // 133
    "* Cancel *",  // 134
    "",  // 135
    "//==== Error message ====",  // 136
    "#Seq_Mess_Error_Top",  // 137
    "Error ",  // 138
    "#Seq_Mess_Error_Main",  // 139
    "None             @$@",  // 140, error 0
    "RomImage_Open    @$@Cannot open ROM image file.",  // 141, error 1
    "RomImage_Format  @$@Illegal ROM image file format.",  // 142, error 2
    "ComOpen          @$@Cannot open COM port.@$@$@Check the following:@$@$@- The COM port settings.",  // 143, error 3
    "Boot             @$@Cannot make boot mode.@$@$@Check the following:@$@$@- The COM port settings.@$@- Cable connections.@$@- Transceiver power is ON.",  // 144, error 4
    "Bitrate          @in bitrate setting.@$@$@Check the following:@$@$@- The COM port settings.@$@- Cable connections.@$@- Transceiver power is ON.",  // 145, error 5
    "FirmUpload       @in pre processing.@$@$@Check the following:@$@$@- The COM port settings.@$@- Cable connections.@$@- Transceiver power is ON.",  // 146, error 6
    "Product          @!@$@@$@Illegal ESN.@$@Firmware update was cancelled.",  // 147, error 7
    "RomData          @in writing ROM data.@$@$@Check the following:@$@$@- The COM port settings.@$@- Cable connections.@$@- Transceiver power is ON.",  // 148, error 8
    "WakeAgain        @$@Cannot disconnect.@$@$@Check the following:@$@$@- The COM port settings.@$@- Cable connections.@$@- Transceiver power is ON.",  // 149, error 9
    "MisMatch         @$@Cannot write into this product.",  // 150, error 10
    "MatWrite         @in pre processing.@$@Firmware update was cancelled.",  // 151, error 11
    "RevCheck         @!@$@@$@Illegal revision number.@$@Firmware update was cancelled.",  // 152, error 12
    "Unknown          @from COM Port.@$@$@Check the following:@$@$@- The COM port settings.@$@- Cable connections.@$@- Transceiver power is ON.",  // 153, error 13
    "",  // 154
    "#End_Of_Ovl",  // 155
};
// clang-format on

const TextLineTable kTable = {kLines, static_cast<int32_t>(sizeof kLines / sizeof kLines[0])};

}  // namespace

const TextLineTable& ProfileTextLines() { return kTable; }
