// The company-id file BPOSCID.DB (file 85, base folder): opening, creation,
// conversion from the older 60-byte layout, reading, and the default company.

#include "bwps/versions.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <unistd.h>

#include "bwps/catalogue.h"
#include "bwps/messages.h"
#include "bwps/records.h"
#include "bwps/session.h"
#include "recman.h"
#include "session/catalogue_internal.h"
#include "bwps/files.h"
#include "bwps/table.h"

using bwps::FileNo;
using bwps::No;
using bwps::Status;
using bwps::Table;

using bwps::catalogue::MoveFile;
using bwps::catalogue::StatRecordCount;
using bwps::catalogue::StatRecordLength;

namespace {

constexpr const char* kConversionTemp = "CID10.TMP";

const char* CompanyIdName()
{
    return GetDataFileEntry(No(FileNo::CompanyIds))->Name;
}

void ReportCompanyId(int status, int operation)
{
    Status{status, operation, FileNo::CompanyIds}.Report();
}

// Copies every old record into the new file; 0 when all were copied.
int CopyOldRecords(uint16_t oldHandle, uint16_t newHandle)
{
    unsigned char key[256];
    int op = B_GET_FIRST;
    for (;;) {
        TagCompanyIdOld old{};
        int status = BtrGet(op, oldHandle, key, &old, sizeof old);
        op = B_GET_NEXT;
        if (status == B_END_OF_FILE)
            return 0;
        if (status != 0) {
            ReportCompanyId(status, B_GET_NEXT);
            return status;
        }
        CompanyIdRecord record{};
        record.Status = old.Status;
        std::memcpy(record.CompanyId, old.CompanyId, sizeof old.CompanyId);
        record.CompanyId[sizeof record.CompanyId - 1] = '\0';
        std::memcpy(record.Folder, old.Folder, sizeof old.Folder);
        record.Folder[sizeof old.Folder - 1] = '\0';
        record.Date = old.Value;
        unsigned char newKey[256];
        status = BtrWrite(B_INSERT, newHandle, newKey, &record, sizeof record);
        if (status != 0) {
            ReportCompanyId(status, B_INSERT);
            return status;
        }
    }
}

}  // namespace

extern "C" {

int MoveOlderCompanyIdFile(const char* from, const char* to)
{
    return MoveFile(from, to) ? 1 : 0;
}

int ConvertCompanyIdFile(const char* baseFolder)
{
    char path[FOLDER_BUFFER_SIZE];
    char temp[FOLDER_BUFFER_SIZE];
    JoinCompanyFilePath(path, baseFolder, CompanyIdName());
    JoinCompanyFilePath(temp, baseFolder, kConversionTemp);

    if (!MoveFile(path, temp)) {
        ReportCompanyId(B_IO_ERROR, OPEN_OPERATION);
        return B_IO_ERROR;
    }
    // Until every record is copied, the old file stays whole under the
    // temporary name and goes back to its own name on any failure.
    auto restore = [&]() {
        unlink(path);
        MoveFile(temp, path);
    };

    unsigned char spec[FILE_SPEC_SIZE];
    int status = CreateDataFile(No(FileNo::CompanyIds), 0, baseFolder, nullptr, spec);
    if (status != 0) {
        ReportCompanyId(status, OPEN_OPERATION);
        restore();
        return status;
    }
    {
        Table older;
        Table newer;
        Status s = older.OpenPath(FileNo::CompanyIds, temp);
        if (s.Ok())
            s = newer.OpenPath(FileNo::CompanyIds, path);
        if (s.Ok())
            status = CopyOldRecords(older.Handle(), newer.Handle());
        else {
            s.Report();
            status = s.status;
        }
    }
    if (status != 0) {
        restore();
        return status;
    }
    unlink(temp);
    return 0;
}

int OpenCompanyIdFile(uint16_t* handle, const char* baseFolder, int mode, int* created)
{
    if (created)
        *created = 0;
    if (!handle)
        return B_INVALID_OPERATION;
    *handle = 0;
    char path[FOLDER_BUFFER_SIZE];
    JoinCompanyFilePath(path, baseFolder, CompanyIdName());

    if (!FileExistsAt(path)) {
        // An older release kept the list in the folder above, under its
        // own name.
        char parent[FOLDER_BUFFER_SIZE];
        ParentFolder(parent, baseFolder);
        bool moved = false;
        for (const char* prefix : {"POS5", "POS1"}) {
            char older[FOLDER_BUFFER_SIZE];
            std::snprintf(older, sizeof older, "%s%s", prefix, CompanyIdName() + 4);
            char olderPath[FOLDER_BUFFER_SIZE];
            JoinCompanyFilePath(olderPath, parent, older);
            if (parent[0] && FileExistsAt(olderPath)) {
                moved = MoveOlderCompanyIdFile(olderPath, path) != 0;
                break;
            }
        }
        if (!moved) {
            Table keys;
            const Status opened = keys.Open(FileNo::KeyDefinitions);
            if (!opened.Ok()) {
                opened.Report();
                return opened.status;
            }
            unsigned char spec[FILE_SPEC_SIZE];
            const int status =
                CreateDataFile(No(FileNo::CompanyIds), keys.Handle(), baseFolder, nullptr, spec);
            if (created)
                *created = 1;
            if (status != 0)
                return status;
        }
    }

    int status = BtrOpenFile(handle, path, mode, 0);
    if (status != 0) {
        *handle = 0;
        ReportCompanyId(status, OPEN_OPERATION);
        return status;
    }
    int statStatus = 0;
    if (StatRecordLength(*handle, &statStatus) == COMPANY_ID_OLD_SIZE) {
        BtrCloseFile(*handle);
        *handle = 0;
        // A failed conversion leaves the old file in place, and the caller
        // gets no handle on a file of the older layout.
        status = ConvertCompanyIdFile(baseFolder);
        if (status != 0)
            return status;
        status = BtrOpenFile(handle, path, mode, 0);
        if (status != 0) {
            *handle = 0;
            ReportCompanyId(status, OPEN_OPERATION);
        }
    }
    return status;
}

int ReadCompanyIdRecords(const char* baseFolder, void* records, int count, int* countOut)
{
    if (countOut)
        *countOut = 0;
    uint16_t opened = 0;
    int created = 0;
    int status = OpenCompanyIdFile(&opened, baseFolder, 0, &created);
    if (status != 0)
        return status;
    Table list;
    list.Adopt(FileNo::CompanyIds, opened);
    const uint16_t handle = list.Handle();
    if (!records || count == 0) {
        int32_t n = StatRecordCount(handle, &status);
        if (countOut)
            *countOut = n < 0 ? 0 : n;
    } else {
        unsigned char key[256];
        auto* slots = static_cast<CompanyIdRecord*>(records);
        int used = 0;
        int op = B_STEP_FIRST;
        while (used < count) {
            status = BtrGet(op, handle, key, &slots[used], sizeof(CompanyIdRecord));
            op = B_STEP_NEXT;
            if (status != 0)
                break;
            ++used;
        }
        if (status == B_END_OF_FILE)
            status = 0;
        if (countOut)
            *countOut = used;
    }
    return status;
}

int SetDefaultCompanyId(uint16_t handle, const void* record)
{
    if (!record)
        return B_INVALID_OPERATION;
    const auto* wanted = static_cast<const CompanyIdRecord*>(record);
    int savedKey = 0;
    int savedSecond = 0;
    BtrGetDefaults(handle, &savedKey, &savedSecond);
    uint32_t savedPosition = 0;
    bool hadPosition = BtrPosition(B_GET_DIRECT, handle, &savedPosition) == 0;

    int result = 0;
    unsigned char key[256] = {};
    // The present default sorts first on key 0.
    CompanyIdRecord first{};
    uint32_t firstPosition = 0;
    BtrSetDefaults(handle, 0, -1);
    int status = BtrGet(B_GET_FIRST + B_LOCK_MULTI_NOWAIT, handle, key, &first, sizeof first);
    bool haveFirst = status == 0 && BtrPosition(B_GET_DIRECT, handle, &firstPosition) == 0;
    if (status != 0 && status != B_END_OF_FILE)
        result = status;

    // The company of the record becomes the default.
    CompanyIdRecord target{};
    uint32_t targetPosition = 0;
    BtrSetDefaults(handle, 1, -1);
    CompanyIdKey1 byName{};
    byName.Status = 'N';
    std::memcpy(byName.CompanyId, wanted->CompanyId, sizeof byName.CompanyId);
    std::memset(key, 0, sizeof key);
    std::memcpy(key, &byName, sizeof byName);
    status = BtrGet(B_GET_EQUAL, handle, key, &target, sizeof target);
    if (status == 0) {
        BtrPosition(B_GET_DIRECT, handle, &targetPosition);
        target.Status = 'D';
        status = BtrWrite(B_UPDATE, handle, key, &target, sizeof target);
    }
    if (status != 0)
        result = status;

    // The former default, when there was one other than this company,
    // becomes an ordinary one.
    if (status == 0 && haveFirst && first.Status == 'D' && firstPosition != targetPosition) {
        CompanyIdRecord former{};
        std::memcpy(&former, &firstPosition, sizeof firstPosition);
        status = BtrGet(B_GET_DIRECT, handle, key, &former, sizeof former);
        if (status == 0) {
            former.Status = 'N';
            status = BtrWrite(B_UPDATE, handle, key, &former, sizeof former);
        }
        if (status != 0)
            result = status;
    }

    BtrUnlock(-2, handle, nullptr);
    BtrSetDefaults(handle, savedKey, -1);
    if (hadPosition)
        BtrPosition(0, handle, &savedPosition);
    return result;
}

}  // extern "C"
