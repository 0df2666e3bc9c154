// Strings of the setup engine.
#pragma once

#define IDS_COPY_FAILED         101
#define IDS_MOVE_FAILED         102
#define IDS_PACKAGE_MISSING     103
#define IDS_FOLDER_FAILED       104
#define IDS_LOAD_FAILED         105
#define IDS_ENTRY_FAILED        106
#define IDS_REGISTRY_FAILED     107
#define IDS_TRAY_STILL_RUNNING  108
#define IDS_ROLLED_BACK         109
#define IDS_NOT_ROLLED_BACK     110
#define IDS_NOT_PUT_BACK        111
#define IDS_REMOVE_FAILED       112
#define IDS_NOT_REMOVED         113
#define IDS_KEY_NOT_REMOVED     114
#define IDS_NOTHING_REMOVED     115
#define IDS_STOPPED             116
#define IDS_LOG_FAILED          117

#define IDS_INSTALLED           201
#define IDS_AT_RESTART          202
#define IDS_REGISTERED          203
#define IDS_WROTE               204
#define IDS_COEFFICIENTS        205
#define IDS_BOARDS_NONE         206
#define IDS_BOARDS_HARDWARE     207
#define IDS_BOARDS_VIRTUAL      208
#define IDS_TRAY_CLOSED         209
#define IDS_TRAY_STARTED        210
#define IDS_REMOVED             211
#define IDS_UNREGISTERED        212
#define IDS_REMOVED_AT_RESTART  213
#define IDS_KEPT_ASIO           214
#define IDS_KEPT_DATA           216
#define IDS_CLEARED             215
