// The identifiers of the Windows settings editor's resources, shared by
// Main_win32.rc and the window's code.
#pragma once

#define IDD_CONFIGURATOR 100
#define IDD_MASKINPUT 101
#define IDR_CONFIGURATOR_MENU 102
#define IDR_CONFIGURATOR_KEYS 103

#define IDC_MASKTABS 1001
#define IDC_HINT 1002
#define IDC_FOLDERSLABEL 1003
#define IDC_FOLDERS 1004
#define IDC_FOLDERPATH 1005
#define IDC_BROWSE 1006
#define IDC_REPLACE 1007
#define IDC_ADD 1008
#define IDC_DELETE 1009
#define IDC_HIDDENLABEL 1010
#define IDC_HIDDENCOUNT 1011
#define IDC_FILTERLABEL 1012
#define IDC_VOLUMEFILTER 1013
#define IDC_HIDEFILTERED 1014
#define IDC_DELETEHIDDEN 1015
#define IDC_DELETEREADONLY 1016
#define IDC_USERECYCLEBIN 1017
#define IDC_STATUS 1018
#define IDC_NOSERVER 1019
#define IDC_MASK 1020
#define IDC_MASKLABEL 1021

#define IDM_RELOAD 2001
#define IDM_SAVE 2002
#define IDM_EXIT 2003
#define IDM_ADDMASK 2004
#define IDM_EDITMASK 2005
#define IDM_DELETEMASK 2006
#define IDM_RUNUTILITY 2007
#define IDM_ABOUT 2008
// The Excluded Volumes items: IDM_VOLUME + the index of the volume choice.
#define IDM_VOLUME 2100
