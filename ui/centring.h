// Where a window goes to sit in the middle of the screen.
#ifndef VELKMAR_UI_CENTRING_H
#define VELKMAR_UI_CENTRING_H

#include <windows.h>

// Top-left corner that centres a width x height window on a screen of
// screenWidth x screenHeight, in signed arithmetic truncating toward zero:
// a window larger than the screen gets a negative coordinate.
POINT CentredOrigin(int screenWidth, int screenHeight, int width, int height);

#endif
