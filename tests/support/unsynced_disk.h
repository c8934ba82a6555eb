// A disk that keeps only what was synced: from Mirror() on, every fsync or
// fdatasync of a file under `folder` (in this process and in children it
// forks) copies the file as it then stands into the same place under
// `disk`. So `disk` always holds what a machine would find after a power
// loss at that moment: every write not yet synced is gone. PowerBack()
// puts that copy in place of the folder, as the machine would find it
// when the power comes back.
//
// The sync calls of the record manager and of SQLite are caught by
// definitions of fsync and fdatasync in the test program itself, which a
// program's libraries use before the C library's.
#pragma once

#include <string>

namespace testdisk {

// Starts mirroring: `disk` is made a copy of `folder` as it stands (taken
// as synced), and syncs from now on update it.
void Mirror(const std::string& folder, const std::string& disk);
// Stops mirroring in this process.
void Stop();
// The folder becomes what `disk` holds (files never synced are gone; the
// -shm files, which nothing syncs, too).
void PowerBack(const std::string& folder, const std::string& disk);

}  // namespace testdisk
