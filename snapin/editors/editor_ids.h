/*
 * Control ids of the list editors: CONFIGHOMESERVER with its two add dialogs
 * CONFIGADDSERVER and CONFIGADDSAP, and CONFIGZONELIST with CONFIGADDZONE.
 * Included by the C++ sources and by the resource scripts.
 */
#ifndef RAX_EDITOR_IDS_H
#define RAX_EDITOR_IDS_H

#define IDC_EDITOR_HELP             9

/* CONFIGHOMESERVER */
#define IDC_BY_NAME                 1070
#define IDC_BY_ADDRESS              1071
#define IDC_SERVER_LIST             1072
#define IDC_ADD_SERVER              1069
#define IDC_DELETE_SERVER           1068

/* CONFIGADDSERVER */
#define IDC_SERVER_NAMES            1079

/* CONFIGADDSAP */
#define IDC_NETWORK_ADDRESS         1078
#define IDC_NODE_ADDRESS            1077

/* CONFIGZONELIST */
#define IDC_ZONE_EDIT_LIST          1030
#define IDC_ADD_ZONE                1085
#define IDC_DELETE_ZONE             1086

/* CONFIGADDZONE */
#define IDC_ZONE_NAME               1087

#endif
