// Identifiers of the resource module ZEL.dll, shared by the module's script and the player.
// Plain #defines: the resource compiler reads this file too.
#pragma once

// Dialog templates
#define IDD_ABOUTBOX            100
#define IDD_PLAYER              101

// Icon
#define IDI_PLAYER              128

// Controls of the player window
#define IDC_PICTURE             1001
#define IDC_PLAY                1011
#define IDC_PAUSE               1012
#define IDC_SKIP_BACK           1013
#define IDC_SKIP_FORWARD        1014
#define IDC_NEXT_PICTURE        1015
#define IDC_PREV_PICTURE        1016
#define IDC_TOPMOST             1017
#define IDC_MUTE                1018
#define IDC_COMPACT             1019
#define IDC_CLOSE               1020
#define IDC_MAXIMIZE            1021
#define IDC_MINIMIZE            1022
#define IDC_INDICATOR           1023
#define IDC_TITLE               1024
#define IDC_TIME                1025
#define IDC_TARGET_TIME         1026
#define IDC_SEEKBAR             10000
#define IDC_VOLUME              10001

// Controls of the about box (besides IDOK)
#define IDC_ABOUT_PRODUCT       1027
#define IDC_ABOUT_COPYRIGHT     1028
#define IDC_ABOUT_KEYS          1029

// Skin bitmaps: button images and masks
#define IDB_PLAY_PRESSED        200
#define IDB_PLAY_NORMAL         201
#define IDB_PLAY_HOVER          202
#define IDB_PLAY_MASK           203
#define IDB_PAUSE_MASK          204
#define IDB_PAUSE_PRESSED       205
#define IDB_PAUSE_HOVER         206
#define IDB_PAUSE_NORMAL        207
#define IDB_BACK_PRESSED        208
#define IDB_BACK_HOVER          209
#define IDB_BACK_MASK           210
#define IDB_BACK_NORMAL         211
#define IDB_FORWARD_MASK        212
#define IDB_FORWARD_PRESSED     213
#define IDB_FORWARD_HOVER       214
#define IDB_FORWARD_NORMAL      215
#define IDB_NEXT_MASK           216
#define IDB_PREV_PRESSED        217
#define IDB_PREV_HOVER          218
#define IDB_PREV_NORMAL         219
#define IDB_NEXT_PRESSED        220
#define IDB_NEXT_HOVER          221
#define IDB_NEXT_NORMAL         222
#define IDB_PREV_MASK           223
#define IDB_TOPMOST_ON          224
#define IDB_TOPMOST_PRESSED     225
#define IDB_CLOSE               226
#define IDB_COMPACT_FULL        227
#define IDB_COMPACT_STRIP       228
#define IDB_TOPMOST_OFF         229
#define IDB_TOPMOST_MASK        230
#define IDB_CLOSE_MASK          231
#define IDB_COMPACT_MASK        232
#define IDB_HEADER              233
#define IDB_SEEK_THUMB          235
#define IDB_SEEK_TRACK          236
#define IDB_MUTE_MASK           237
#define IDB_MUTED_PRESSED       238
#define IDB_UNMUTED_PRESSED     239
#define IDB_MUTED_HOVER         240
#define IDB_UNMUTED_HOVER       241
#define IDB_MUTED_NORMAL        242
#define IDB_UNMUTED_NORMAL      243
#define IDB_VOLUME_TRACK        244
#define IDB_VOLUME_THUMB        245
#define IDB_SEEK_THUMB_MASK     246
#define IDB_MARK_MASK           247
#define IDB_MARK                248
#define IDB_INDICATOR_BLANK     249
#define IDB_INDICATOR_PLAYING   250
#define IDB_INDICATOR_BACK      251
#define IDB_INDICATOR_PAUSED    252
#define IDB_INDICATOR_FORWARD   253
#define IDB_SCALE_MINOR         254
#define IDB_SCALE_MAJOR         255
#define IDB_NO_PICTURE          256
#define IDB_MINIMIZE            257
#define IDB_RESTORE             258
#define IDB_MAXIMIZE            259
#define IDB_MINIMIZE_MASK       260
#define IDB_RESTORE_MASK        261
#define IDB_MAXIMIZE_MASK       262

// The skin bitmaps drawn for 150 and 200 percent scale: the bitmap's ID plus one of these
#define IDB_SCALE_150           1000
#define IDB_SCALE_200           2000

// Strings: tooltips
#define IDS_TIP_PLAY            10000
#define IDS_TIP_PAUSE           10001
#define IDS_TIP_NEXT_PICTURE    10002
#define IDS_TIP_PREV_PICTURE    10003
#define IDS_TIP_SKIP_FORWARD    10004
#define IDS_TIP_SKIP_BACK       10005
#define IDS_TIP_VOLUME          10006
#define IDS_TIP_MUTE            10007
#define IDS_TIP_TOPMOST         10008
#define IDS_TIP_COMPACT         10009
#define IDS_TIP_CLOSE           10010
#define IDS_TIP_MAXIMIZE        10011
#define IDS_TIP_MINIMIZE        10012

// Strings: context menu
#define IDS_MENU_FILE           15000
#define IDS_MENU_OPEN           15001
#define IDS_MENU_PLAYBACK       15002
#define IDS_MENU_PLAY           15003
#define IDS_MENU_PAUSE          15004
#define IDS_MENU_NEXT_PICTURE   15005
#define IDS_MENU_PREV_PICTURE   15006
#define IDS_MENU_SKIP_FORWARD   15007
#define IDS_MENU_SKIP_BACK      15008
#define IDS_MENU_VOLUME         15009
#define IDS_MENU_VOLUME_UP      15010
#define IDS_MENU_VOLUME_DOWN    15011
#define IDS_MENU_MUTE           15012
#define IDS_MENU_TOPMOST        15013
#define IDS_MENU_COMPACT        15014

// Strings: names that screen readers hear for controls without a tooltip
#define IDS_NAME_SEEKBAR        16000

// Strings: failures and the about item
#define IDS_STARTUP_FAILED      20000
#define IDS_PLAYBACK_FAILED     20002
#define IDS_ABOUTBOX            30000

// Context-menu commands
#define ID_MENU_OPEN            20000
#define ID_MENU_COMPACT         20001
#define ID_MENU_TOPMOST         20002
#define ID_MENU_PLAY            20003
#define ID_MENU_PAUSE           20004
#define ID_MENU_NEXT_PICTURE    20005
#define ID_MENU_PREV_PICTURE    20006
#define ID_MENU_SKIP_FORWARD    20007
#define ID_MENU_SKIP_BACK       20008
#define ID_MENU_VOLUME_UP       20009
#define ID_MENU_VOLUME_DOWN     20010
#define ID_MENU_MUTE            20011
#define ID_MENU_ABOUT           20012

// Strings: the listening speed
#define IDS_MENU_SPEED              17000
#define IDS_SPEED_VALUE             17001

// Commands: the seven listening speeds, slowest first
#define ID_MENU_SPEED_FIRST         20100
#define ID_MENU_SPEED_LAST          20106

// Strings: resuming, recent documents, the picture list and pausing at each picture
#define IDS_RESUMED_AT              17100
#define IDS_RECENT_NONE             17101
#define IDS_MENU_RECENT             17102
#define IDS_MENU_PICTURE_LIST       17103
#define IDS_PICTURE_LIST_TITLE      17104
#define IDS_PICTURE_LIST_ENTRY      17105
#define IDS_PICTURE_LIST_NO_PICTURE 17106
#define IDS_MENU_PAUSE_AT_PICTURES  17107
#define IDS_RECENT_MISSING          17108

// The list-view control of the picture list window
#define IDC_PICTURE_LIST            17150

// Commands: the picture list, pausing at each picture and the recent documents (one command for each of the eight places)
#define ID_MENU_PICTURE_LIST        20200
#define ID_MENU_PAUSE_AT_PICTURES   20201
#define ID_MENU_RECENT_NONE         20209
#define ID_MENU_RECENT_FIRST        20210
#define ID_MENU_RECENT_LAST         20217

// System-menu item appended by the player window
#define IDM_ABOUTBOX            0x0010
