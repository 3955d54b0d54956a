/* Resource and control identifiers of the Windows front end. */
#ifndef FENWOLD_WIN32_RESOURCE_H
#define FENWOLD_WIN32_RESOURCE_H

#define IDI_FENWOLD 1
#define IDD_MAIN 100
#define IDD_ABOUT 101
#define IDD_INFO 102

#define IDC_FILE_LABEL 1000
#define IDC_OPEN 1001
#define IDC_FILE_INFO 1002
#define IDC_QUICK_VIEW 1003
#define IDC_OUTPUT_GROUP 1004
#define IDC_CONVERT 1005
#define IDC_SUDS 1006
#define IDC_MINISEED 1007
#define IDC_ASCII_MULTI 1008
#define IDC_ASCII_ONE 1009
#define IDC_CLOSE_BUTTON 1010
#define IDC_WORK_LABEL 1011
#define IDC_PROGRESS 1012
#define IDC_CANCEL_WORK 1013
#define IDC_INFO_FILE 1020
#define IDC_INFO_HEADER 1021
#define IDC_INFO_LIST 1022
#define IDC_ABOUT_VERSION 1030
#define IDC_NAME_LOGO 1031
#define IDC_TRACE_LOGO 1032

/* System menu item: below 0xF000, a multiple of 16. */
#define IDM_ABOUTBOX 0x0010

#endif
