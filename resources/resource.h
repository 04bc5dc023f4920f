/* Resource ids of the setup program; windres and the C++ sources both read this file.
   Ranges: 1-9999 control ids, 94-95 and 10001-10065 strings, 10100-10199 strings this
   program adds for its own checks, 10200-10219 strings of the check of the carried
   files, 10220-10239 strings of the command line and of a second run, 100 main-window
   command, 120 the table of the carried files' check values,
   307 the icon placement template, 21001-21021 the picture strip and the larger bitmaps. Templates DLG_* and the
   bitmaps NX_BMP, QUORVANE, the icon APP_MAIN and the payload rows are named resources
   and so are deliberately not defined here. */
#ifndef NX_RESOURCE_H
#define NX_RESOURCE_H

/* Main window command that starts the installation */
#define IDM_RUN_SETUP           100

/* Numbered dialog template: icon placement page */
#define IDD_ICON_PLACEMENT      307

/* RCDATA: size and CRC-32 of every carried payload row, generated with the payload */
#define IDR_ROW_CHECKS          120

/* Bitmaps: picture strip shared by the wizard pages, at 100 %, 200 % and 250 %; the
   product and maker bitmaps at 250 % (NX_BMP and QUORVANE are the 100 % ones) */
#define IDB_PICTURE_STRIP       21001
#define IDB_STRIP_200           21002
#define IDB_STRIP_250           21003
#define IDB_PRODUCT_250         21011
#define IDB_MAKER_250           21021

/* Controls */
#define IDC_PICTURE             1016
#define IDC_CHOICE_INSTALL      1851
#define IDC_CHOICE_REMOVE       1852
#define IDC_PLACE_DESKTOP       1851
#define IDC_PLACE_MYCOMPUTER    1852
#define IDC_VIEW_RELNOTES       2423
#define IDC_IFACE_CLASSIC       1880
#define IDC_IFACE_EXPLORER      2417
#define IDC_IFACE_BONUS         2418
#define IDC_IFACE_HELP          9041
#define IDC_DEST_PROMPT         3010
#define IDC_DEST_FOLDER         954
#define IDC_DEST_BROWSE         2416
#define IDC_PICKER_PROMPT       1511
#define IDC_STATUS_TEXT         954

/* Common dialog standard ids used by the folder picker template */
#define IDC_PICK_FILENAME       1152
#define IDC_PICK_FOLDERPATH     1088
#define IDC_PICK_FOLDERS        1121
#define IDC_PICK_DRIVES         1137
#define IDC_PICK_HELP           1038
#define IDC_PICK_FILES          1120
#define IDC_PICK_READONLY       1040
#define IDC_PICK_TYPELABEL      1089
#define IDC_PICK_TYPES          1136

/* String table */
#define IDS_RESTART_INSTALL     94
#define IDS_RESTART_REMOVE      95
#define IDS_ALL_FILES           10001
#define IDS_LOCATE              10002
#define IDS_CREATE_FAILED       10005
#define IDS_INSTALL             10006
#define IDS_COPYING             10007
#define IDS_COPY_FAILED         10008
#define IDS_TITLE_HELP          10012
#define IDS_TITLE_RELNOTES      10013
#define IDS_REMOVE_DONE         10014
#define IDS_REMOVE              10015
#define IDS_REMOVE_LEFTOVER     10016
#define IDS_REMOVE_NORECORD     10017
#define IDS_DEST_PROMPT         10021
#define IDS_DEST_IN_SOURCE      10022
#define IDS_DEST_NONE           10023
#define IDS_INSTALL_FAILED      10028
#define IDS_INSTALL_DONE        10029
#define IDS_CONGRATULATIONS     10030
#define IDS_TITLE_EXPLORERHELP  10036
#define IDS_CLASS_FAILED        10042
#define IDS_WINDOW_FAILED       10043
#define IDS_CHOICE_INSTALL      10045
#define IDS_CHOICE_REMOVE       10046
#define IDS_NOTHING_SELECTED    10047
#define IDS_TITLE_UNINSTALL     10049
#define IDS_ASK_DELETE_INI      10052
#define IDS_TITLE_ICONPLACE     10053
#define IDS_REMOVAL_PROCESS     10054
#define IDS_DELETING_FILES      10055
#define IDS_REMOVING_UNINSTALL  10056
#define IDS_REMOVING_ICONS      10057
#define IDS_UNREG_EXPLORER      10058
#define IDS_UNREG_ICONLINK      10059
#define IDS_LOCATING_GROUP      10060
#define IDS_DELETING_ICON       10061
#define IDS_CLOSING_ICONS       10062
#define IDS_COMPLETED           10063
#define IDS_ASK_MORE_SITES      10064
#define IDS_SITES_CAPTION       10065
#define IDS_DEST_PROTECTED      10100
#define IDS_DEST_TOO_LONG       10101
#define IDS_TEMP_UNUSABLE       10102
#define IDS_NO_ROOM             10103
#define IDS_DEST_NOT_FULL       10104
#define IDS_GROUP_REFUSED       10105
#define IDS_DEST_UNSAFE         10106
#define IDS_REMOVE_FAILED       10110
#define IDS_SETUP_DAMAGED       10200
#define IDS_SETUP_UNCHECKED     10201
#define IDS_USAGE               10220
#define IDS_ALREADY_RUNNING     10221

#endif
