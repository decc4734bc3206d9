/*
 * Controls of the User Parameters page (template USERPARAMETERS). Included by
 * the resource script and by the page's code, so it holds only #defines.
 */
#ifndef RAX_USER_PARAMETERS_IDS_H
#define RAX_USER_PARAMETERS_IDS_H

#define IDC_CHANGE_PASSWORD        1003  /* push button: opens CONFIGPASSWORD */
#define IDC_DEFAULT_CONNECT_TIME   1004  /* check box "Use Default Maximum Connect Time" */
#define IDC_DIALBACK_NUMBER        1006  /* edit, 40 characters */
#define IDC_CONNECT_TIME           1007  /* edit, minutes, 6 characters */
#define IDC_DIALBACK_PORT          1009  /* check box "Use Dial-in Port for Dialback" */
#define IDC_ALLOW_PASSWORD_CHANGE  1011  /* check box */
#define IDC_DISABLE_PASSWORD       1012  /* check box */
#define IDC_DISABLE_DAYS           1013  /* edit, days, 3 characters */
#define IDC_DIALBACK_MODE          1014  /* drop-down list of the five modes */
#define IDC_AFTER_LABEL            1019
#define IDC_DAYS_LABEL             1020
#define IDC_CONNECT_TIME_LABEL     1021
#define IDC_CONNECT_MINUTES_LABEL  1022
#define IDC_MODE_LABEL             1023
#define IDC_DIALBACK_NUMBER_LABEL  1024
#define IDC_SPECIFY_IDLE_TIMEOUT   1088  /* check box */
#define IDC_IDLE_TIMEOUT           1089  /* edit, minutes, 6 characters */
#define IDC_IDLE_MINUTES_LABEL     1090

#endif
