// Resource and control ids of the kit's programs.
#ifndef RES_RESOURCE_H
#define RES_RESOURCE_H

#define IDI_MAIN 104
#define IDD_MAIN 105
#define IDD_OPTIONS 109

// Main dialog, both layouts (IDCANCEL, 2, is the platform's).
#define IDC_INSTALL 1000
#define IDC_PLAY 1001
#define IDC_EXIT 1002
#define IDC_BROWSE 1003
#define IDC_TARGET_PATH 1004
#define IDC_PROGRESS 1005
#define IDC_README 1006
#define IDC_UPDATE 1008
#define IDC_PROMPT 1009
#define IDC_UNINSTALL 1014
#define IDC_LABEL_WHITE 1017
#define IDC_LABEL_BLACK 1018
#define IDC_STATUS_FILE 1019
#define IDC_MANUAL 1020
#define IDC_STATUS_TIME 1021
// Decoration of the setup layout; no code refers to it. Message boxes give
// their text the id 0xFFFF, so no control here uses -1.
#define IDC_BANNER 1030

// Install options dialog; 1020 and 1021 mean other controls here.
#define IDC_OPT_SIZE 1011
#define IDC_OPT_OK 1012
#define IDC_OPT_CANCEL 1013
#define IDC_OPT_TYPE 1015
#define IDC_OPT_BASE 1020
#define IDC_OPT_PICT 1021
#define IDC_OPT_TUNE 1022
#define IDC_OPT_TALK 1023
#define IDC_OPT_GROUP 1030
#define IDC_OPT_SIZE_LABEL 1031

#endif
