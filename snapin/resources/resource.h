/*
 * Resource ids of RAXADM95. Included by the resource script and by the C++
 * sources, so it holds nothing but #defines.
 *
 *   5001-5022  messages
 *   5030-5039  messages about saving and reading as a whole
 *   6000-6017  captions, tab titles and labels
 *   IDD_ / IDC_ dialog templates and their controls are added with the pages.
 */
#ifndef RAX_RESOURCE_H
#define RAX_RESOURCE_H

/* Messages. */
#define IDS_OUT_OF_MEMORY              5001
#define IDS_BAD_IPX_ADDRESS            5002
#define IDS_BAD_IPX_MASK               5003
#define IDS_BAD_DOMAIN_NAME            5004
#define IDS_BAD_BOOT_FILE_NAME         5005
#define IDS_BAD_DOTTED_QUAD            5006
#define IDS_BAD_PASSWORD_CHARS         5010
#define IDS_BAD_DISABLE_DAYS           5011
#define IDS_BAD_CONNECT_TIME           5012
#define IDS_BAD_IDLE_TIMEOUT           5013
#define IDS_BAD_NETWORK_ADDRESS        5014
#define IDS_BAD_NODE_ADDRESS           5015
#define IDS_DUPLICATE_SERVER_ADDRESS   5016
#define IDS_PASSWORD_NOT_RETYPED       5017
#define IDS_PASSWORD_TOO_SHORT         5018
#define IDS_BAD_ZONE_NAME              5019
#define IDS_DUPLICATE_ZONE_NAME        5020
#define IDS_BAD_DIALBACK_NUMBER        5021
#define IDS_LONG_PASSWORD_WARNING      5022
#define IDS_SAVE_FAILED                5030
#define IDS_SAVE_OTHER_OBJECT          5031
#define IDS_ZONES_UNREADABLE           5032

/* Captions, tab titles and labels. */
#define IDS_SNAPIN_CAPTION             6000
#define IDS_TITLE_REMOTE_ACCESS_2      6001
#define IDS_TITLE_REMOTE_ACCESS_1      6002
#define IDS_TITLE_REMOTE_ACCESS        6003
#define IDS_DIALBACK_GLOBAL_DEFAULT    6004
#define IDS_DIALBACK_NOT_ALLOWED       6005
#define IDS_DIALBACK_FIXED_NUMBER      6006
#define IDS_DIALBACK_ANY_NUMBER        6007
#define IDS_DIALBACK_CALLER_NUMBER     6008
#define IDS_SCHEMA_EXTENSION_FAILED    6015
#define IDS_HELP_FILE_NAME             6016

#endif
