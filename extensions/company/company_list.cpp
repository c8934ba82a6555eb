// The company list of the base folder: opening (with the conversion of the
// older 60-byte layout), adding a company and moving the default mark.
#include "extensions/company/company.h"
#include "extensions/company/services.h"

#include <cstring>

using bwps1::B_OPEN_REPORT;
#include <filesystem>
#include <string>
#include "bwps/files.h"
#include "bwps/table.h"

using bwps::FileNo;
using bwps::No;
using bwps::Status;
using bwps::Table;

namespace fs = std::filesystem;

namespace {

std::string JoinPath(const std::string& folder, const std::string& name)
{
    std::string p = folder;
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    if (!p.empty()) p += '/';
    return p + name;
}

// The name of file 85 with its first four characters replaced.
std::string OlderListName(const char* prefix)
{
    std::string name = bwps1::DataFileName(FileNo::CompanyIds);
    if (name.size() >= 4) name.replace(0, 4, prefix);
    return name;
}

// Copies every record of the older list into the new one, widened to the
// current layout. The first failure is reported and ends the copy.
int CopyOldList(Table& older, Table& newer, const std::string& oldPath,
                const std::string& listPath)
{
    const uint16_t oldHandle = older.Handle();
    const uint16_t newHandle = newer.Handle();
    int status = 0;
    TagCompanyIdOld oldRec;
    char key[64];
    int op = B_GET_FIRST;
    int insertStatus = 0;
    for (;;) {
        std::memset(&oldRec, 0, sizeof oldRec);
        std::memset(key, 0, sizeof key);
        status = BtrGet(op, oldHandle, key, &oldRec, sizeof oldRec);
        if (status != 0) break;
        op = B_GET_NEXT;
        CompanyListRecord rec;
        std::memset(&rec, 0, sizeof rec);
        rec.Status = oldRec.Status;
        std::memcpy(rec.CompanyId, oldRec.CompanyId, sizeof oldRec.CompanyId);
        rec.CompanyId[sizeof rec.CompanyId - 1] = 0;
        std::memcpy(rec.Folder, oldRec.Folder, sizeof oldRec.Folder);
        rec.Folder[sizeof oldRec.Folder - 1] = 0;
        rec.Date = oldRec.Value;
        std::memset(key, 0, sizeof key);
        insertStatus = BtrWrite(B_INSERT, newHandle, key, &rec, sizeof rec);
        if (insertStatus != 0) {
            bwps1::ReportError(insertStatus, B_INSERT, No(FileNo::CompanyIds), listPath.c_str());
            break;
        }
    }
    if (insertStatus == 0 && status == B_END_OF_FILE) status = 0;
    else if (insertStatus != 0) status = insertStatus;
    else bwps1::ReportError(status, B_GET_NEXT, No(FileNo::CompanyIds), oldPath.c_str());

    return status;
}

} // namespace

BWPS1_API int ConvertCompanyList(const char* folder)
{
    const std::string listName = bwps1::DataFileName(FileNo::CompanyIds);
    const std::string listPath = JoinPath(folder, listName);
    const std::string oldPath = JoinPath(folder, "CID10.TMP");

    // The old list is moved aside first; every failure below puts it back,
    // so the company list is never lost to a failed copy.
    std::error_code ec;
    fs::rename(listPath, oldPath, ec);
    if (ec) {
        bwps1::ShowTextMessage(("The company list " + listPath + " could not be renamed to " + oldPath +
                                " for its conversion: " + ec.message())
                                   .c_str());
        return B_IO_ERROR;
    }
    auto putBack = [&]() {
        std::error_code e;
        fs::remove(listPath, e);
        fs::rename(oldPath, listPath, e);
    };

    int status = 0;
    {
        Table older;
        Status s = older.OpenPath(FileNo::CompanyIds, oldPath.c_str());
        if (!s.Ok()) {
            s.operation = B_OPEN_REPORT;
            bwps1::ReportError(s, oldPath.c_str());
            putBack();
            return s.status;
        }
        Table newer;
        status = bwps1::CreateDataFileIn(FileNo::CompanyIds, folder);
        if (status == 0) {
            s = newer.OpenPath(FileNo::CompanyIds, listPath.c_str());
            s.operation = B_OPEN_REPORT;
            bwps1::ReportError(s, listPath.c_str());
            status = s.status;
        }
        if (status == 0)
            status = CopyOldList(older, newer, oldPath, listPath);
    }
    if (status != 0) {
        putBack();
        return status;
    }
    fs::remove(oldPath, ec);
    return 0;
}


BWPS1_API int OpenCompanyList(uint16_t* handle, const char* folder, int16_t mode, int* listCreated)
{
    *listCreated = 0;
    *handle = 0;
    const std::string listPath = JoinPath(folder, bwps1::DataFileName(FileNo::CompanyIds));
    std::error_code ec;
    if (!fs::exists(listPath, ec)) {
        for (const char* prefix : {"POS5", "POS1"}) {
            const std::string older = JoinPath(folder, OlderListName(prefix));
            if (fs::exists(older, ec)) {
                fs::rename(older, listPath, ec);
                break;
            }
        }
    }
    if (!fs::exists(listPath, ec)) {
        int status = bwps1::CreateDataFileIn(FileNo::CompanyIds, folder);
        if (status != 0) return status;
        *listCreated = 1;
    }

    Table list;
    Status s = list.OpenPath(FileNo::CompanyIds, listPath.c_str(), mode);
    if (!s.Ok()) return s.status;
    if (bwps1::RecordLength(list.Handle()) == static_cast<int>(sizeof(TagCompanyIdOld))) {
        list.Close();
        const int status = ConvertCompanyList(folder);
        if (status != 0) return status;
        s = list.OpenPath(FileNo::CompanyIds, listPath.c_str(), mode);
        if (!s.Ok()) return s.status;
    }
    // The caller owns the handle from here.
    *handle = list.Release();
    return 0;
}

BWPS1_API int AddCompanyToList(uint16_t handle, const char* name, const char* folder)
{
    CompanyListRecord rec;
    std::memset(&rec, 0, sizeof rec);
    rec.Status = BtrGetRecordCount(handle) > 0 ? 'N' : 'D';
    std::strncpy(rec.CompanyId, name ? name : "", sizeof rec.CompanyId - 1);
    std::string f = bwps1::Trim(folder ? folder : "");
    std::strncpy(rec.Folder, f.c_str(), sizeof rec.Folder - 1);
    rec.Date = bwps1::Today();
    char key[256] = {};
    int status = BtrWrite(B_INSERT, handle, key, &rec, sizeof rec);
    if (status != 0)
        bwps1::ReportError(status, B_INSERT, No(FileNo::CompanyIds), nullptr);
    return status;
}

namespace {
int g_lastOperation = 0;  // operation of SetDefaultCompany's last call
}

int bwps1::LastDefaultMarkOperation() { return g_lastOperation; }

BWPS1_API int SetDefaultCompany(uint16_t handle, const CompanyListRecord* record)
{
    int savedKey = 0, savedSecond = 0;
    BtrGetDefaults(handle, &savedKey, &savedSecond);
    uint32_t savedPos = 0;
    const bool hadPos = BtrPosition(B_GET_DIRECT, handle, &savedPos) == 0;

    char key[256] = {};
    CompanyListRecord rec;
    uint32_t defaultPos = 0;
    int status = 0;
    g_lastOperation = 0;
    do {
        BtrSetDefaults(handle, 0, -1);
        g_lastOperation = B_GET_FIRST;
        status = BtrGet(B_GET_FIRST + B_LOCK_MULTI_NOWAIT, handle, key, &rec, sizeof rec);
        if (status != 0) break;
        const bool hadDefault = rec.Status == 'D';
        status = BtrPosition(B_GET_DIRECT, handle, &defaultPos);
        if (status != 0) break;

        BtrSetDefaults(handle, 1, -1);
        CompanyIdKey1 byName{};
        byName.Status = 'N';
        std::memcpy(byName.CompanyId, record->CompanyId, sizeof byName.CompanyId);
        std::memset(key, 0, sizeof key);
        std::memcpy(key, &byName, sizeof byName);
        g_lastOperation = B_GET_EQUAL;
        status = BtrGet(B_GET_EQUAL + B_LOCK_MULTI_NOWAIT, handle, key, &rec, sizeof rec);
        if (status != 0) break;
        rec.Status = 'D';
        g_lastOperation = B_UPDATE;
        status = BtrWrite(B_UPDATE, handle, nullptr, &rec, sizeof rec);
        if (status != 0 || !hadDefault) break;

        BtrSetDefaults(handle, 0, -1);
        std::memcpy(&rec, &defaultPos, sizeof defaultPos);
        g_lastOperation = B_GET_DIRECT;
        status = BtrGet(B_GET_DIRECT + B_LOCK_MULTI_NOWAIT, handle, key, &rec, sizeof rec);
        if (status != 0) break;
        rec.Status = 'N';
        g_lastOperation = B_UPDATE;
        status = BtrWrite(B_UPDATE, handle, nullptr, &rec, sizeof rec);
    } while (false);

    BtrUnlock(-2, handle, nullptr);
    BtrSetDefaults(handle, savedKey, savedSecond);
    if (hadPos) BtrPosition(0, handle, &savedPos);
    return status;
}
