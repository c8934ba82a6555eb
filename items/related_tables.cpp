// Related tables: one companion record per master record, and the picture
// file of a product.
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "bwps/catalogue.h"
#include "bwps/files.h"
#include "bwps/related_tables.h"
#include "bwps/table.h"
#include "fx.h"
#include "recman.h"

namespace {

bool NotFound(int status)
{
    return status == B_KEY_NOT_FOUND || status == B_END_OF_FILE;
}

bool IsBlank(const char* text, std::size_t width)
{
    for (std::size_t i = 0; i < width && text[i] != '\0'; ++i)
        if (text[i] != ' ')
            return false;
    return true;
}

bool IsSeparator(char c)
{
    return c == '/' || c == '\\';
}

}  // namespace

// ---- CBwRelatedTable ----

CBwRelatedTable::CBwRelatedTable(int masterFileId, int relatedFileId, void* record)
    : m_pRecord(record), m_nMasterFileId(masterFileId), m_nRelatedFileId(relatedFileId)
{
}

CBwRelatedTable::~CBwRelatedTable()
{
    if (m_bOwnsHandle && m_hHdl != kNoHandle)
        BtrCloseFile(static_cast<uint16_t>(m_hHdl));
}

void CBwRelatedTable::Report(int status, int operation) const
{
    if (m_nRelatedFileId >= 0)
        bwps::Status{status, operation, static_cast<bwps::FileNo>(m_nRelatedFileId)}.Report();
}

bool CBwRelatedTable::Open()
{
    if (m_hHdl != kNoHandle)
        return true;
    bwps::Table file;
    const bwps::Status s = file.Open(static_cast<bwps::FileNo>(m_nRelatedFileId));
    m_nResult = s.status;
    if (!s.Ok()) {
        s.Report();
        return false;
    }
    m_hHdl = static_cast<short>(file.Release());
    m_bOwnsHandle = true;
    m_bHasCurrent = false;
    return true;
}

void CBwRelatedTable::Close()
{
    if (m_bOwnsHandle && m_hHdl != kNoHandle)
        BtrCloseFile(static_cast<uint16_t>(m_hHdl));
    m_hHdl = kNoHandle;
    m_bOwnsHandle = false;
    m_bHasCurrent = false;
}

void CBwRelatedTable::SetHandle(short handle)
{
    if (m_hHdl != kNoHandle)
        return;
    m_hHdl = handle;
    m_bOwnsHandle = false;
    m_bHasCurrent = false;
}

void CBwRelatedTable::PutKey(void* out, const void* key) const
{
    // A code given as a text may be shorter than the key field: never read
    // past its end.
    const std::size_t size = GetKeySize();
    std::memset(out, 0, size);
    if (key != nullptr)
        std::memcpy(out, key, strnlen(static_cast<const char*>(key), size - 1));
}

void CBwRelatedTable::InitDataBuffer(const void* key)
{
    std::memset(m_pRecord, 0, GetRecordSize());
    PutKey(m_pRecord, key);
}

void CBwRelatedTable::SetDataInfo(const void* record)
{
    if (record != nullptr)
        std::memcpy(m_pRecord, record, GetRecordSize());
}

int CBwRelatedTable::TableRead(const void* key, short operation, bool toScratch)
{
    if (key != nullptr) {
        std::memset(m_aKey, 0, sizeof m_aKey);
        PutKey(m_aKey, key);
    }
    if (m_hHdl == kNoHandle) {
        m_nResult = B_FILE_NOT_OPEN;
        return m_nResult;
    }
    std::unique_ptr<unsigned char[]> scratch;
    void* target = m_pRecord;
    if (toScratch) {
        scratch.reset(new (std::nothrow) unsigned char[GetRecordSize()]);
        if (!scratch) {
            m_nResult = B_DATA_BUFFER_TOO_SHORT;
            return m_nResult;
        }
        target = scratch.get();
    }
    m_nResult = BtrGet(operation, static_cast<uint16_t>(m_hHdl), m_aKey, target,
                       static_cast<int>(GetRecordSize()));
    m_bHasCurrent = m_nResult == 0;
    if (m_bHasCurrent)
        std::memcpy(m_aCurrent, target, GetKeySize());
    return m_nResult;
}

bool CBwRelatedTable::HoldsCurrent() const
{
    return m_bHasCurrent && std::memcmp(m_aCurrent, m_pRecord, GetKeySize()) == 0;
}

bool CBwRelatedTable::Find(const void* key)
{
    const int status = TableRead(key, B_GET_EQUAL, false);
    if (status == 0)
        return true;
    // The object stays on the key asked for, never on the record read
    // before: a Delete or Save that follows works on this key.
    InitDataBuffer(key);
    if (!NotFound(status))
        Report(status, B_GET_EQUAL);
    return false;
}

bool CBwRelatedTable::ReadFirst()
{
    std::memset(m_aKey, 0, sizeof m_aKey);
    const int status = TableRead(nullptr, B_GET_FIRST, false);
    if (status != 0 && !NotFound(status))
        Report(status, B_GET_FIRST);
    return status == 0;
}

bool CBwRelatedTable::ReadNext()
{
    const int status = TableRead(nullptr, B_GET_NEXT, false);
    if (status != 0 && !NotFound(status))
        Report(status, B_GET_NEXT);
    return status == 0;
}

bool CBwRelatedTable::TableWrite(bool insert)
{
    const int op = insert ? B_INSERT : B_UPDATE;
    if (m_hHdl == kNoHandle) {
        m_nResult = B_FILE_NOT_OPEN;
        Report(m_nResult, op);
        return false;
    }
    char key[255] = {};
    m_nResult = BtrWrite(op, static_cast<uint16_t>(m_hHdl), key, m_pRecord,
                         static_cast<int>(GetRecordSize()));
    m_bHasCurrent = m_nResult == 0;
    if (m_bHasCurrent)
        std::memcpy(m_aCurrent, m_pRecord, GetKeySize());
    if (m_nResult != 0) {
        Report(m_nResult, op);
        return false;
    }
    return true;
}

bool CBwRelatedTable::Insert()
{
    return TableWrite(true);
}

bool CBwRelatedTable::Update(bool reread)
{
    if (reread || !HoldsCurrent()) {
        const int status = TableRead(m_pRecord, B_GET_EQUAL, true);
        if (status != 0) {
            if (!NotFound(status))
                Report(status, B_GET_EQUAL);
            return false;
        }
    }
    return TableWrite(false);
}

bool CBwRelatedTable::Delete()
{
    // The delete works on the file's current record: position it on the
    // object's own key first, whatever was read before.
    const int status = TableRead(m_pRecord, B_GET_EQUAL, true);
    if (NotFound(status))
        return true;
    if (status != 0) {
        Report(status, B_GET_EQUAL);
        return false;
    }
    char key[255] = {};
    unsigned char none[1] = {0};
    m_nResult = BtrWrite(B_DELETE, static_cast<uint16_t>(m_hHdl), key, none, 0);
    m_bHasCurrent = false;
    if (m_nResult != 0) {
        Report(m_nResult, B_DELETE);
        return false;
    }
    return true;
}

bool CBwRelatedTable::Save()
{
    if (IsDataEmpty())
        return Delete();
    const int status = TableRead(m_pRecord, B_GET_EQUAL, true);
    if (status == 0)
        return TableWrite(false);
    if (NotFound(status))
        return TableWrite(true);
    Report(status, B_GET_EQUAL);
    return false;
}

// ---- CBwProdPictureTable ----

CBwProdPictureTable::CBwProdPictureTable(int folderKind)
    : CBwRelatedTable(bwps::No(bwps::FileNo::Products), bwps::No(bwps::FileNo::ProductPictures),
                      &m_rec),
      m_nFolderKind(folderKind)
{
    std::memset(&m_rec, 0, sizeof m_rec);
}

CBwProdPictureTable::~CBwProdPictureTable() = default;

bool CBwProdPictureTable::IsDataEmpty(const void* record) const
{
    const TagProdPicture* r =
        record != nullptr ? static_cast<const TagProdPicture*>(record) : &m_rec;
    return IsBlank(r->folder, sizeof r->folder) && IsBlank(r->name, sizeof r->name);
}

char* CBwProdPictureTable::GetFullPath(char* out, std::size_t size) const
{
    if (out == nullptr || size == 0)
        return out;
    out[0] = '\0';
    char name[PICTURE_NAME_SIZE];
    std::snprintf(name, sizeof name, "%.*s", PICTURE_NAME_SIZE - 1, m_rec.name);
    FxTrimText(5, name);
    if (name[0] == '\0')
        return out;

    char folder[FOLDER_BUFFER_SIZE + 1] = {};
    switch (m_nFolderKind) {
    case PICTURE_OWN_FOLDER:
        std::snprintf(folder, sizeof folder, "%.*s", PICTURE_FOLDER_SIZE - 1, m_rec.folder);
        break;
    case PICTURE_NO_FOLDER:
        break;
    case PICTURE_PROGRAM:
        std::snprintf(folder, sizeof folder, "%s", GetProgramPath());
        break;
    case PICTURE_DATA_FILES:
        std::snprintf(folder, sizeof folder, "%s", GetFilesPath());
        break;
    case PICTURE_IMAGES:
        GetImagesPath(bwps::No(bwps::FileNo::ProductPictures), folder);
        break;
    default:
        return out;
    }
    FxTrimText(5, folder);
    const std::size_t length = std::strlen(folder);
    const char* separator = length > 0 && !IsSeparator(folder[length - 1]) ? "/" : "";
    const int written = std::snprintf(out, size, "%s%s%s", folder, separator, name);
    if (written < 0 || static_cast<std::size_t>(written) >= size)
        out[0] = '\0';  // a cut path names another file
    return out;
}

bool CBwProdPictureTable::SetFullPath(const char* path)
{
    if (path == nullptr)
        return false;
    char text[PICTURE_FULL_PATH_SIZE + 1];
    const std::size_t given = strnlen(path, sizeof text);
    if (given >= sizeof text)
        return false;
    std::memcpy(text, path, given + 1);
    FxTrimText(5, text);

    // Drive and folder end at the last separator (or a drive's colon).
    std::size_t split = 0;
    for (std::size_t i = 0; text[i] != '\0'; ++i)
        if (IsSeparator(text[i]) || text[i] == ':')
            split = i + 1;
    const char* name = text + split;
    const bool keepFolder = m_nFolderKind == PICTURE_OWN_FOLDER;
    if (std::strlen(name) >= PICTURE_NAME_SIZE || (keepFolder && split >= PICTURE_FOLDER_SIZE))
        return false;

    std::memset(m_rec.folder, 0, sizeof m_rec.folder);
    std::memset(m_rec.name, 0, sizeof m_rec.name);
    if (keepFolder)
        std::memcpy(m_rec.folder, text, split);
    std::memcpy(m_rec.name, name, std::strlen(name));
    return true;
}
