// The session station's record of BPOSSTN.DB (file 86): its account block
// and its print settings.

#include "bwps/settings.h"

#include <cstring>

#include "bwps/catalogue.h"
#include "bwps/messages.h"
#include "bwps/session.h"
#include "recman.h"
#include "session/catalogue_internal.h"
#include "bwps/files.h"

using bwps::FileNo;
using bwps::No;

namespace {

constexpr int kStationIdLength = 15;

uint8_t gPrintSettings[STATION_PRINT_SIZE];

// Reads the session station's record; the status.
int ReadSessionStation(unsigned char* record)
{
    uint16_t handle = 0;
    int status = BtrOpenFile(&handle, GetDataFilePath(No(FileNo::Stations)), 0, 0);
    if (status != 0) {
        ReportRecordManagerError(status, 1, OPEN_OPERATION, No(FileNo::Stations), 0);
        return status;
    }
    char key[256] = {};
    SessionBlock* session = GetSessionPaths();
    if (session)
        std::memcpy(key, session->StationId, kStationIdLength);
    std::memset(record, 0, STATION_RECORD_SIZE);
    status = BtrGet(B_GET_EQUAL, handle, key, record, STATION_RECORD_SIZE);
    if (status != 0)
        ReportRecordManagerError(status, 1, B_GET_EQUAL, No(FileNo::Stations), 0);
    BtrCloseFile(handle);
    return status;
}

}  // namespace

void bwps::catalogue::ResetStationPrintSettings()
{
    std::memset(gPrintSettings, 0, sizeof gPrintSettings);
}

extern "C" {

int ReadStationRecord(uint16_t, void* block336)
{
    if (block336)
        std::memset(block336, 0, sizeof(TagStationAccounts));
    unsigned char record[STATION_RECORD_SIZE];
    int status = ReadSessionStation(record);
    if (status == 0 && block336) {
        unsigned char work[80];
        CopyInterfaceAccountsToStation(work, block336, record, 0);
    }
    return status;
}

int LoadStationPrintSettings(void)
{
    unsigned char record[STATION_RECORD_SIZE];
    if (ReadSessionStation(record) != 0) {
        std::memset(gPrintSettings, 0, sizeof gPrintSettings);
        return 0;
    }
    std::memcpy(gPrintSettings, record + STATION_PRINT_OFFSET, sizeof gPrintSettings);
    return 1;
}

uint8_t* GetStationPrintSettings(void)
{
    return gPrintSettings;
}

}  // extern "C"
