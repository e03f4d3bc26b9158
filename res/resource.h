// resource.h - identifiers shared by the resource script and the program.
#ifndef RES_RESOURCE_H
#define RES_RESOURCE_H

#define IDD_SETUP 105
#define IDI_SETUP 111

#define IDC_VIEW_HELP 1027
#define IDC_NEXT 1031
#define IDC_WELCOME_TEXT 1032
#define IDC_WELCOME_NOTE 1034
#define IDC_DONE_TEXT 1035
#define IDC_DONE_NOTE 1037
#define IDC_PROGRESS 1038
#define IDC_STATUS 1039
#define IDC_FOLDER_PROMPT 1040
#define IDC_BROWSE 1041
#define IDC_FOLDER 1042

// Payload resources, type "FILE"; which row installs which is the manifest's business.
#define IDR_HELP_FILE 134
#define IDR_QELT_WS1 135
#define IDR_QELT_WS2 136
#define IDR_ALIASES 137
#define IDR_TESSMOR_WS1 138
#define IDR_TESSMOR_WS2 139
#define IDR_README 140
#define IDR_SERVERS 141

#endif
