// Shared helpers of the fuzz targets: a private scratch folder, whole-file
// reads and writes, and the checks that a failed conversion lost nothing.
// A broken expectation aborts, so that libFuzzer records the input.
#ifndef VELKMAR_FUZZ_FUZZ_SUPPORT_H
#define VELKMAR_FUZZ_FUZZ_SUPPORT_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

typedef std::vector<uint8_t> Bytes;

// Aborts with the message when condition is false.
void FuzzCheck(bool condition, const char* what);

// Path of name inside this process's scratch folder (made on first use,
// on /dev/shm where it exists, removed at exit).
std::string ScratchPath(const std::string& name);

void WriteBytes(const std::string& path, const uint8_t* data, size_t size);
Bytes ReadBytes(const std::string& path);

// Names in the scratch folder, sorted.
std::vector<std::string> ScratchNames();

// The destination every target starts from: a file with known bytes that
// a failed conversion must leave exactly as it was.
extern const Bytes KEPT_DESTINATION;

// Writes KEPT_DESTINATION to path.
void PlaceKeptDestination(const std::string& path);

// After a failure: the destination still holds KEPT_DESTINATION and the
// scratch folder holds exactly the expected names (no temporary file).
void CheckNothingLost(const std::string& destination, const std::vector<std::string>& names);

#endif
