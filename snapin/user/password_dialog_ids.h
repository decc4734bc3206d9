/*
 * Controls of the remote client password dialog (template CONFIGPASSWORD).
 * Included by the resource script and by the dialog's code: #defines only.
 * OK and Cancel are the system's IDOK (1) and IDCANCEL (2).
 */
#ifndef RAX_PASSWORD_DIALOG_IDS_H
#define RAX_PASSWORD_DIALOG_IDS_H

#define IDC_NEW_PASSWORD           1017  /* edit, password style, 16 characters */
#define IDC_RETYPE_PASSWORD        1018  /* edit, password style, 16 characters */

#endif
