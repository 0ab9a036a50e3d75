// Whether the disk has refused a write of this process: no space left, a
// quota reached, a read-only or failing file system. Every file the program
// writes after that would be lost as well, so an analysis run takes it as a
// stop (the run's files are removed and the run ends with the failure
// named) instead of producing results with files missing.
#pragma once

namespace kv {

// Keeps `error` (an errno) when it is one of the disk's refusals and none
// was kept before; other errors (a missing folder, a bad name) are ignored.
void NoteWriteFailure(int error);
// The kept errno; 0 while the disk has refused nothing.
int StorageFailure();
// Forgets it (the start of a run).
void ClearStorageFailure();

}  // namespace kv
