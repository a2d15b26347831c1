/* Resource and control ids of Velkmar, shared by the resource script, the
   program and its window tests. Only #define lines: windres reads this
   file too. */
#ifndef VELKMAR_RESOURCES_RESOURCE_H
#define VELKMAR_RESOURCES_RESOURCE_H

/* Dialog templates and the icon group. */
#define IDD_EXTRACT_PAGE 101
#define IDD_ABOUT_BOX 107
#define IDD_PACK_PAGE 108
#define IDI_VELKMAR 108

/* Controls without an id (group boxes, labels, the About box's icon). */
#define IDC_UNNAMED -1

/* Extract page. */
#define IDC_EXTRACT 1000
#define IDC_PLAY 1001
#define IDC_SOURCE_FILE 1002
#define IDC_BROWSE_FILE 1003
#define IDC_EFFECTS 1004
#define IDC_MUSIC 1005
#define IDC_SINGLE_FILE 1007
#define IDC_SOURCE_FOLDER 1009
#define IDC_BROWSE_FOLDER 1010
#define IDC_WHOLE_FOLDER 1011
#define IDC_FORCE_MODE 1012

/* Both pages: the progress bar and the status line under it. */
#define IDC_PROGRESS 1013
#define IDC_STATUS 1015

/* About box: the link to the maker's web page. */
#define IDC_SITE_LINK 1016

/* Pack page. */
#define IDC_PACK_SOURCE 1018
#define IDC_PACK_DESTINATION 1019
#define IDC_BROWSE_PACK_SOURCE 1020
#define IDC_BROWSE_PACK_DESTINATION 1021
#define IDC_PACK 1022

#endif
