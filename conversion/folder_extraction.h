// Folder extraction: every packed sound file of one folder to WAV files in
// another, in three passes (*.wad, *.adx, *.adp), with the Extract page's
// status line, progress bar and Stop button.
#ifndef VELKMAR_CONVERSION_FOLDER_EXTRACTION_H
#define VELKMAR_CONVERSION_FOLDER_EXTRACTION_H

// Runs the three passes and sums their outcome up in one message box.
void ExtractFolder(const char* sourceFolder, const char* destinationFolder);

// One pass over the files of sourceFolder that match pattern. Returns 1
// when every file was converted, 0 otherwise or when none matches.
int ExtractFolderKind(const char* pattern, const char* sourceFolder, const char* destinationFolder);

// Removes and dispatches every window message pending for the thread;
// returns as soon as none is left, without waiting.
void PumpPendingMessages();

#endif
