// Path checks of the command line: what a path names before anything is
// converted.
#ifndef VELKMAR_CLI_PATHS_H
#define VELKMAR_CLI_PATHS_H

#include <string>

// True when both paths exist and name the same file.
bool SameExistingFile(const std::string& a, const std::string& b);

// True when path exists at all.
bool PathExists(const std::string& path);

// True when path is an existing folder.
bool IsFolder(const std::string& path);

// Creates the folder path (its parent must exist). True on success.
bool CreateFolder(const std::string& path);

#endif
