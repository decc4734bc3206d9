/*
 * Control ids of the two network pages, SERVICEPARAMETERS (users) and
 * OTHERPARAMETERS (containers). The IPX and IP groups carry the same ids on
 * both pages. Included by the C++ sources and by the resource scripts, so it
 * holds nothing but #defines.
 */
#ifndef RAX_NETWORK_PAGE_IDS_H
#define RAX_NETWORK_PAGE_IDS_H

/* ARAS group (users only). */
#define IDC_ZONE_LIST               1082
#define IDC_EDIT_ZONES              1031

/* IPX group. */
#define IDC_SPECIFY_IPX_ADDRESS     1032
#define IDC_IPX_ADDRESS_LABEL       1060
#define IDC_IPX_ADDRESS             1033
#define IDC_IPX_MASK_LABEL          1061
#define IDC_IPX_MASK                1034
#define IDC_HOME_SERVER_LIST        1080
#define IDC_EDIT_HOME_SERVERS       1081

/* IP group. */
#define IDC_SPECIFY_DOMAIN          1037
#define IDC_DOMAIN_SERVER_LABEL     1062
#define IDC_DOMAIN_SERVER           1038
#define IDC_DOMAIN_NAME_LABEL       1063
#define IDC_DOMAIN_NAME             1039
#define IDC_SET_BOOT_PARAMETERS     1040
#define IDC_TFTP_SERVER_LABEL       1064
#define IDC_TFTP_SERVER             1041
#define IDC_BOOT_FILE_LABEL         1065
#define IDC_BOOT_FILE               1042

/* Idle timeout group (containers only). */
#define IDC_SPECIFY_IDLE_TIMEOUT    1088
#define IDC_IDLE_TIMEOUT            1089
#define IDC_IDLE_TIMEOUT_LABEL      1090

#endif
