#include "tests/support/library.h"

#include <cstring>
#include <vector>

#include "bwps/session.h"
#include "bwps/testing.h"
#include "fx.h"
#include "recman.h"

namespace bwpstest {

void ResetLibraryState()
{
    RecmanReset();
    FxReset();
    FxUseScriptDriver();
    BWPSResetSession();
    bwps::lookups::Reset();
    bwps::lookups::ResetMasters();
    bwps::lookups::ResetHistory();
}

int PutRecord(const std::string& path, const void* key, std::size_t keyLength, const void* record,
              int length)
{
    uint16_t handle = 0;
    int status = BtrOpenFile(&handle, path.c_str(), 0, 0);
    if (status != 0)
        return status;
    uint8_t keyBuffer[256] = {};
    std::memcpy(keyBuffer, key, keyLength);
    std::vector<uint8_t> existing(static_cast<std::size_t>(length) + 64);
    status = BtrGet(B_GET_EQUAL, handle, keyBuffer, existing.data(), length);
    std::vector<uint8_t> copy(static_cast<const uint8_t*>(record),
                              static_cast<const uint8_t*>(record) + length);
    std::memset(keyBuffer, 0, sizeof keyBuffer);
    std::memcpy(keyBuffer, key, keyLength);
    status = BtrWrite(status == 0 ? B_UPDATE : B_INSERT, handle, keyBuffer, copy.data(), length);
    BtrCloseFile(handle);
    return status;
}

bool StatFile(const std::string& path, FileStat& out)
{
    uint16_t handle = 0;
    if (BtrOpenFile(&handle, path.c_str(), 0, 0) != 0)
        return false;
    uint8_t buffer[RECMAN_STAT_BUFFER] = {};
    int status = BtrStat(handle, buffer);
    BtrCloseFile(handle);
    if (status != 0)
        return false;
    out.recordLength = buffer[0] | (buffer[1] << 8);
    out.keyCount = buffer[4];
    out.flags = buffer[10] | (buffer[11] << 8);
    uint32_t count;
    std::memcpy(&count, buffer + 6, 4);
    out.records = count;
    return true;
}

}  // namespace bwpstest
