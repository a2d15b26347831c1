/* The program's name and version, for the resource script (version block,
   About box), the code and CMake (the manifest). Only #define lines: windres
   reads this file too. */
#ifndef VELKMAR_RESOURCES_VERSION_H
#define VELKMAR_RESOURCES_VERSION_H

#define VELKMAR_PRODUCT_NAME "Velkmar"
#define VELKMAR_VERSION_NUMBERS 1, 2, 1, 0
#define VELKMAR_VERSION_TEXT "1.2.1.0"

#endif
