// The program's version, for the version block; both forms change together.
#ifndef EXITBUTTON_VERSION_H
#define EXITBUTTON_VERSION_H

#define EXITBUTTON_VERSION_NUMBERS 1, 0, 0, 0
#define EXITBUTTON_VERSION_TEXT "1.00"

#endif
