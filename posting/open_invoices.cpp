// BwOIHeader: the header of an open invoice kept in step with its details.
#include "bwps/open_invoices.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "bwps/catalogue.h"
#include "bwps/files.h"
#include "bwps/messages.h"
#include "bwps/table.h"
#include "fx.h"
#include "recman.h"

namespace {

constexpr int kReceivablesHdr = 70;
constexpr int kPayablesHdr = 69;
constexpr int kReceivablesDtl = 3;
constexpr int kPayablesDtl = 2;

uint16_t H(short handle) { return static_cast<uint16_t>(handle); }

bwps::FileNo FileOf(int id) { return static_cast<bwps::FileNo>(id); }

// Reports a record-manager failure other than not found and end of file.
void ReportUnlessNotFound(int status, int op, int fileId)
{
    if (status != 0 && status != B_KEY_NOT_FOUND && status != B_END_OF_FILE)
        bwps::Status{status, op, FileOf(fileId)}.Report();
}

bool SameText(const char* a, const char* b, size_t n) { return std::memcmp(a, b, n) == 0; }

// A detail whose amounts are not numbers is refused with a message that
// names it: nothing of it reaches the header.
bool AmountsUsable(const TagOpenInvoice& d)
{
    if (std::isfinite(d.Amount) && std::isfinite(d.Discount))
        return true;
    char text[96];
    std::snprintf(text, sizeof text, "Open invoice %.11s of %.11s: the amount is not a number.",
                  d.Invoice, d.Customer);
    FxMessageBox(nullptr, text, "Open invoices", 0x10, 0);
    return false;
}

bool EmptyField(const char* field, size_t n)
{
    char text[16] = {};
    std::memcpy(text, field, n);
    return FxIsEmpty(text) != 0;
}

// The 27-byte key of key 0: customer (11), invoice (11), zeros.
void BuildKey(char* key, const char* cust, const char* inv)
{
    std::memset(key, 0, 255);
    if (cust != nullptr)
        std::strncpy(key, cust, 11);
    if (inv != nullptr)
        std::strncpy(key + 11, inv, 11);
}

}  // namespace

CProgress::~CProgress() = default;

const int BwOIHeader::m_iDTL_PRECEDENCE_EQ_HDR = 0;
const int BwOIHeader::m_iDTL_PRECEDENCE_GT_HDR = 1;
const int BwOIHeader::m_iDTL_PRECEDENCE_LT_HDR = -1;
const int BwOIHeader::m_iINVALID_FILE_HDL = -1;
const int BwOIHeader::m_iINVALID_FILE_ID = -1;

// ---- File ids ---------------------------------------------------------------

bool BwOIHeader::IsValidFileId(int id) { return IsHdrFileId(id) || IsDtlFileId(id); }
bool BwOIHeader::IsHdrFileId(int id) { return id == kReceivablesHdr || id == kPayablesHdr; }
bool BwOIHeader::IsDtlFileId(int id) { return id == kReceivablesDtl || id == kPayablesDtl; }

int BwOIHeader::GetHdrFileId(int id)
{
    if (!IsValidFileId(id))
        return m_iINVALID_FILE_ID;
    return id == kReceivablesDtl ? kReceivablesHdr : kPayablesHdr;
}

int BwOIHeader::GetDtlFileId(int id)
{
    if (!IsValidFileId(id))
        return m_iINVALID_FILE_ID;
    return id == kReceivablesHdr ? kReceivablesDtl : kPayablesDtl;
}

bool BwOIHeader::IsValidTranStruct(const TagOpenInvoice& d)
{
    return !EmptyField(d.Customer, 11) && !EmptyField(d.Invoice, 11);
}

bool BwOIHeader::IsValidTranStruct(const TagOpenInvoiceHdr& h)
{
    return !EmptyField(h.Customer, 11) && !EmptyField(h.Invoice, 11);
}

bool BwOIHeader::IsInRange(const char* custTo, const char* invTo, const TagOpenInvoice& d)
{
    const int c = std::memcmp(d.Customer, custTo, 11);
    if (c < 0)
        return true;
    return c == 0 && std::memcmp(d.Invoice, invTo, 11) <= 0;
}

bool BwOIHeader::IsDtlFromThisHdr(const TagOpenInvoice& d, const TagOpenInvoiceHdr& h)
{
    return SameText(d.Customer, h.Customer, 11) && SameText(d.Invoice, h.Invoice, 11);
}

char BwOIHeader::GetPrecedence(int fileId, char type)
{
    if (fileId == kPayablesDtl) {
        if (type == '2')
            return '3';
        if (type == '3')
            return '2';
    }
    return type;
}

int BwOIHeader::GetInvKey(int id)
{
    if (IsDtlFileId(id))
        return 3;
    if (IsHdrFileId(id))
        return 1;
    return 0;
}

int BwOIHeader::GetTypeDateKey(int) { return 0; }

// ---- Set-up -----------------------------------------------------------------

BwOIHeader::BwOIHeader(int fileId, short hdrHandle, short dtlHandle)
{
    m_hdrHandle = m_dtlHandle = -1;
    m_needToCloseHdr = m_needToCloseDtl = false;
    ResetAll(fileId, hdrHandle, dtlHandle);
}

BwOIHeader::~BwOIHeader()
{
    CloseTableHdr();
    CloseTableDtl();
}

void BwOIHeader::ResetAllButHandles()
{
    m_oldHdrKey = m_oldDtlKey = 0;
    m_oldHdrSecond = m_oldDtlSecond = 0;
    m_result = 0;
    std::memset(m_keyBuffer, 0, sizeof m_keyBuffer);
    std::memset(m_hdrKey, 0, sizeof m_hdrKey);
    std::memset(&m_hdr, 0, sizeof m_hdr);
    std::memset(&m_savedDtl, 0, sizeof m_savedDtl);
    m_savedDtlPos = 0;
    m_newHeader = true;
    m_hdrLocked = false;
    m_infoChanged = false;
    m_savedDtlCount = 0;
}

void BwOIHeader::ResetAll(int fileId, short hdrHandle, short dtlHandle)
{
    m_dtlFileId = GetDtlFileId(fileId);
    m_hdrFileId = GetHdrFileId(m_dtlFileId);
    Reset(hdrHandle, dtlHandle);
}

void BwOIHeader::Reset(short hdrHandle, short dtlHandle)
{
    m_hdrHandle = hdrHandle;
    m_dtlHandle = dtlHandle;
    m_needToCloseHdr = m_needToCloseDtl = false;
    ResetAllButHandles();
}

bool BwOIHeader::OpenOne(int fileId, short& handle, bool& needToClose, int32_t& savedKey,
                         int32_t& savedSecond)
{
    if (handle == m_iINVALID_FILE_HDL) {
        bwps::Table table;
        bwps::Status s = table.Open(FileOf(fileId));
        if (!s.Ok()) {
            m_result = static_cast<short>(s.status);
            s.Report();
            return false;
        }
        handle = static_cast<short>(table.Release());
        needToClose = true;
    }
    int key = 0, second = 0;
    BtrGetDefaults(H(handle), &key, &second);
    savedKey = key;
    savedSecond = second;
    return true;
}

bool BwOIHeader::Init()
{
    if (!IsHdrFileId(m_hdrFileId) || !IsDtlFileId(m_dtlFileId))
        return false;
    if (!OpenOne(m_hdrFileId, m_hdrHandle, m_needToCloseHdr, m_oldHdrKey, m_oldHdrSecond))
        return false;
    if (!OpenOne(m_dtlFileId, m_dtlHandle, m_needToCloseDtl, m_oldDtlKey, m_oldDtlSecond)) {
        CloseTableHdr();
        return false;
    }
    BtrSetDefaults(H(m_hdrHandle), GetTypeDateKey(m_hdrFileId), -1);
    return true;
}

void BwOIHeader::CloseTableHdr()
{
    if (m_hdrHandle == m_iINVALID_FILE_HDL)
        return;
    BtrSetDefaults(H(m_hdrHandle), m_oldHdrKey, -1);
    if (m_needToCloseHdr) {
        BtrUnlock(-2, H(m_hdrHandle), nullptr);
        BtrCloseFile(H(m_hdrHandle));
        m_hdrHandle = m_iINVALID_FILE_HDL;
        m_needToCloseHdr = false;
    }
    m_hdrLocked = false;
}

void BwOIHeader::CloseTableDtl()
{
    if (m_dtlHandle == m_iINVALID_FILE_HDL)
        return;
    BtrSetDefaults(H(m_dtlHandle), m_oldDtlKey, -1);
    if (m_needToCloseDtl) {
        BtrCloseFile(H(m_dtlHandle));
        m_dtlHandle = m_iINVALID_FILE_HDL;
        m_needToCloseDtl = false;
    }
}

void BwOIHeader::CloseTable(int id)
{
    if (IsHdrFileId(id))
        CloseTableHdr();
    else if (IsDtlFileId(id))
        CloseTableDtl();
}

// ---- The header record ------------------------------------------------------

void BwOIHeader::ReleaseLocks()
{
    if (m_hdrLocked && m_hdrHandle != m_iINVALID_FILE_HDL)
        BtrUnlock(-2, H(m_hdrHandle), nullptr);
    m_hdrLocked = false;
}

bool BwOIHeader::Read(short op, const char* cust, const char* inv, bool lock)
{
    BuildKey(m_keyBuffer, cust, inv);
    std::memcpy(m_hdrKey, m_keyBuffer, sizeof m_hdrKey);
    const int fullOp = op + (lock ? B_LOCK_MULTI_WAIT : 0);
    TagOpenInvoiceHdr record;
    std::memset(&record, 0, sizeof record);
    const int status =
        BtrGet(fullOp, H(m_hdrHandle), m_keyBuffer, &record, static_cast<int>(sizeof record));
    m_result = static_cast<short>(status);
    if (status == 0) {
        m_hdr = record;
        if (lock)
            m_hdrLocked = true;
        return true;
    }
    ReportUnlessNotFound(status, op, m_hdrFileId);
    m_hdrLocked = false;
    m_newHeader = true;
    return false;
}

bool BwOIHeader::HdrExists(const char* cust, const char* inv, bool lock)
{
    if (!Read(B_GET_EQUAL, cust, inv, lock))
        return false;
    m_newHeader = false;
    return true;
}

bool BwOIHeader::HdrExists(const TagOpenInvoice& d, bool lock)
{
    char cust[12] = {}, inv[12] = {};
    std::memcpy(cust, d.Customer, 11);
    std::memcpy(inv, d.Invoice, 11);
    return HdrExists(cust, inv, lock);
}

// The framework's amount correction on a field of the packed record.
static void CorrectAmount(void* field)
{
    double value;
    std::memcpy(&value, field, sizeof value);
    FxIsZeroAmount(&value);
    std::memcpy(field, &value, sizeof value);
}

void BwOIHeader::DoDataCorrections()
{
    CorrectAmount(&m_hdr.Balance);
    CorrectAmount(&m_hdr.Double76);
    CorrectAmount(&m_hdr.DiscountTotal);
    CorrectAmount(&m_hdr.ChargesTotal);
    CorrectAmount(&m_hdr.BalanceLessDiscount);
    CorrectAmount(&m_hdr.PaymentsTotal);
    CorrectAmount(&m_hdr.MemoTotal);
}

bool BwOIHeader::Save()
{
    DoDataCorrections();
    const int op = m_newHeader ? B_INSERT : B_UPDATE;
    BuildKey(m_keyBuffer, nullptr, nullptr);
    std::memcpy(m_keyBuffer, m_hdr.Customer, 22);
    TagOpenInvoiceHdr record = m_hdr;
    const int status = BtrWrite(op, H(m_hdrHandle), m_keyBuffer, &record,
                                static_cast<int>(sizeof record));
    m_result = static_cast<short>(status);
    ReleaseLocks();
    if (status == 0 || status == B_END_OF_FILE || status == B_KEY_NOT_FOUND) {
        m_newHeader = false;
        return true;
    }
    bwps::Status{status, op, FileOf(m_hdrFileId)}.Report();
    return false;
}

bool BwOIHeader::Delete()
{
    uint8_t none[1] = {};
    const int status = BtrWrite(B_DELETE, H(m_hdrHandle), nullptr, none, 0);
    m_result = static_cast<short>(status);
    if (status == 0 || status == B_END_OF_FILE || status == B_KEY_NOT_FOUND) {
        ReleaseLocks();
        m_newHeader = true;
        m_infoChanged = false;
        return true;
    }
    bwps::Status{status, B_DELETE, FileOf(m_hdrFileId)}.Report();
    return false;
}

void BwOIHeader::InitNewHdr()
{
    m_newHeader = true;
    m_infoChanged = false;
    std::memset(&m_hdr, 0, sizeof m_hdr);
}

void BwOIHeader::InitializeData() { std::memset(&m_hdr, 0, sizeof m_hdr); }
void BwOIHeader::GetData(TagOpenInvoiceHdr& out) const { out = m_hdr; }
void BwOIHeader::SetData(const TagOpenInvoiceHdr& in) { m_hdr = in; }
TagOpenInvoiceHdr* BwOIHeader::GetDataPtr() { return &m_hdr; }
bool BwOIHeader::IsNewHeader() const { return m_newHeader; }
short BwOIHeader::GetResult() const { return m_result; }
short BwOIHeader::GetResultError() const { return m_result == 0 ? static_cast<short>(B_KEY_NOT_FOUND) : m_result; }
void BwOIHeader::SetResult(short status) { m_result = status; }
int BwOIHeader::GetHdrFileId() const { return m_hdrFileId; }
int BwOIHeader::GetDtlFileId() const { return m_dtlFileId; }

bool BwOIHeader::SetHdrFileId(int id)
{
    if (!IsHdrFileId(id))
        return false;
    m_hdrFileId = id;
    return true;
}

bool BwOIHeader::SetDtlFileId(int id)
{
    if (!IsDtlFileId(id))
        return false;
    m_dtlFileId = id;
    return true;
}

void BwOIHeader::SetHdrHdl(short handle) { m_hdrHandle = handle; }
void BwOIHeader::SetDtlHdl(short handle) { m_dtlHandle = handle; }
short BwOIHeader::GetHdrHdl() const { return m_hdrHandle; }
short BwOIHeader::GetDtlHdl() const { return m_dtlHandle; }
bool BwOIHeader::GetNeedToCloseHdr() const { return m_needToCloseHdr; }
bool BwOIHeader::GetNeedToCloseDtl() const { return m_needToCloseDtl; }
void BwOIHeader::SetNeedToCloseHdr(bool v) { m_needToCloseHdr = v; }
void BwOIHeader::SetNeedToCloseDtl(bool v) { m_needToCloseDtl = v; }

bool BwOIHeader::GetNeedToClose(int id) const
{
    if (IsHdrFileId(id))
        return m_needToCloseHdr;
    if (IsDtlFileId(id))
        return m_needToCloseDtl;
    return false;
}

void BwOIHeader::SetNeedToClose(int id, bool v)
{
    if (IsHdrFileId(id))
        m_needToCloseHdr = v;
    else if (IsDtlFileId(id))
        m_needToCloseDtl = v;
}

int BwOIHeader::GetOldKey(int id) const
{
    if (id == m_hdrFileId)
        return m_oldHdrKey;
    if (id == m_dtlFileId)
        return m_oldDtlKey;
    return 0;
}

// ---- Copying from a detail --------------------------------------------------

void BwOIHeader::InitializeFromDtl(const TagOpenInvoice& d)
{
    std::memcpy(m_hdr.Customer, d.Customer, 11);
    std::memcpy(m_hdr.Invoice, d.Invoice, 11);
}

void BwOIHeader::SetTypesFromDtl(const TagOpenInvoice& d)
{
    m_hdr.Precedence = d.Precedence;
    m_hdr.Type2 = d.Type2;
    m_hdr.Type = d.Type;
}

void BwOIHeader::CopyButTypeFromDtl(const TagOpenInvoice& d)
{
    std::memcpy(m_hdr.Text26, d.Text106, 11);
    std::memcpy(m_hdr.Reference, d.Reference, 11);
    m_hdr.Byte25 = d.Byte117;
    m_hdr.MainId = d.Id;
    m_hdr.Value64 = d.Value58;
    m_hdr.Date52 = d.Date46;
    m_hdr.Date56 = d.Date50;
    m_hdr.Date = d.Date;
    m_hdr.Double76 = d.Double86;
}

void BwOIHeader::CopyFromDtl(const TagOpenInvoice& d)
{
    SetTypesFromDtl(d);
    CopyButTypeFromDtl(d);
}

void BwOIHeader::CopyInfoFromDtl(const TagOpenInvoice& d)
{
    InitializeFromDtl(d);
    CopyFromDtl(d);
}

bool BwOIHeader::IsMainDtl(const TagOpenInvoice& d) const { return d.Id == m_hdr.MainId; }

int BwOIHeader::PrecedenceCompare(const TagOpenInvoice& d) const
{
    const auto dl = static_cast<unsigned char>(d.Precedence);
    const auto hl = static_cast<unsigned char>(m_hdr.Precedence);
    if (dl > hl)
        return m_iDTL_PRECEDENCE_LT_HDR;
    if (dl < hl)
        return m_iDTL_PRECEDENCE_GT_HDR;
    if (d.Date > m_hdr.Date)
        return m_iDTL_PRECEDENCE_LT_HDR;
    if (d.Date < m_hdr.Date)
        return m_iDTL_PRECEDENCE_GT_HDR;
    return m_iDTL_PRECEDENCE_EQ_HDR;
}

// ---- Keeping the header in step --------------------------------------------

bool BwOIHeader::ApplyTotalsFromDtl(const TagOpenInvoice& d, bool reverse)
{
    const double a = reverse ? -d.Amount : d.Amount;
    const bool memo = (d.Type == 'C' && m_hdrFileId == kReceivablesHdr) ||
                      (d.Type == 'D' && m_hdrFileId == kPayablesHdr);
    bool lowers = false;
    if (memo) {
        m_hdr.MemoTotal += a;
        lowers = true;
    } else if (d.Type == 'P') {
        m_hdr.PaymentsTotal += a;
        m_hdr.DiscountTotal += reverse ? -d.Discount : d.Discount;
        lowers = true;
    } else {
        m_hdr.ChargesTotal += a;
    }
    m_hdr.Balance += lowers ? -a : a;
    m_hdr.BalanceLessDiscount = m_hdr.Balance - m_hdr.DiscountTotal;
    return true;
}

// Fields that a detail of the same precedence and date refreshes.
static void RefreshSameRank(TagOpenInvoiceHdr& h, const TagOpenInvoice& d)
{
    h.Value64 = d.Value58;
    h.Date52 = d.Date46;
    h.Date56 = d.Date50;
    h.Double76 = d.Double86;
}

bool BwOIHeader::UpdateDtlInsertion(const TagOpenInvoice& d)
{
    if (!AmountsUsable(d))
        return false;
    if (HdrExists(d, true)) {
        const int rank = PrecedenceCompare(d);
        if (rank == m_iDTL_PRECEDENCE_GT_HDR) {
            CopyInfoFromDtl(d);
            m_infoChanged = true;
        } else if (rank == m_iDTL_PRECEDENCE_EQ_HDR) {
            RefreshSameRank(m_hdr, d);
        }
    } else {
        // A header that could not be read (in use, damaged) is never
        // replaced by a new one: that would lose its totals.
        if (m_result != B_KEY_NOT_FOUND && m_result != B_END_OF_FILE)
            return false;
        std::memset(&m_hdr, 0, sizeof m_hdr);
        CopyInfoFromDtl(d);
    }
    ApplyTotalsFromDtl(d, false);
    return Save();
}

bool BwOIHeader::SaveDtlBeforeModification(const TagOpenInvoice& d, bool reread)
{
    TagOpenInvoice kept = d;
    if (reread) {
        const uint16_t h = H(m_dtlHandle);
        uint32_t position = 0;
        const bool havePosition = BtrPosition(B_GET_DIRECT, h, &position) == 0;
        int key = 0, second = 0;
        BtrGetDefaults(h, &key, &second);
        BtrSetDefaults(h, GetInvKey(m_dtlFileId), -1);
        char keyBuffer[256] = {};
        std::memcpy(keyBuffer, &d.Id, 4);
        std::memset(&kept, 0, sizeof kept);
        const int status = BtrGet(B_GET_EQUAL, h, keyBuffer, &kept, static_cast<int>(sizeof kept));
        BtrSetDefaults(h, key, -1);
        if (havePosition)
            BtrPosition(0, h, &position);
        m_result = static_cast<short>(status);
        if (status != 0) {
            ReportUnlessNotFound(status, B_GET_EQUAL, m_dtlFileId);
            return false;
        }
        if (IsValidTranStruct(m_hdr) && !IsDtlFromThisHdr(kept, m_hdr))
            return false;
    }
    m_savedDtl = kept;
    ++m_savedDtlCount;
    return true;
}

bool BwOIHeader::UpdateDtlModification(const TagOpenInvoice& d)
{
    if (!AmountsUsable(d))
        return false;
    if (!HdrExists(m_savedDtl, true))
        return false;
    if (m_savedDtlCount > 0)
        --m_savedDtlCount;
    if (std::memcmp(&m_savedDtl, &d, sizeof d) == 0) {
        ReleaseLocks();
        return true;
    }
    if (IsDtlFromThisHdr(d, m_hdr)) {
        const int rank = PrecedenceCompare(d);
        if (rank == m_iDTL_PRECEDENCE_GT_HDR) {
            CopyInfoFromDtl(d);
            m_infoChanged = true;
        } else if (rank == m_iDTL_PRECEDENCE_EQ_HDR) {
            RefreshSameRank(m_hdr, d);
        }
        if (!ApplyTotalsFromDtl(m_savedDtl, true) || !ApplyTotalsFromDtl(d, false))
            return false;
        return Save();
    }
    const TagOpenInvoice saved = m_savedDtl;
    if (!UpdateDtlDeletion(saved, false))
        return false;
    return UpdateDtlInsertion(d);
}

bool BwOIHeader::UpdateDtlDeletion(const TagOpenInvoice& d, bool skipFirst)
{
    if (!HdrExists(d, true))
        return false;
    if (IsMainDtl(d)) {
        TagOpenInvoice found;
        if (!GetMainDtl(found, skipFirst))
            return Delete();
        CopyInfoFromDtl(found);
        m_infoChanged = true;
    }
    ApplyTotalsFromDtl(d, true);
    return Save();
}

bool BwOIHeader::GetMainDtl(TagOpenInvoice& out, bool skipFirst)
{
    const uint16_t h = H(m_dtlHandle);
    uint32_t position = 0;
    const bool havePosition = BtrPosition(B_GET_DIRECT, h, &position) == 0;
    int key = 0, second = 0;
    BtrGetDefaults(h, &key, &second);
    BtrSetDefaults(h, 0, -1);
    char keyBuffer[256] = {};
    std::memcpy(keyBuffer, m_hdr.Customer, 22);
    std::memset(&out, 0, sizeof out);
    int op = B_GET_GE;
    int status = BtrGet(op, h, keyBuffer, &out, static_cast<int>(sizeof out));
    if (status == 0 && skipFirst) {
        op = B_GET_NEXT;
        status = BtrGet(op, h, keyBuffer, &out, static_cast<int>(sizeof out));
    }
    BtrSetDefaults(h, key, -1);
    if (havePosition)
        BtrPosition(0, h, &position);
    if (status == 0)
        return IsDtlFromThisHdr(out, m_hdr);
    ReportUnlessNotFound(status, B_GET_GE, m_dtlFileId);
    return false;
}

bool BwOIHeader::CreateNewFromExistingDtl(const TagOpenInvoice& d)
{
    if (!m_infoChanged && m_newHeader) {
        std::memset(&m_hdr, 0, sizeof m_hdr);
        CopyInfoFromDtl(d);
        m_infoChanged = true;
        m_newHeader = true;
    }
    return ApplyTotalsFromDtl(d, false);
}

bool BwOIHeader::CreateNewFromExistingDtlEx(const TagOpenInvoice& d)
{
    if (!IsValidTranStruct(m_hdr)) {
        if (!m_newHeader && !HdrExists(d, true)) {
            if (m_result != B_KEY_NOT_FOUND && m_result != B_END_OF_FILE)
                return false;
            m_newHeader = true;
        }
        if (m_newHeader) {
            std::memset(&m_hdr, 0, sizeof m_hdr);
            CopyInfoFromDtl(d);
            m_infoChanged = true;
        }
    }
    if (!m_infoChanged && !ApplyDtlModification(d))
        return false;
    return ApplyTotalsFromDtl(d, false);
}

bool BwOIHeader::ApplyDtlModification(const TagOpenInvoice& d)
{
    if (!IsDtlFromThisHdr(d, m_hdr))
        return false;
    m_infoChanged = true;
    if (d.Type == m_hdr.Type && d.Date < m_hdr.Date) {
        CopyButTypeFromDtl(d);
        return true;
    }
    const char t = m_hdr.Type;
    if ((t == 'C' && m_hdrFileId == kPayablesHdr && d.Type == 'I') ||
        (t == 'D' && m_hdrFileId == kReceivablesHdr && d.Type == 'I') ||
        (t != 'C' && t != 'D' && t != 'I' && d.Type == 'I'))
        CopyFromDtl(d);
    return true;
}

// ---- Rebuilding -------------------------------------------------------------

bool BwOIHeader::CompressFromExistingDtl(const char* custFrom, const char* invFrom,
                                         const char* custTo, const char* invTo,
                                         CProgress* progress)
{
    return Compress(custFrom, invFrom, custTo, invTo, progress, false);
}

bool BwOIHeader::CompressDtl(const char* custFrom, const char* invFrom, const char* custTo,
                             const char* invTo, CProgress* progress)
{
    return Compress(custFrom, invFrom, custTo, invTo, progress, true);
}

bool BwOIHeader::Compress(const char* custFrom, const char* invFrom, const char* custTo,
                          const char* invTo, CProgress* progress, bool ex)
{
    char endCust[12], endInv[12];
    std::memset(endCust, 0xFF, 11);
    std::memset(endInv, 0xFF, 11);
    endCust[11] = endInv[11] = 0;
    if (custTo != nullptr) {
        std::memset(endCust, 0, sizeof endCust);
        std::strncpy(endCust, custTo, 11);
    }
    if (invTo != nullptr) {
        std::memset(endInv, 0, sizeof endInv);
        std::strncpy(endInv, invTo, 11);
    }
    const uint16_t h = H(m_dtlHandle);
    int savedKey = 0, second = 0;
    BtrGetDefaults(h, &savedKey, &second);
    BtrSetDefaults(h, 0, -1);

    char keyBuffer[256];
    BuildKey(keyBuffer, custFrom, invFrom);
    TagOpenInvoice d;
    std::memset(&d, 0, sizeof d);
    int status = BtrGet(B_GET_GE, h, keyBuffer, &d, static_cast<int>(sizeof d));
    m_result = static_cast<short>(status);
    if (status == B_END_OF_FILE || status == B_KEY_NOT_FOUND) {
        BtrSetDefaults(h, savedKey, -1);
        return true;
    }
    if (status != 0) {
        bwps::Status{status, B_GET_GE, FileOf(m_dtlFileId)}.Report();
        BtrSetDefaults(h, savedKey, -1);
        return false;
    }
    bool ok = true;
    bool first = true;
    TagOpenInvoice previous;
    std::memset(&previous, 0, sizeof previous);
    while (status == 0 && IsInRange(endCust, endInv, d)) {
        if (progress != nullptr)
            progress->Step();
        if (first || !SameText(d.Customer, previous.Customer, 11) ||
            !SameText(d.Invoice, previous.Invoice, 11)) {
            if (!first && !Save()) {
                ok = false;
                break;
            }
            InitNewHdr();
            first = false;
        }
        if (!(ex ? CreateNewFromExistingDtlEx(d) : CreateNewFromExistingDtl(d))) {
            ok = false;
            break;
        }
        previous = d;
        status = BtrGet(B_GET_NEXT, h, keyBuffer, &d, static_cast<int>(sizeof d));
        if (status == B_END_OF_FILE || status == B_KEY_NOT_FOUND) {
            status = 0;
            break;
        }
        if (status != 0) {
            bwps::Status{status, B_GET_NEXT, FileOf(m_dtlFileId)}.Report();
            m_result = static_cast<short>(status);
            ok = false;
        }
    }
    if (ok && status == 0 && !first && !Save())
        ok = false;
    BtrSetDefaults(h, savedKey, -1);
    return ok;
}
