// Numeric resource ids, shared by exitbutton.rc and the Win32 layer. Plain
// macros and include guards: the resource compiler reads this file too.
#ifndef EXITBUTTON_RESOURCE_IDS_H
#define EXITBUTTON_RESOURCE_IDS_H

#define IDI_EXITBUTTON 1  // icon group, from icon.rc

#define IDB_FACE 101    // the gadget's face, 160 x 120
#define IDB_BUTTON 102  // the round button's design picture, 78 x 77

// The eight JPEG pictures, in PictureId order: id = IDR_PICTURE_FIRST + index.
#define IDR_PICTURE_FIRST 201
#define IDR_BUTTON_NORMAL 201
#define IDR_BUTTON_HOVER 202
#define IDR_FRAME0 203
#define IDR_FRAME1 204
#define IDR_FRAME2 205
#define IDR_FRAME3 206
#define IDR_FRAME4 207
#define IDR_FRAME5 208

#endif
