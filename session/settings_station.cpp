// The session station's record of BPOSSTN.DB (file 86): its account block
// and its print settings.

#include "bwps/settings.h"

#include <cstring>

#include "bwps/catalogue.h"
#include "bwps/session.h"
#include "recman.h"
#include "session/catalogue_internal.h"
#include "bwps/files.h"
#include "bwps/stations.h"
#include "bwps/table.h"

using bwps::FileNo;

namespace {

using bwps::KeyBuffer;
using bwps::Status;
using bwps::Table;

constexpr int kStationIdLength = 15;

// The print settings: the fourth printer entry of the station record.
uint8_t gPrintSettings[sizeof(StationPrinterEntry)];
static_assert(sizeof gPrintSettings == STATION_PRINT_SIZE);

// Reads the session station's record.
Status ReadSessionStation(StationRecord& record)
{
    Table file;
    Status s = file.Open(FileNo::Stations);
    if (!s.Ok())
        return s;
    KeyBuffer key;
    SessionBlock* session = GetSessionPaths();
    if (session)
        std::memcpy(key.bytes, session->StationId, kStationIdLength);
    return file.Get(B_GET_EQUAL, key, record);
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
    StationRecord record;
    const Status s = ReadSessionStation(record);
    s.Report();
    if (s.Ok() && block336) {
        char work[STATION_FORMS_PER_SET][STATION_FORM_NAME_LEN];
        CopyInterfaceAccountsToStation(work, block336, &record, 0);
    }
    return s.status;
}

int LoadStationPrintSettings(void)
{
    StationRecord record;
    const Status s = ReadSessionStation(record);
    s.Report();
    if (!s.Ok()) {
        std::memset(gPrintSettings, 0, sizeof gPrintSettings);
        return 0;
    }
    std::memcpy(gPrintSettings, &record.printers[3], sizeof gPrintSettings);
    return 1;
}

uint8_t* GetStationPrintSettings(void)
{
    return gPrintSettings;
}

}  // extern "C"
