/* Identifiers shared by the agreement dialog template and its procedure. */
#ifndef AGREEMENT_IDS_H
#define AGREEMENT_IDS_H

/* The buttons use the predefined IDOK (1, "&Accept") and IDCANCEL (2, "Do Not Accept"),
   so that Enter, Esc and the close box reach them through the dialog manager. */
#define IDC_AGREEMENT_TEXT 1000

#endif
