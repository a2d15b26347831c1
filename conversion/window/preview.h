// Preview: plays the packed sound file named in the Extract page's file
// field through a fresh temporary WAV file, asynchronously.
#ifndef VELKMAR_CONVERSION_WINDOW_PREVIEW_H
#define VELKMAR_CONVERSION_WINDOW_PREVIEW_H

// Extracts the file to a new temporary WAV file and starts playing it.
// Shows no message; plays nothing when the extraction fails.
void PlayPreview();

// Stops any preview sound, then deletes the preview files this run made.
// Called once, when the program ends.
void RemovePreviewFiles();

#endif
