// User-defined-field data: the companion record that holds the twelve
// user-defined values of one customer, product or service.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "bwps/files.h"
#include "bwps/table.h"
#include "bwps/udf.h"
#include "fx.h"
#include "recman.h"

namespace {

constexpr int kTextWidth = UDF_TEXT_SIZE - 1;

bool IsBlank(const char* text, std::size_t width)
{
    for (std::size_t i = 0; i < width && text[i] != '\0'; ++i)
        if (text[i] != ' ')
            return false;
    return true;
}

bool NotFound(int status)
{
    return status == B_KEY_NOT_FOUND || status == B_END_OF_FILE;
}

}  // namespace

CBwUDFDBase::CBwUDFDBase(int masterFileId, int fileId, void* record, TagUDFData* data,
                         void* scratch)
    : m_pRecord(record),
      m_pData(data),
      m_pScratch(scratch),
      m_nMasterFileId(masterFileId),
      m_nFileId(fileId)
{
}

CBwUDFDBase::~CBwUDFDBase()
{
    // The destructor runs after the subclass's record is gone: only the
    // handle is touched here.
    if (m_bOwnsHandle && m_hHdl != kNoHandle)
        BtrCloseFile(static_cast<uint16_t>(m_hHdl));
}

void CBwUDFDBase::Report(int status, int operation) const
{
    if (m_nFileId >= 0)
        bwps::Status{status, operation, static_cast<bwps::FileNo>(m_nFileId)}.Report();
}

bool CBwUDFDBase::Open()
{
    if (m_hHdl != kNoHandle)
        return true;
    if (m_nFileId < 0) {
        m_nResult = B_FILE_NOT_OPEN;
        return false;
    }
    bwps::Table file;
    const bwps::Status s = file.Open(static_cast<bwps::FileNo>(m_nFileId));
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

void CBwUDFDBase::Close()
{
    if (m_bOwnsHandle && m_hHdl != kNoHandle)
        BtrCloseFile(static_cast<uint16_t>(m_hHdl));
    m_hHdl = kNoHandle;
    m_bOwnsHandle = false;
    m_bHasCurrent = false;
}

void CBwUDFDBase::SetHandle(short handle)
{
    if (m_hHdl != kNoHandle)
        return;
    m_hHdl = handle;
    m_bOwnsHandle = false;
    m_bHasCurrent = false;
}

void CBwUDFDBase::PutCode(char* field, const char* code) const
{
    // The code field's text width, blank-padded and NUL-terminated.
    const std::size_t width = GetCodeSize();
    char text[32] = {};
    std::snprintf(text, sizeof text, "%.*s", static_cast<int>(width - 1), code);
    FxPadBlanks(text, static_cast<int>(width));
    std::memset(field, 0, width);
    std::memcpy(field, text, width - 1);
}

void CBwUDFDBase::InitStruct(const char* code)
{
    std::memset(m_pRecord, 0, GetStructSize());
    if (code != nullptr)
        PutCode(static_cast<char*>(m_pRecord), code);
}

void CBwUDFDBase::SetStruct(const void* record)
{
    if (record != nullptr)
        std::memcpy(m_pRecord, record, GetStructSize());
}

bool CBwUDFDBase::IsStructEmpty(const TagUDFData* values) const
{
    const TagUDFData* v = values != nullptr ? values : m_pData;
    for (int i = 0; i < UDF_TEXT_COUNT; ++i)
        if (!IsBlank(v->texts[i], kTextWidth))
            return false;
    for (int i = 0; i < UDF_AMOUNT_COUNT; ++i) {
        const double amount = v->amounts[i];
        if (amount != 0.0)
            return false;
    }
    for (int i = 0; i < UDF_DATE_COUNT; ++i) {
        const int32_t date = v->dates[i];
        if (date != 0)
            return false;
    }
    return true;
}

int CBwUDFDBase::TableRead(const char* key, unsigned short operation, bool toScratch)
{
    if (key != nullptr) {
        std::memset(m_aKey, 0, sizeof m_aKey);
        PutCode(m_aKey, key);
    }
    if (m_hHdl == kNoHandle) {
        m_nResult = B_FILE_NOT_OPEN;
        return m_nResult;
    }
    void* target = toScratch ? m_pScratch : m_pRecord;
    m_nResult = BtrGet(operation, static_cast<uint16_t>(m_hHdl), m_aKey, target,
                       static_cast<int>(GetStructSize()));
    const int base = operation % 100;
    if (base != B_GET_POSITION) {
        m_bHasCurrent = m_nResult == 0;
        if (m_bHasCurrent)
            std::memcpy(m_aCurrent, target, GetCodeSize());
    }
    return m_nResult;
}

bool CBwUDFDBase::HoldsCurrent() const
{
    return m_bHasCurrent && std::memcmp(m_aCurrent, m_pRecord, GetCodeSize()) == 0;
}

bool CBwUDFDBase::Find(const char* code)
{
    if (code == nullptr)
        code = "";
    const int status = TableRead(code, B_GET_EQUAL, false);
    if (status == 0)
        return true;
    // The object stays on the code asked for, never on the record read
    // before: a Delete or Save that follows works on this code.
    InitStruct(code);
    if (!NotFound(status))
        Report(status, B_GET_EQUAL);
    return false;
}

bool CBwUDFDBase::ReadFirst()
{
    std::memset(m_aKey, 0, sizeof m_aKey);
    const int status = TableRead(nullptr, B_GET_FIRST, false);
    if (status != 0 && !NotFound(status))
        Report(status, B_GET_FIRST);
    return status == 0;
}

bool CBwUDFDBase::ReadNext()
{
    const int status = TableRead(nullptr, B_GET_NEXT, false);
    if (status != 0 && !NotFound(status))
        Report(status, B_GET_NEXT);
    return status == 0;
}

bool CBwUDFDBase::TableWrite(bool insert)
{
    const int op = insert ? B_INSERT : B_UPDATE;
    if (m_hHdl == kNoHandle) {
        m_nResult = B_FILE_NOT_OPEN;
        Report(m_nResult, op);
        return false;
    }
    char key[255] = {};
    m_nResult = BtrWrite(op, static_cast<uint16_t>(m_hHdl), key, m_pRecord,
                         static_cast<int>(GetStructSize()));
    m_bHasCurrent = m_nResult == 0;
    if (m_bHasCurrent)
        std::memcpy(m_aCurrent, m_pRecord, GetCodeSize());
    if (m_nResult != 0) {
        Report(m_nResult, op);
        return false;
    }
    return true;
}

bool CBwUDFDBase::Insert()
{
    return TableWrite(true);
}

bool CBwUDFDBase::Update(bool reread)
{
    if (reread || !HoldsCurrent()) {
        const int status = TableRead(GetCode(), B_GET_EQUAL, true);
        if (status != 0) {
            if (!NotFound(status))
                Report(status, B_GET_EQUAL);
            return false;
        }
    }
    return TableWrite(false);
}

bool CBwUDFDBase::Save()
{
    if (IsStructEmpty())
        return Delete();
    const int status = TableRead(GetCode(), B_GET_EQUAL, true);
    if (status == 0)
        return TableWrite(false);
    if (NotFound(status))
        return TableWrite(true);
    Report(status, B_GET_EQUAL);
    return false;
}

bool CBwUDFDBase::Delete()
{
    // The delete works on the file's current record: position it on the
    // object's own code first, whatever was read before.
    const int status = TableRead(GetCode(), B_GET_EQUAL, true);
    if (NotFound(status))
        return true;
    if (status != 0) {
        Report(status, B_GET_EQUAL);
        return false;
    }
    char key[255] = {};
    uint8_t none[1] = {0};
    m_nResult = BtrWrite(B_DELETE, static_cast<uint16_t>(m_hHdl), key, none, 0);
    m_bHasCurrent = false;
    if (m_nResult != 0) {
        Report(m_nResult, B_DELETE);
        return false;
    }
    return true;
}

void CBwUDFDBase::StructToScreen(FxForm* form, int firstField) const
{
    char text[64];
    int field = firstField;
    for (int i = 0; i < UDF_TEXT_COUNT; ++i, ++field) {
        std::snprintf(text, sizeof text, "%.*s", kTextWidth, m_pData->texts[i]);
        FxFieldSet(form, field, text);
    }
    for (int i = 0; i < UDF_AMOUNT_COUNT; ++i, ++field) {
        const double amount = m_pData->amounts[i];
        FxFormatAmount(amount, text, 2);
        FxFieldSet(form, field, text);
    }
    for (int i = 0; i < UDF_DATE_COUNT; ++i, ++field) {
        const int32_t date = m_pData->dates[i];
        FxDateFormatLong(text, date);
        FxFieldSet(form, field, text);
    }
}

void CBwUDFDBase::ScreenToStruct(FxForm* form, int firstField)
{
    int field = firstField;
    for (int i = 0; i < UDF_TEXT_COUNT; ++i, ++field) {
        const char* text = FxFieldGet(form, field);
        std::memset(m_pData->texts[i], 0, UDF_TEXT_SIZE);
        std::memcpy(m_pData->texts[i], text, std::min<std::size_t>(std::strlen(text), kTextWidth));
    }
    for (int i = 0; i < UDF_AMOUNT_COUNT; ++i, ++field) {
        double amount = 0.0;
        if (FxParseNumber(FxFieldGet(form, field), 1, &amount) != 0)
            amount = 0.0;
        m_pData->amounts[i] = amount;
    }
    for (int i = 0; i < UDF_DATE_COUNT; ++i, ++field)
        m_pData->dates[i] = FxDateParse(FxFieldGet(form, field));
}

// ---- customers ----

const std::size_t CBwUDFDCV::m_sztCodeSize = sizeof(TagUDFDataCV::code);
const std::size_t CBwUDFDCV::m_sztStructSize = sizeof(TagUDFDataCV);

namespace {

int CustomerFieldsOf(int masterFileId)
{
    return masterFileId == bwps::No(bwps::FileNo::Customers) ? bwps::No(bwps::FileNo::CustomerFields)
                                                             : -1;
}

int ItemFieldsOf(int masterFileId)
{
    if (masterFileId == bwps::No(bwps::FileNo::Products))
        return bwps::No(bwps::FileNo::ProductFields);
    if (masterFileId == bwps::No(bwps::FileNo::Services))
        return bwps::No(bwps::FileNo::ServiceFields);
    return -1;
}

}  // namespace

CBwUDFDCV::CBwUDFDCV(int masterFileId)
    : CBwUDFDBase(masterFileId, CustomerFieldsOf(masterFileId), &m_rec, &m_rec.data, &m_scratch)
{
    std::memset(&m_rec, 0, sizeof m_rec);
    std::memset(&m_scratch, 0, sizeof m_scratch);
}

CBwUDFDCV::~CBwUDFDCV() = default;

// ---- products and services ----

const std::size_t CBwUDFDPS::m_sztCodeSize = sizeof(TagUDFDataPS::code);
const std::size_t CBwUDFDPS::m_sztStructSize = sizeof(TagUDFDataPS);

CBwUDFDPS::CBwUDFDPS(int masterFileId)
    : CBwUDFDBase(masterFileId, ItemFieldsOf(masterFileId), &m_rec, &m_rec.data, &m_scratch)
{
    std::memset(&m_rec, 0, sizeof m_rec);
    std::memset(&m_scratch, 0, sizeof m_scratch);
}

CBwUDFDPS::~CBwUDFDPS() = default;
