// Window positions of each station in BPOSWPOS.DB of the base folder. One
// position store exists per session: the framework fills its position data
// for one window and asks it to load or save that window.

#include "bwps/files.h"
#include "bwps/window_positions.h"

#include <cstring>
#include <new>

#include "bwps/catalogue.h"
#include "bwps/messages.h"
#include "bwps/session.h"
#include "fx.h"
#include "recman.h"

namespace {

constexpr int kReportFile = bwps::No(bwps::FileNo::General);   // the file has no number of its own
constexpr int kStationIdChars = 14;
constexpr int kKeyLength = 66;                    // station id, window name, one byte

static_assert(static_cast<int>(WINDOW_POSITION_DATA_SIZE) == static_cast<int>(CBrmWinPosition::FX_WINPOS_DATA), "the framework fills the whole position data");

// The store the framework calls for one window at a time: it fills data_
// (window name first) and asks for a load or a save.
class WinPositionStore : public CBrmWinPosition {
public:
    WinPositionStore() : CBrmWinPosition(data_) {}
    int LoadOrSave(int save) override;
    bool Open(const char* path);
    int Close();
    uint8_t* Data() { return data_; }

private:
    void BuildRecord(TagWindowPosition& record) const;

    uint8_t data_[WINDOW_POSITION_DATA_SIZE] = {};
    int handle_ = -1;
};

WinPositionStore* gStore = nullptr;

void WindowPositionSpec(unsigned char* spec, unsigned char* segments)
{
    std::memset(spec, 0, FILE_SPEC_SIZE);
    std::memset(segments, 0, 3 * KEY_SEGMENT_SIZE);
    auto put16 = [](unsigned char* p, int v) {
        p[0] = static_cast<unsigned char>(v);
        p[1] = static_cast<unsigned char>(v >> 8);
    };
    put16(spec, sizeof(TagWindowPosition));
    put16(spec + 2, 4096);
    spec[4] = 1;
    const int positions[3] = {1, 16, 66};
    const int lengths[3] = {15, 50, 1};
    const int flags[3] = {KF_SEGMENTED, KF_SEGMENTED, 0};
    for (int i = 0; i < 3; ++i) {
        unsigned char* s = segments + i * KEY_SEGMENT_SIZE;
        put16(s, positions[i]);
        put16(s + 2, lengths[i]);
        put16(s + 4, flags[i]);
    }
}

void WinPositionStore::BuildRecord(TagWindowPosition& record) const
{
    std::memset(&record, 0, sizeof record);
    SessionBlock* session = GetSessionPaths();
    if (session)
        std::memcpy(record.StationId, session->StationId, kStationIdChars);
    record.StationId[kStationIdChars] = '\0';
    std::memcpy(record.Data, data_, sizeof data_);
}

bool WinPositionStore::Open(const char* path)
{
    if (FxFileAccess(path, 0) != 0) {
        unsigned char spec[FILE_SPEC_SIZE];
        unsigned char segments[3 * KEY_SEGMENT_SIZE];
        WindowPositionSpec(spec, segments);
        int status = BtrCreateFile(path, spec, segments);
        if (status != 0) {
            ReportRecordManagerError(status, 1, 14, kReportFile, 0);
            return false;
        }
    }
    uint16_t handle = 0;
    int status = BtrOpenFile(&handle, path, 0, 0);
    if (status != 0) {
        ReportRecordManagerError(status, 1, 0, kReportFile, 0);
        return false;
    }
    handle_ = handle;
    return true;
}

int WinPositionStore::Close()
{
    if (handle_ < 0)
        return 0;
    int status = BtrCloseFile(static_cast<uint16_t>(handle_));
    if (status != 0)
        ReportRecordManagerError(status, 1, 1, kReportFile, 0);
    handle_ = -1;
    return status;
}

int WinPositionStore::LoadOrSave(int save)
{
    if (handle_ < 1)
        return 0;
    uint16_t handle = static_cast<uint16_t>(handle_);
    TagWindowPosition record;
    BuildRecord(record);
    unsigned char key[256] = {};
    std::memcpy(key, &record, kKeyLength);

    if (!save) {
        TagWindowPosition stored = record;
        int status = BtrGet(B_GET_EQUAL, handle, key, &stored, sizeof stored);
        if (status == 0) {
            std::memcpy(data_, stored.Data, sizeof data_);
            return 1;
        }
        if (status == B_KEY_NOT_FOUND)
            return 0;   // an unknown window keeps what the framework gave it
        ReportRecordManagerError(status, 1, B_GET_EQUAL, kReportFile, 0);
        return 0;
    }

    int status = BtrWrite(B_INSERT, handle, key, &record, sizeof record);
    if (status == B_DUPLICATE_KEY) {
        TagWindowPosition stored;
        std::memcpy(key, &record, kKeyLength);
        status = BtrGet(B_GET_EQUAL, handle, key, &stored, sizeof stored);
        if (status == 0)
            status = BtrWrite(B_UPDATE, handle, key, &record, sizeof record);
    }
    if (status != 0) {
        ReportRecordManagerError(status, 1, B_UPDATE, kReportFile, 0);
        return 0;
    }
    return 1;
}

}  // namespace

extern "C" {

int RestoreWindowPositions(const char* fileName)
{
    if (gStore)
        return 0;
    gStore = new (std::nothrow) WinPositionStore;
    if (!gStore)
        return 0;
    CBrmWinPosition::SetObject(gStore);
    char path[FOLDER_BUFFER_SIZE];
    JoinCompanyFilePath(path, GetBaseFolderField(), fileName ? fileName : WINDOW_POSITION_FILE_NAME);
    return gStore->Open(path) ? 1 : 0;
}

int SaveWindowPositions(void)
{
    if (!gStore)
        return 0;
    int status = gStore->Close();
    CBrmWinPosition::SetObject(nullptr);
    delete gStore;
    gStore = nullptr;
    return status;
}

int WindowPositionsLoadOrSave(int save)
{
    return gStore ? gStore->LoadOrSave(save) : 0;
}

uint8_t* WindowPositionsData(void)
{
    return gStore ? gStore->Data() : nullptr;
}

}  // extern "C"
