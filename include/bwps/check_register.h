// bwps/check_register.h: CBaseCheckReg, the bank deposits of the check
// register BPOSCHCK.DB (file 8): one entry per method of payment of a sale
// or per bank-account line of a ledger transaction; posting, check
// numbers, deletes, and the whole register brought in line with the sales
// file when the on-line check-register option is turned on or off.
//
// The second library creates these objects inside the step that needs
// them: the member order below is the stored contract of the object.
#ifndef BWPS_CHECK_REGISTER_H
#define BWPS_CHECK_REGISTER_H

#include <cstdint>

#include "bwps/export.h"
#include "bwps/records.h"
#include "bwps/records/check_register.h"
#include "bwps/records/ledger.h"
#include "bwps/records/sales.h"

class BWPS_EXPORT CBaseCheckReg {
public:
    // Callers (GetCaller).
    enum { kCallerOnLine = 0, kCallerShip = 1, kCallerPost = 2 };

    CBaseCheckReg();
    explicit CBaseCheckReg(int caller);
    ~CBaseCheckReg();
    // A copy holds the same entry and settings; it never shares the
    // original's file handles (each object closes its own): when the
    // original's register files are open, the copy opens them anew.
    CBaseCheckReg(const CBaseCheckReg& other);
    CBaseCheckReg& operator=(const CBaseCheckReg& other);

    // ---- Files
    bool TableOpen();
    bool TableOpen(int hdrFile, int dtlFile);
    void TableClose();
    uint16_t RegHdl() const { return regHdl_; }
    uint16_t GenHdl() const { return genHdl_; }
    uint16_t RurGenHdl() const { return rurGenHdl_; }
    uint16_t HdrHdl() const { return hdrHdl_; }
    uint16_t DtlHdl() const { return dtlHdl_; }
    uint16_t* RegHdlPtr() { return &regHdl_; }
    uint16_t* GenHdlPtr() { return &genHdl_; }
    uint16_t* RurGenHdlPtr() { return &rurGenHdl_; }
    uint16_t IndexValHdl() const;

    // ---- The entry being built
    TagCheckRegister* GetPtr() { return &reg_; }
    void SetReg(const TagCheckRegister& r) { reg_ = r; }
    long GetTranKey() const { return reg_.TranKey; }
    int GetResult() const { return result_; }

    // ---- Writing single entries
    bool Update();
    bool Update(long key, bool noInsert);
    bool Update(TagCheckRegister& r);
    bool Update(TagCheckRegister& r, long key);
    bool Update(long key, const char* checkNo);
    bool InsertReg();
    bool InsertReg(TagCheckRegister& r);
    bool Post(long key);
    bool Post(long key, const char* ref);
    bool Post(long key1, long key2, const char* ref1, const char* ref2);
    bool Delete(long key);
    bool Delete(long key1, long key2);

    // ---- Building entries
    void Populate(const TagGLHeader& hdr, const TagLedgerDetail& line, const char* ref);
    void Populate(const TagSalesHdr& sale, double amount, const char* mopCode,
                  const char* account, const char* checkNo, long depositNo);

    // ---- Sales and ledger transactions
    bool IsPosOnLine();
    void SetOverrideOnLine(bool on) { override_ = on; }
    bool UpdateFromPos(TagSalesHdr& sale, bool posted);
    bool UpdateFromGLTran(TagGLHeader& hdr);
    bool ReadSysIntf();
    bool SetPOSFlag(bool on);

    // ---- Register rebuild
    bool Verify();
    bool VerifyWithPosHdr();
    bool Undo();
    bool UndoWithPosHdr();
    bool VerifyChkRegOnLine();
    void DisplayErrorStatus(bool undoing);

    // ---- Flags
    void StatusClearedOn() { statusCleared_ = true; }
    void StatusClearedOff() { statusCleared_ = false; }
    bool OverrideStatusDefault() const { return statusCleared_; }
    void SetCallerOnLine() { caller_ = kCallerOnLine; }
    void SetCallerPost() { caller_ = kCallerPost; }
    bool CallerOnLine() const { return caller_ == kCallerOnLine; }
    bool CallerShip() const { return caller_ == kCallerShip; }
    bool CallerPost() const { return caller_ == kCallerPost; }
    int GetCaller() const { return caller_; }

private:
    void Init(int caller);
    void CopyFrom(const CBaseCheckReg& other);
    bool OpenOnDemand(bool& opened);
    bool ReadByKey(long key, TagCheckRegister& out);
    bool UsableEntry(const TagCheckRegister& entry);
    bool RemoveUnposted(long key);
    bool WriteSaleDeposits(TagSalesHdr& work, bool posted, uint16_t accounts, uint16_t tenders,
                           bool verifying, bool& written);

    TagCheckRegister reg_;
    unsigned char sysInterface_[GENERAL_SYSINTERFACE_SIZE];
    uint16_t regHdl_;
    uint16_t genHdl_;
    uint16_t rurGenHdl_;
    uint16_t hdrHdl_;               // 0xFFFF when closed
    uint16_t dtlHdl_;               // 0xFFFF when closed
    int16_t result_;
    bool open_;
    bool statusCleared_;
    int32_t caller_;
    bool online_;
    bool override_;
};

// CBaseCheckRegExt: the repair of the unposted register entries that came
// from sales: an entry whose sale is gone, or whose sale's tender now
// names another bank account, is voided (a withdrawal, or a check with its
// number) or deleted, and each action is logged (the log file, when one is
// set, gets one line per action ended by CR LF).
class BWPS_EXPORT CBaseCheckRegExt : public CBaseCheckReg {
public:
    CBaseCheckRegExt();
    ~CBaseCheckRegExt();
    CBaseCheckRegExt(const CBaseCheckRegExt& other);
    CBaseCheckRegExt& operator=(const CBaseCheckRegExt& other);

    bool OpenAllTables();
    void CloseAllTables();
    // Walks the register; false when the on-line option is off, a file
    // cannot be opened, an entry cannot be checked or removed, or the user
    // pressed Esc (logged as cancelled).
    bool FixIntegrity();
    // The work entry against the sales: found by neither deposit key
    // (status 4 on both reads), or found with a tender of another account:
    // DeleteCheckRecord. Any other failed read is reported and gives false.
    bool FixIntegrityOfSales();
    bool DeleteCheckRecord();
    bool CashHdrVoidCheck();
    // Logs a text whose "%s" are the work entry's check number, then its
    // account.
    void LogEvent(const char* format);

    // 0xFFFF (-1) when closed.
    uint16_t GetChkRgHdl() const { return chkRgHdl_; }
    uint16_t GetGnrlHdl() const { return gnrlHdl_; }
    uint16_t GetSalesHdl() const { return salesHdl_; }
    uint16_t GetTenderHdl() const { return tenderHdl_; }
    TagCheckRegister* GetWorkPtr() { return &work_; }
    // The log: a FILE* open for writing, or null. The previous one.
    void* SetFileHandle(void* file);
    void* GetFileHandle() const { return log_; }
    int32_t GetNumRecords() const { return logged_; }

private:
    void WriteLog(const char* text);
    void CopyExt(const CBaseCheckRegExt& other);

    TagCheckRegister work_;
    uint16_t chkRgHdl_;
    uint16_t gnrlHdl_;
    uint16_t salesHdl_;
    uint16_t tenderHdl_;
    bool firstIndex_;
    int32_t firstKey_;
    int32_t firstSecond_;
    bool secondIndex_;
    int32_t secondKey_;
    int32_t secondSecond_;
    int32_t logged_;
    void* log_;
};

// The on-line check-register verification run: a session of its own over
// the data folder, the repair logged to "ONLINECK.LOG" there, then Verify.
// 0, or 32 when the run failed or could not start (inside another session).
extern "C" BWPS_EXPORT int BWPSVerifyOnlineCheckRegister(const char* programFolder,
                                                         const char* dataFolder);

#endif
