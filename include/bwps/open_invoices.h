// bwps/open_invoices.h: BwOIHeader, the header of an open invoice kept in
// step with its details (receivables: details file 3, headers file 70;
// payables: details file 2, headers file 69).
#ifndef BWPS_OPEN_INVOICES_H
#define BWPS_OPEN_INVOICES_H

#include <cstdint>

#include "bwps/export.h"
#include "bwps/records/accounts.h"
#include "bwps/records/open_invoices.h"

// The caller's progress object of a header rebuild: stepped once per detail.
class BWPS_EXPORT CProgress {
public:
    virtual ~CProgress();
    virtual void Step() = 0;
};

class BWPS_EXPORT BwOIHeader {
public:
    static const int m_iDTL_PRECEDENCE_EQ_HDR;   // 0
    static const int m_iDTL_PRECEDENCE_GT_HDR;   // 1: the detail takes precedence
    static const int m_iDTL_PRECEDENCE_LT_HDR;   // -1
    static const int m_iINVALID_FILE_HDL;        // -1
    static const int m_iINVALID_FILE_ID;         // -1

    // fileId: the header file (70 or 69). A handle of -1: the object opens
    // that file itself (Init) and closes it.
    BwOIHeader(int fileId, short hdrHandle = -1, short dtlHandle = -1);
    virtual ~BwOIHeader();
    BwOIHeader(const BwOIHeader&) = delete;
    BwOIHeader& operator=(const BwOIHeader&) = delete;

    // ---- File ids
    static bool IsValidFileId(int id);
    static bool IsHdrFileId(int id);
    static bool IsDtlFileId(int id);
    static int GetHdrFileId(int id);   // detail id -> header id; -1 when invalid
    static int GetDtlFileId(int id);   // header id -> detail id; -1 when invalid
    static bool IsValidTranStruct(const TagOpenInvoice& d);
    static bool IsValidTranStruct(const TagOpenInvoiceHdr& h);
    static bool IsInRange(const char* custTo, const char* invTo, const TagOpenInvoice& d);
    static bool IsDtlFromThisHdr(const TagOpenInvoice& d, const TagOpenInvoiceHdr& h);
    static char GetPrecedence(int fileId, char type);

    // ---- Set-up
    void ResetAll(int fileId, short hdrHandle, short dtlHandle);
    void Reset(short hdrHandle, short dtlHandle);
    bool Init();
    void CloseTableHdr();
    void CloseTableDtl();
    void CloseTable(int id);

    // ---- The header record
    bool Read(short op, const char* cust, const char* inv, bool lock);
    bool HdrExists(const char* cust, const char* inv, bool lock);
    bool HdrExists(const TagOpenInvoice& d, bool lock);
    bool Save();
    bool Delete();
    void InitNewHdr();
    void InitializeData();
    void GetData(TagOpenInvoiceHdr& out) const;
    void SetData(const TagOpenInvoiceHdr& in);
    TagOpenInvoiceHdr* GetDataPtr();
    bool IsNewHeader() const;
    short GetResult() const;
    short GetResultError() const;
    void SetResult(short status);
    int GetHdrFileId() const;
    int GetDtlFileId() const;
    bool SetHdrFileId(int id);
    bool SetDtlFileId(int id);
    void SetHdrHdl(short handle);
    void SetDtlHdl(short handle);
    short GetHdrHdl() const;
    short GetDtlHdl() const;
    bool GetNeedToCloseHdr() const;
    bool GetNeedToCloseDtl() const;
    void SetNeedToCloseHdr(bool v);
    void SetNeedToCloseDtl(bool v);
    bool GetNeedToClose(int id) const;
    void SetNeedToClose(int id, bool v);
    int GetOldKey(int id) const;
    static int GetInvKey(int id);
    static int GetTypeDateKey(int id);

    // ---- Copying from a detail
    void InitializeFromDtl(const TagOpenInvoice& d);
    void SetTypesFromDtl(const TagOpenInvoice& d);
    void CopyButTypeFromDtl(const TagOpenInvoice& d);
    void CopyFromDtl(const TagOpenInvoice& d);
    void CopyInfoFromDtl(const TagOpenInvoice& d);
    bool IsMainDtl(const TagOpenInvoice& d) const;
    int PrecedenceCompare(const TagOpenInvoice& d) const;

    // ---- Keeping the header in step
    bool ApplyTotalsFromDtl(const TagOpenInvoice& d, bool reverse);
    bool UpdateDtlInsertion(const TagOpenInvoice& d);
    bool SaveDtlBeforeModification(const TagOpenInvoice& d, bool reread);
    bool UpdateDtlModification(const TagOpenInvoice& d);
    bool UpdateDtlDeletion(const TagOpenInvoice& d, bool skipFirst);
    bool GetMainDtl(TagOpenInvoice& out, bool skipFirst);
    bool CreateNewFromExistingDtl(const TagOpenInvoice& d);
    bool CreateNewFromExistingDtlEx(const TagOpenInvoice& d);
    bool ApplyDtlModification(const TagOpenInvoice& d);

    // ---- Rebuilding headers of a key range from their details
    bool CompressFromExistingDtl(const char* custFrom, const char* invFrom, const char* custTo,
                                 const char* invTo, CProgress* progress);
    bool CompressDtl(const char* custFrom, const char* invFrom, const char* custTo,
                     const char* invTo, CProgress* progress);

private:
    void ResetAllButHandles();
    void DoDataCorrections();
    void ReleaseLocks();
    bool Compress(const char* custFrom, const char* invFrom, const char* custTo,
                  const char* invTo, CProgress* progress, bool ex);
    bool OpenOne(int fileId, short& handle, bool& needToClose, int32_t& savedKey,
                 int32_t& savedSecond);

    int32_t m_hdrFileId;
    int32_t m_dtlFileId;
    short m_hdrHandle;
    short m_dtlHandle;
    int32_t m_oldHdrKey;
    int32_t m_oldDtlKey;
    int32_t m_oldHdrSecond;
    int32_t m_oldDtlSecond;
    short m_result;
    char m_keyBuffer[255];
    char m_hdrKey[27];
    TagOpenInvoiceHdr m_hdr;
    TagOpenInvoice m_savedDtl;
    int32_t m_savedDtlPos;
    bool m_needToCloseHdr;
    bool m_needToCloseDtl;
    bool m_newHeader;
    bool m_hdrLocked;
    bool m_infoChanged;
    uint8_t m_savedDtlCount;
};


// Chart-of-accounts services over open-invoice details (files 3 and 2).
// Get equal by the detail identifier on the handle's current key; with a
// header object, the header must exist, and with save set the detail is
// kept for UpdateDtlModification. The status (also in the block).
extern "C" BWPS_EXPORT int ReadOpenInvoiceDetail(uint16_t handle, int fileNumber, int32_t key,
                                                 TagOpenInvoice* record,
                                                 TagPostingStatus* block, BwOIHeader* header,
                                                 int save);
// Marks the current detail posted ('P', its precedence from its type) and
// keeps its header in step; a header that cannot follow leaves the detail
// unposted. The status (also in the block).
extern "C" BWPS_EXPORT int MarkOpenInvoiceDetailPosted(uint16_t handle, int fileNumber,
                                                       TagOpenInvoice* record,
                                                       TagPostingStatus* block,
                                                       BwOIHeader* header, int save, int flag);

#endif
