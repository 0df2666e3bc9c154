#pragma once
// Resource, string and command ids of quorvitray.exe.

// The frame's own resources: its icon, menu and title (up to the first
// line break), and the About box.
#define IDR_MAINFRAME 128
#define IDD_ABOUTBOX 100

// Tray icons: OK (green), clock error (red), fatal error (black).
#define IDI_TRAY_ERROR 131
#define IDI_TRAY_FATAL 132
#define IDI_TRAY_OK 133

// Commands of the frame's menu, as every framework program numbers them.
#define ID_APP_ABOUT 0xE140
#define ID_APP_EXIT 0xE141
#define ID_EDIT_UNDO 0xE12B
#define ID_EDIT_CUT 0xE123
#define ID_EDIT_COPY 0xE122
#define ID_EDIT_PASTE 0xE125

// Message-box caption.
#define IDS_APP_TITLE 0xE000

// The driver's boot results: the text of result n is IDS_BOOT_RESULT_BASE + n
// (1-14); any other value gives IDS_BOOT_RESULT_UNDEFINED.
#define IDS_BOOT_RESULT_BASE 101
#define IDS_BOOT_RESULT_UNDEFINED 164
#define IDS_SETUP_OPEN_FAILED 168
#define IDS_SETUP_READ_FAILED 169

// Pop-up menu: command ids that have a string of the same number.
#define ID_SHOW_MIXER 32779
#define ID_SHOW_METERS 32780
#define ID_SHOW_METERS_1 32781
#define ID_SHOW_METERS_2 32804
#define ID_SHOW_METERS_3 32805
#define ID_SHOW_METERS_4 32806
#define ID_SHOW_MIXER_1 32808
#define ID_SHOW_MIXER_3 32809
#define ID_SHOW_MIXER_4 32810
#define ID_SHOW_MIXER_2 32811
#define ID_SHOW_STATUS 61206
#define ID_CLEAR_ERROR 61207
#define ID_OPEN_CONTROL_PANEL 61209
#define ID_MENU_HEADER 61210
#define ID_PUNCH 61240
#define ID_USER_SETUPS_HEADER 61251
// User setup n of the menu is ID_USER_SETUP_FIRST + n.
#define ID_USER_SETUP_FIRST 49000
// "Close QUORVI Tray Application" is the framework's exit command, so it
// never shares an id with another item.
#define ID_CLOSE_TRAY ID_APP_EXIT
#define IDS_CLOSE_TRAY 61239

#define IDS_SET_MASKS_FAILED 61204
#define IDS_GET_STATUS_FLAGS_FAILED 61205
#define IDS_TIP_OK 61211
#define IDS_TIP_FATAL 61212
#define IDS_NO_BOARDS 61213
#define IDS_FATAL_ERROR 61216
#define IDS_TIP_ERROR 61217
#define IDS_NO_TIMER 61218
#define IDS_GET_MIXER_FAILED 61228
#define IDS_SET_MIXER_FAILED 61229
#define IDS_CLOCK_READ_FAILED 61235
#define IDS_GET_SYS_SETUP_FAILED 61236
#define IDS_SET_SYS_SETUP_FAILED 61237

// The mixer window: its settings menu, artwork and texts.
#define IDR_MIXER_SETTINGS 135
#define IDB_STRIP 131
#define IDB_KNOB 138
#define IDB_MUTE_ON 139
#define IDB_MUTE_OFF 140
#define IDB_SOLO_OFF 141
#define IDB_SOLO_ON 142
#define IDB_MASTER_RIGHT 143
#define IDB_MASTER_LEFT 144
#define IDS_MIXER_SETTINGS 33004
#define IDS_MIXER_TITLE_BOARD 58112
#define IDS_MIXER_TITLE 61215
#define IDS_FADER_FONT_FAILED 61227

// The punch-in dialog.
#define IDD_PUNCH 152
#define IDB_PUNCH 160
#define IDC_PUNCH_ENABLE 1028
#define IDC_PUNCH_TIME 1029
#define IDC_UNITS_HUNDREDTHS 1030
#define IDC_UNITS_SAMPLES 1031
#define IDC_PUNCH 1040
#define IDC_PUNCH_DISPLAY 1045
#define IDC_TIME_BASE 1051
#define IDC_TAPE_FORMAT 1052
#define IDS_TIME_BASE_30 170
#define IDS_TIME_BASE_2997 171
#define IDS_TIME_BASE_25 173
#define IDS_TIME_BASE_24 174
#define IDS_TIME_BASE_INVALID 175
#define IDS_TAPE_441 176
#define IDS_TAPE_48 177
#define IDS_TAPE_BAD 178
#define IDS_PUNCH_FONT_FAILED 61242
#define IDS_PUNCH_TIMER_FAILED 61243
#define IDS_SET_PUNCH_FAILED 61244
#define IDS_GET_PUNCH_FAILED 61245
#define IDS_PUNCH_WAITING 61246
#define IDS_PUNCH_HIT 61247
#define IDS_NO_PUNCH 61248
#define IDS_TC_PAUSED 61249
// Of its own number: a typed punch-in time that cannot be armed; "%s" takes
// the earliest and the latest time, as shown.
#define IDS_PUNCH_TIME_REFUSED 61320

// Texts of their own numbers. The board-information report takes the error
// code; in the others "%d" and "%s" take the values in order.
#define IDS_BOARD_INFO_FAILED 61300
#define IDS_BOOT_RESULT 61301
#define IDS_UPDATE_TIMEOUT 61302

// Shared by the meter and mixer windows: the user label dialog, the items
// both append to their system menus, and the Show, Label and font items of
// their settings menus.
#define IDD_USER_LABEL 135
#define IDC_LABEL_PROMPT 1012
#define IDC_LABEL_TEXT 1013
#define IDS_LABEL_PROMPT 61226
#define IDS_BITMAP_LOAD_FAILED 61225
#define IDS_KEEP_ON_TOP 33001
#define IDS_SAVE_SETTINGS 33002
#define ID_KEEP_ON_TOP 4096
#define ID_SAVE_SETTINGS 4464
#define ID_SHOW_INPUTS 4112
#define ID_SHOW_OUTPUTS 4128
#define ID_SHOW_MASTER 4144
#define ID_LABEL_FONT 4192
#define ID_LABEL_PHYSICAL 4416
#define ID_LABEL_LOGICAL 4432
#define ID_LABEL_USER 4448

// The meter window: its settings menu (134) and tray menu (136), the items
// of its system menu and tray menu, its titles and its failures. Its scale
// bitmaps and tray icons are drawn at build time (genmeters.py).
#define IDR_METER_SETTINGS 134
#define IDR_TRAY_METER_SETTINGS 136
#define IDS_METER_SETTINGS 33000
#define IDS_MOVE_TO_TRAY 33003
#define IDS_TRAY_METERS_HEADER 33005
#define IDS_RESTORE_METERS 33006
#define IDS_TRAY_METER_SETTINGS 33007
#define IDS_CLOSE_TRAY_METER 33008
#define IDS_METERS_TITLE 61214
#define IDS_BOARD_METERS_TITLE 61238
#define IDS_METER_BRUSH_FAILED 61220
#define IDS_BACKGROUND_BRUSH_FAILED 61221
#define IDS_METER_TIMER_FAILED 61222
#define IDS_METER_FONT_FAILED 61223
#define IDS_METER_READ_FAILED 61224
#define ID_MOVE_TO_TRAY 13104
#define ID_DECAY_RATE 4160
#define ID_REFERENCE_LEVEL 4176
#define ID_MODE_INSTANTANEOUS 4208
#define ID_MODE_PEAK_HOLD 4224
#define ID_MODE_INFINITE_HOLD 4240
#define ID_RANGE_30DB 4352
#define ID_RANGE_60DB 4368
#define ID_RANGE_96DB 1120
#define ID_RANGE_144DB 4400
#define ID_TRAY_METERS_HEADER 32812
#define ID_RESTORE_METERS 32813
#define ID_CLOSE_TRAY_METER 104

// The board status sheet and its pages (dialog 136): lamps 1054-1066 in
// order, each with its check box; lamp pictures and page icons 147-150 are
// drawn at build time.
#define IDD_STATUS_PAGE 136
#define IDB_LAMP_LIT 147
#define IDB_LAMP_UNLIT 150
#define IDI_STATUS_PAGE_FIRST 147
#define IDC_LAMP_FIRST 1054
#define IDC_CHECK_REAL_TIME 1007
#define IDC_CHECK_POWER_ON 1008
#define IDC_CHECK_SLOW_CLOCK 1009
#define IDC_CHECK_NO_CLOCK 1010
#define IDC_CHECK_NO_SYNC 1024
#define IDC_CHECK_INPUT_A 1012
#define IDC_CHECK_INPUT_B 1013
#define IDC_CHECK_VALIDITY 1015
#define IDC_CHECK_CONFIDENCE 1016
#define IDC_CHECK_CRC 1017
#define IDC_CHECK_PARITY 1021
#define IDC_CHECK_BIPHASE 1019
#define IDC_CHECK_NO_LOCK 1022
#define IDC_MEASURED_RATE 1020
#define IDC_VERDICT 1025
#define IDC_CLEAR_ERRORS 3
#define IDS_SYSTEM_OK 165
#define IDS_SYSTEM_ERRORS 166
#define IDS_MASKED_ERRORS 167
#define IDS_STATUS_CAPTION 61230
#define IDS_STATUS_PAGE_FIRST 61231
#define IDS_STATUS_TIMER_FAILED 61241

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
