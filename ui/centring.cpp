// Centring arithmetic, kept apart from the window so that it can be tested
// on its own.
#include "ui/centring.h"

POINT CentredOrigin(int screenWidth, int screenHeight, int width, int height) {
    POINT origin;
    origin.x = (screenWidth - width) / 2;
    origin.y = (screenHeight - height) / 2;
    return origin;
}
