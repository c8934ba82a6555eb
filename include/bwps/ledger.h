// bwps/ledger.h: the ledger-posting classes. CBaseGLSales holds the
// point-of-sale transaction being posted; CBaseGL builds a ledger
// transaction in memory and writes it (header and lines inside one
// record-manager transaction), reads, replaces and deletes stored ones, and
// posts a sale (UpdateFromSalesTran).
//
// Both classes are used by the second library and by screens: the
// member order below is the stored contract of their objects.
#ifndef BWPS_LEDGER_H
#define BWPS_LEDGER_H

#include <cstdint>
#include <map>
#include <vector>
#include <string>

#include "bwps/export.h"
#include "bwps/records.h"
#include "bwps/records/accounts.h"
#include "bwps/records/ledger.h"
#include "bwps/records/sales.h"
#include "fx.h"

// Error codes of CBaseGL::GetError.
enum {
    GL_ERROR_ACCOUNT = 1000,        // account missing or not a detail account
    GL_ERROR_LIST = 1001,           // a line could not be added to the list
    GL_ERROR_LINE_WRITE = 1002,     // a line could not be written
    GL_ERROR_NUMBER = 1003,         // no transaction number could be drawn
    GL_ERROR_HEADER_WRITE = 1004,   // the header insert failed
    GL_ERROR_REPLACE = 1005,        // the old transaction could not be read or removed
    GL_ERROR_SALE = 1006            // the sale cannot be posted as it stands (error text: why)
};

#pragma pack(push, 1)
// One entry of the sale reader's index: kind, category, item, position.
struct TagSalesIndexEntry {
    char Kind;
    char Category[6];
    char ItemCode[15];
    uint32_t Position;
};
#pragma pack(pop)
static_assert(sizeof(TagSalesIndexEntry) == 26, "sales index entry");

class BWPS_EXPORT CBaseGLSales {
public:
    CBaseGLSales();
    ~CBaseGLSales();
    CBaseGLSales(const CBaseGLSales& other);
    CBaseGLSales& operator=(const CBaseGLSales& other);

    void SetHeader(const TagSalesHdr* header);
    TagSalesHdr* GetHdrPtr() { return &header_; }
    TagSalesDetail* GetDtlPtr() { return &detail_; }
    void SetJrnl(const char* code);
    char* GetJrnlCode() { return journal_; }

    bool InitDtlIndex(short dtlHandle);
    bool InitDtlIndex();
    bool CountDetail();
    bool AllocCount();
    bool GetFirst();
    bool GetNext();
    int32_t GetCount() const { return count_; }

private:
    void FreeIndex();
    bool ReadEntry();

    TagSalesHdr header_;
    TagSalesDetail detail_;
    TagSalesIndexEntry* index_;
    unsigned char customer_[795];
    char journal_[7];
    int32_t count_;
    int32_t current_;
    int32_t indexAllocated_;        // Yes/No flag
    uint16_t handle_;
};

class BWPS_EXPORT CBaseGL {
public:
    CBaseGL();
    virtual ~CBaseGL();
    CBaseGL(const CBaseGL& other);
    CBaseGL& operator=(const CBaseGL& other);

    // ---- Files
    bool OpenTables();
    bool OpenTables(int hdrFile, int dtlFile);
    bool OpenTables(int hdrFile, int dtlFile, int custFile, int vendFile);
    void CloseTables();
    bool ReadSysIntf();
    bool IsPosOnLine();

    // ---- The transaction in memory
    bool BeginTran();
    bool EndTran();
    void AbortTran();
    bool InsertHeader();
    bool InsertHeader(TagGLHeader* header);
    bool InsertDetail();
    bool InsertDetail(TagLedgerDetail* detail);
    bool ValidDetail();
    bool ValidHeader();
    bool Committ(bool clearTranNo);
    void UpdateTotal();
    bool WriteHeader(bool clearTranNo);
    bool WriteHeaderUpdate();
    bool WriteDetail();

    // ---- Stored transactions
    bool UpdateTran(char* journal, char* tranNo);
    bool DeleteTran(char* journal, char* tranNo, int kind);
    bool DeleteTran(long key);
    bool DeleteTran(TagSalesHdr& sale);
    bool ReadGLHeader(long key, TagGLHeader& out);
    long GetTranKey() const { return header_.TranKey; }

    // ---- Posting a sale
    bool UpdateFromSalesTran(TagSalesHdr& sale);
    // The ledger lines that posting the sale would write, built in memory
    // and handed back balanced; nothing is written. False (GetError,
    // GetErrorStr) when the sale cannot be posted.
    bool BuildSaleLines(TagSalesHdr& sale, std::vector<TagLedgerDetail>& lines);
    // What each built line is, in the order of `lines`: a run describes
    // and merges the lines of each kind in its own way.
    enum class LineKind : uint8_t {
        Summary,        // payments, receivables, inventory and balancing
        Detail,         // sales, returns, cost and billing codes of the lines
        Tax,
        Layaway,        // layaway receipts and the completed layaway
        Other,          // the discount taken
        CashInOut,
    };
    bool BuildSaleLines(TagSalesHdr& sale, std::vector<TagLedgerDetail>& lines,
                        std::vector<LineKind>& kinds);

    // ---- Accessors
    uint16_t GetHandle(int n) const { return n >= 0 && n < 30 ? handles_[n] : 0xFFFF; }
    uint16_t GLHdrHdl() const { return handles_[0]; }
    uint16_t GLDtlHdl() const { return handles_[1]; }
    uint16_t GLJrnlHdl() const { return handles_[2]; }
    uint16_t AcctHdl() const { return handles_[3]; }
    uint16_t TaxHdl() const { return handles_[4]; }
    uint16_t ServHdl() const { return handles_[6]; }
    uint16_t CodesHdl() const { return handles_[7]; }
    uint16_t TenderHdl() const { return handles_[8]; }
    uint16_t LayHdl() const { return handles_[9]; }
    uint16_t GnrlHdl() const { return handles_[10]; }
    uint16_t HdrHdl() const { return salesHdr_; }
    uint16_t DtlHdl() const { return salesDtl_; }
    uint16_t CustHdl() const { return cust_; }
    uint16_t VendHdl() const { return vend_; }
    uint16_t CVHdl() const { return cvHandle_; }
    uint16_t* BwaGenHdlPtr() { return &accountingGeneral_; }
    uint16_t IndexValHdl() const;
    static int CustId() { return 10; }
    static int VendId() { return 30; }
    int CVFile() const { return cvFile_; }
    int GetHdrTblId() const { return hdrFile_; }
    int GetResult() const { return result_; }
    int GetError() const { return error_; }
    const char* GetErrorStr() const { return errorText_; }
    int GetLastFile() const { return lastFile_; }
    int GetLastOp() const { return lastOp_; }
    void SetVerify(bool on) { verify_ = on; }
    bool IsVerify() const { return verify_; }
    void SetRecordsFound(bool on) { recordsFound_ = on; }
    bool GetRecordsFound() const { return recordsFound_; }
    void SetDetailLines(bool on) { detailLines_ = on; }
    bool GetDetailLines() const { return detailLines_; }
    void SetUpdateDetail(bool on) { updateDetail_ = on; }
    bool GetUpdateDetail() const { return updateDetail_; }
    void SetSavedCost(double cost) { savedCost_ = cost; }
    double GetSavedCost() const { return savedCost_; }
    void SetPostRef(const char* reference);
    const char* GetPostRef() const { return postRef_; }
    bool PostRefEmpty() const;
    void SetTranNo(const char* number);
    void SetJrnlCode(const char* code);
    void SetReference(const char* reference);
    void SetTranDate(int32_t date) { header_.TranDate = date; }
    void SetReverse(char flag) { header_.Reverse = flag; }
    void SetDetailAcct(const char* account);
    void SetDetailDesc(const char* description);
    void SetDetailAmt(double amount) { detail_.Amount = amount; }
    void SetDtlDbcr(char side) { detail_.DebitCredit = side; }
    TagGLHeader* GetJrnl() { return &header_; }
    TagGLHeader* GetGLHeader() { return &header_; }
    char* GetTran() { return header_.TranNo; }
    TagLedgerDetail* GetDtlPtr() { return &detail_; }
    CBaseGLSales* GetBiPoPtr() { return &sales_; }
    int32_t NextLine() { return nextLine_++; }
    // The lines of the transaction being built (84-byte entries).
    FxList* GetLineList() { return &lines_; }

    // ---- The on-line option: every unposted sale in the ledger, or none
    // Posts every unposted, not void sale (the verify flag makes it a dry
    // run that checks every sale and writes nothing).
    bool VerifyWithSalesTran();
    // A dry run over the sales, then the real one; false at the first sale
    // that cannot be posted (DisplayError shows it).
    bool Verify();
    // Removes the ledger transaction of every unposted, not void sale; a
    // sale that fails does not stop the walk.
    bool UndoWithSalesTran();
    bool Undo();
    // Byte 452 of "0sysinterface  " (the applied on-line ledger flag).
    bool SetPOSFlag(bool on);
    // Brings the applied flag in line with the store's option, asking
    // first: false when the question was answered No.
    bool VerifyGLOnLine();
    void DisplayError(const char* invoiceNo);
    void DisplayError(const TagSalesHdr& sale);
    void DisplayErrorStatus(bool undo);

private:
    // Posting a sale (the steps of UpdateFromSalesTran).
    bool SalesTransaction(TagSalesHdr& sale);
    bool SalesInitGLHeader(const char* invoiceNo, int32_t date);
    void Fail(int error, int file, int operation);
    bool WriteTransaction(bool clearTranNo);
    bool RemoveWritten(long newKey);
    bool ReadHeaderByKey(long key, TagGLHeader& out);
    void CopyFrom(const CBaseGL& other);

    uint16_t handles_[30];
    uint16_t salesHdr_;
    uint16_t salesDtl_;
    uint16_t cust_;
    uint16_t vend_;
    uint16_t cvHandle_;
    uint16_t accountingGeneral_;
    int16_t cvFile_;
    int32_t hdrFile_;
    int16_t result_;
    bool open_;
    int32_t nextLine_;
    int32_t tranActive_;            // Yes/No flag
    char errorText_[256];
    int32_t error_;
    int32_t lastFile_;
    int32_t lastOp_;
    bool online_;
    double net_;
    double costTotal_;
    bool updateDetail_;
    bool detailLines_;
    bool recordsFound_;
    double savedCost_;
    // Stock of the sale's products as its lines take it (quantity, value),
    // so that a product on two lines is costed as the stock update does.
    std::map<std::string, std::pair<double, double>> saleStock_;
    char postRef_[11];
    bool verify_;
    unsigned char sysInterface_[GENERAL_SYSINTERFACE_SIZE];
    unsigned char system_[GENERAL_SYSTEM_SIZE];
    TagGLHeader header_;
    TagLedgerDetail detail_;
    FxList lines_;
    TagInterfaceRecord interface_;
    CBaseGLSales sales_;
    LineKind lineKind_ = LineKind::Summary;          // of the lines being added
    std::vector<LineKind>* lineKinds_ = nullptr;     // while lines are built
};

// CBaseGLExt: the repair of the unposted ledger transactions of journal
// "PO": a transaction whose sale no longer carries its ledger key becomes a
// "DELETED" marker, and each action is logged (the log file, when one is
// set, gets one line per action ended by CR LF).
class BWPS_EXPORT CBaseGLExt : public CBaseGL {
public:
    CBaseGLExt();
    ~CBaseGLExt() override;
    CBaseGLExt(const CBaseGLExt& other);
    CBaseGLExt& operator=(const CBaseGLExt& other);

    bool OpenAllTables();
    void CloseAllTables();
    // Walks the ledger headers; false when the on-line option is off, a
    // file cannot be opened, a transaction cannot be checked or marked, or
    // the user pressed Esc (logged as cancelled).
    bool FixIntegrity();
    // The checked header against the sales: no sale with its key (status
    // 4): DeleteGLRecord. Any other failed read is reported and gives false.
    bool FixIntegrityOfSales();
    bool DeleteGLRecord();
    // Logs a text whose "%s" are the checked transaction's number, then its
    // journal code.
    void LogEvent(const char* format);

    uint16_t GetSalesHdrHdl() const { return checkHdr_; }
    uint16_t GetSalesDtlHdl() const { return checkDtl_; }
    // The log: a FILE* open for writing, or null. The previous one.
    void* SetFileHandle(void* file);
    void* GetFileHandle() const { return log_; }
    int32_t GetNumRecords() const { return logged_; }
    TagGLHeader* GetCheckedHeader() { return &checked_; }

private:
    void WriteLog(const std::string& text);
    void CopyExt(const CBaseGLExt& other);

    TagGLHeader checked_;
    uint16_t list_[30];
    bool listOpen_;
    uint16_t checkHdr_;             // 0xFFFF when closed
    uint16_t checkDtl_;             // 0xFFFF when closed
    bool indexCreated_;
    int32_t indexKey_;              // key number of the supplemental index
    int32_t logged_;
    void* log_;
};

// The on-line ledger verification run: a session of its own over the data
// folder, the repair logged to "ONLINEGL.LOG" there, then Verify. 0, or 32
// when the run failed or could not start (inside another session).
extern "C" BWPS_EXPORT int BWPSVerifyOnlineGenLedger(const char* programFolder,
                                                     const char* dataFolder);

#endif
