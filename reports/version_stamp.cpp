// The data-files version stamp: the "0BwFilesVersion" record of a general
// settings file, which tells the release of the data-file layouts.
#include <cstring>

#include "bwps/catalogue.h"
#include "bwps/ordinals.h"
#include "bwps/records.h"
#include "bwps/reports.h"
#include "bwps/table.h"
#include "recman.h"

namespace {

constexpr int kStampLength = GENERAL_FILESVERSION_SIZE;

void StampKey(char* key)
{
    std::memset(key, 0, 255);
    std::memcpy(key, GENERAL_KEY_FILESVERSION, GENERAL_KEY_SIZE - 1);
}

void PutKeyWhenEmpty(TagFilesVersion* stamp)
{
    if (stamp->Key[0] == '\0') {
        std::memset(stamp->Key, 0, sizeof stamp->Key);
        std::memcpy(stamp->Key, GENERAL_KEY_FILESVERSION, GENERAL_KEY_SIZE - 1);
    }
}

void CurrentStamp(TagFilesVersion* stamp)
{
    std::memset(stamp, 0, sizeof *stamp);
    std::memcpy(stamp->Key, GENERAL_KEY_FILESVERSION, GENERAL_KEY_SIZE - 1);
    stamp->Major = FILE_VERSION_MAJOR;
    stamp->Minor = FILE_VERSION_MINOR;
}

}  // namespace

namespace {

// Opens the general file at the path into the table (as
// OpenFileVersionStampFile: -1 when the file is not there).
int OpenStampFile(bwps::Table& file, const char* path)
{
    uint16_t handle = 0;
    const int status = OpenFileVersionStampFile(path, &handle);
    if (status == 0)
        file.Adopt(bwps::FileNo::General, handle);
    return status;
}

}  // namespace

extern "C" {

BWPS_EXPORT int OpenFileVersionStampFile(const char* path, uint16_t* handle)
{
    *handle = 0;
    if (path == nullptr || !FileExistsAt(path))
        return -1;
    return BtrOpenFile(handle, path, 0, 0);
}

BWPS_EXPORT int WriteFileVersionStamp(uint16_t handle, TagFilesVersion* stamp)
{
    char key[255];
    TagFilesVersion scratch;
    StampKey(key);
    int status = BtrGet(B_GET_EQUAL, handle, key, &scratch, kStampLength);
    if (status != B_OK && status != B_KEY_NOT_FOUND)
        return status;
    PutKeyWhenEmpty(stamp);
    StampKey(key);
    return BtrWrite(status == B_OK ? B_UPDATE : B_INSERT, handle, key, stamp, kStampLength);
}

BWPS_EXPORT int ReadFileVersionStamp(TagFilesVersion* stamp, const char* generalFilePath)
{
    bwps::Table file;
    const int status = OpenStampFile(file, generalFilePath);
    if (status != 0)
        return status;
    bwps::KeyBuffer key;
    StampKey(reinterpret_cast<char*>(key.bytes));
    return file.Get(B_GET_EQUAL, key.bytes, stamp, kStampLength).status;
}

BWPS_EXPORT int GetFileVersionStamp(const char* generalFilePath, uint16_t handle)
{
    TagFilesVersion stamp;
    CurrentStamp(&stamp);
    if (handle != 0)
        return WriteFileVersionStamp(handle, &stamp);

    bwps::Table file;
    int status = OpenStampFile(file, generalFilePath);
    if (status != 0)
        return status;
    const uint16_t own = file.Handle();
    char key[255];
    TagFilesVersion scratch;
    StampKey(key);
    status = BtrGet(B_GET_EQUAL, own, key, &scratch, kStampLength);
    if (status == B_OK) {
        status = WriteFileVersionStamp(own, &stamp);
    } else if (status == B_KEY_NOT_FOUND) {
        PutKeyWhenEmpty(&stamp);
        StampKey(key);
        status = BtrWrite(B_INSERT, own, key, &stamp, kStampLength);
    }
    return status;
}

}  // extern "C"
