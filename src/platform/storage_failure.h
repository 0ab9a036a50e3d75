// Whether the system has refused this process a file operation it needed:
// no space left, a quota reached, a read-only or failing file system, no
// permission, no descriptor left, a read that failed. Every file the
// program touches after that may be lost or wrong as well, so a run takes
// it as a stop (its files are removed and it ends with the failure named)
// instead of producing results with files missing or cut short.
#pragma once

#include <string>
#include <string_view>

namespace kv {

// True for the errno values that are such a refusal. The others (a missing
// file or folder, an existing name, a name too long) are answers the caller
// expects and handles itself.
bool IsRefusal(int error);

// Keeps the first refusal (errno and the disk or internal path it concerns);
// other errors are ignored. NoteReadFailure is for a file that could not be
// read: any error of a read counts, a read cut short is never an end of file.
void NoteWriteFailure(int error, std::string_view path = {});
void NoteReadFailure(int error, std::string_view path);
// The kept errno; 0 while nothing was refused.
int StorageFailure();

struct StorageFailureInfo {
  int error = 0;
  bool reading = false;
  std::string path;  // as the caller gave it; may be empty
};
StorageFailureInfo StorageFailureDetails();

// Keeps a failure another process of the run met (a forked helper): the
// first one, as if met here.
void NoteStorageFailure(const StorageFailureInfo& failure);

// Forgets it (the start of a command).
void ClearStorageFailure();

}  // namespace kv
