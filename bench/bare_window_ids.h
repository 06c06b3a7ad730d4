// Resource ids of the reference program, shared by its .rc and its code.
#ifndef EXITBUTTON_BARE_WINDOW_IDS_H
#define EXITBUTTON_BARE_WINDOW_IDS_H

#define IDB_BARE_FACE 1

#endif
