// Folder extraction: every packed sound file of one folder to WAV files in
// another, in three passes (*.wad, *.adx, *.adp), with the Extract page's
// status line, progress bar and Stop button.
#ifndef VELKMAR_CONVERSION_WINDOW_FOLDER_EXTRACTION_H
#define VELKMAR_CONVERSION_WINDOW_FOLDER_EXTRACTION_H

// Runs the three passes, each in the mode the channel rule gives its
// extension under the Extract page's "Режим", and sums their outcome up in
// one message box owned by the Extract page. Shows nothing when the
// program is ending.
void ExtractFolder(const char* sourceFolder, const char* destinationFolder);

// One pass over the files of sourceFolder that match pattern ("*.wad"),
// read in channels (1 or 2); leaves sourceFolder the current directory.
// Returns 1 when every file was converted, 0 otherwise, when none matches,
// or when sourceFolder cannot be made the current directory.
int ExtractFolderKind(const char* pattern, int channels, const char* sourceFolder, const char* destinationFolder);

// Removes and dispatches every window message pending for the thread;
// returns as soon as none is left, without waiting. A quit request it
// meets is posted again and noted in g_quitRequested.
void PumpPendingMessages();

#endif
