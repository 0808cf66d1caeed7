#pragma once
// Resource ids shared by the .rc file and the program's code.

// Step dialogs.
#define IDD_WELCOME 113
#define IDD_SOURCE 102
#define IDD_DESTINATION 103
#define IDD_FILETYPES 104
#define IDD_PREFIX 116
#define IDD_FORMAT 119
#define IDD_VERIFY 117
#define IDD_UNPACKING 118
#define IDD_EXPORT 120         // the export for analysis, after the format step

// Bitmaps.
#define IDB_COLUMN_TILE 105     // water column tile, 66 x 80
#define IDB_VEHICLE 108         // the vehicle on its line, 64 x 80
#define IDB_HEADER 109          // step header tile, 128 x 64
#define IDB_COLUMN_TOP 110      // top tile of the column, 66 x 80
#define IDB_SMALL 112           // small picture on every step page, 32 x 64
#define IDB_BANNER 114          // welcome banner, 510 x 64
#define IDB_FOOTER 115          // welcome footer, 510 x 48, 256 colours

// Icon.
#define IDI_DAVROLIN 123

// Controls.
#define IDC_ALL_FILES 1068
#define IDC_FILES_GROUP 1001
#define IDC_ENGINEERING 1002
#define IDC_CTD 1003
#define IDC_ACM 1004
#define IDC_DEPLOYMENT_LOG 1005
#define IDC_EXCEPTION_LOG 1006
#define IDC_NEXT 1008           // Next, Begin, Unpack! and Close
#define IDC_SUMMARY_TEXT 1011
#define IDC_SELECT_FILES 1012
#define IDC_BACK 1013           // Back and Exit
#define IDC_SOURCE_PATH 1014
#define IDC_SOURCE_INTRO 1015
#define IDC_DEST_INTRO 1019
#define IDC_RANGE_ENTIRE 1021
#define IDC_RANGE_SINGLE 1022
#define IDC_RANGE_RANGE 1023
#define IDC_FIRST_CAPTION 1024
#define IDC_LAST_CAPTION 1025
#define IDC_FIRST_PROFILE 1026
#define IDC_LAST_PROFILE 1027
#define IDC_SMALL_PICTURE 1031
#define IDC_PROGRAM_NAME 1035
#define IDC_FIRMWARE_LINE 1036
#define IDC_BUILD_LINE 1037
#define IDC_WELCOME_BANNER 1039
#define IDC_WELCOME_PROMPT 1040
#define IDC_SUMMARY_BOX 1043
#define IDC_DEST_PATH 1049
#define IDC_VERIFY_PROMPT 1055
#define IDC_HELP_BUTTON 1056
#define IDC_CANCEL 1057
#define IDC_PREFIX_TEXT 1058
#define IDC_PREFIX 1060
#define IDC_FORMAT_TEXT 1064
#define IDC_SHOW_DETAILS 1067
#define IDC_LOG_BOX 1069
#define IDC_STATUS_LINE 1070
#define IDC_USE_PREFIX 1071
#define IDC_PROGRESS 1072
#define IDC_PERCENT 1073
#define IDC_HUMAN_READABLE 1074
#define IDC_BROWSE_GROUP 1080
#define IDC_BROWSE_FOLDERS 1081
#define IDC_BROWSE_DRIVES 1082
#define IDC_BROWSE_CONTENTS 1083
#define IDC_BROWSE_CONTENTS_LABEL 1084
#define IDC_CHECK_BROWSE 1086
#define IDC_START_AGAIN 1088
#define IDC_EXPORT_TEXT 1090
#define IDC_EXPORT_GROUP 1091
#define IDC_EXPORT_NETCDF 1092
#define IDC_EXPORT_CSV 1093
#define IDC_LATITUDE_CAPTION 1094
#define IDC_LATITUDE 1095
#define IDC_LONGITUDE_CAPTION 1096
#define IDC_LONGITUDE 1097
#define IDC_METADATA_CAPTION 1098
#define IDC_METADATA_FILE 1099

#ifndef IDC_STATIC
#define IDC_STATIC -1
#endif
