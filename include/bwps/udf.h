// User-defined fields of customers, products and services.
//
// Data: the twelve values of one master record (six texts, four amounts,
// two dates) live in a companion record of the kind's user-defined-field
// file, keyed by the master record's code. CBwUDFDCV (customers) and
// CBwUDFDPS (products, services) read, write and show that record; each
// editor owns one object for the record it edits.
//
// Settings: the labels of the twelve values, one settings record per kind
// in the general settings file. The all-static manager CBwUDFSMngr holds one
// settings object per kind and is the only way in for the editors and for
// the company jobs of bwpos-1.
#ifndef BWPS_UDF_H
#define BWPS_UDF_H

#include <cstddef>
#include <cstdint>

#include "bwps/export.h"
#include "bwps/records/udf.h"


struct FxForm;

// ---- Data ----

// One companion record of user-defined values. The subclass embeds the
// whole file record (code first) and hands the base pointers to it.
//
// Writes go through the record manager on the object's handle, so a caller
// that has begun a record-manager transaction (a master record's delete)
// takes the companion's write into it.
class BWPS_EXPORT CBwUDFDBase {
public:
    virtual ~CBwUDFDBase();
    // Width of the code field, NUL included (11 customers, 15 products and
    // services) and the whole record's length (297, 301).
    virtual std::size_t GetCodeSize() const = 0;
    virtual std::size_t GetStructSize() const = 0;

    // Opens the object's file when closed; a failure is reported and leaves
    // it closed. An object without a file (file id -1) does not open.
    bool Open();
    // Closes the file when the object opened it; a handle lent by SetHandle
    // is only forgotten, never closed.
    void Close();
    bool IsOpen() const { return m_hHdl != kNoHandle; }

    // Clears the record; with a code, its first GetCodeSize() - 1 characters
    // go into the code field, blank-padded to that width.
    void InitStruct(const char* code);
    // Copies a whole file record in (GetStructSize() bytes).
    void SetStruct(const void* record);
    // All six texts blank, all four amounts zero and both dates 0: on the
    // given values, or with null on the object's own.
    bool IsStructEmpty(const TagUDFData* values = nullptr) const;

    // Get equal by the code: true when found. Not found (4, 9) answers
    // false without a report and leaves the object on an empty record of
    // that code; other statuses are reported.
    bool Find(const char* code);
    // The walk over the file in code order, with the same status rule.
    bool ReadFirst();
    bool ReadNext();

    bool Insert();
    // Update of the record of the object's code. With reread, or when the
    // file's current record is not that code's, the record is read again by
    // its code first (into the scratch record); false when that fails.
    bool Update(bool reread);
    // An empty record is deleted; otherwise updated when the code's record
    // exists, inserted when it does not.
    bool Save();
    // Deletes the record of the object's code; a code without a record
    // counts as success.
    bool Delete();

    // The six texts into fields first..first+5, the four amounts (two
    // decimals) into the next four, the two dates (four-digit year) into the
    // next two. ScreenToStruct reads them back (an amount or date that does
    // not parse becomes 0).
    void StructToScreen(FxForm* form, int firstField) const;
    void ScreenToStruct(FxForm* form, int firstField);

    // The read behind the finders: with a key, the key buffer is cleared and
    // the code put into it as the code field holds it; into the object's
    // record or its scratch record. The status is kept and returned.
    int TableRead(const char* key, unsigned short operation, bool toScratch);
    // Insert or update of the object's record; a failure is reported.
    bool TableWrite(bool insert);

    int GetResult() const { return m_nResult; }
    short GetHandle() const { return m_hHdl; }
    // Takes a handle (lent by the caller) only while the object has none.
    void SetHandle(short handle);

    int GetMasterFileId() const { return m_nMasterFileId; }
    int GetFileId() const { return m_nFileId; }
    // The code field of the record (NUL-terminated).
    const char* GetCode() const { return static_cast<const char*>(m_pRecord); }
    TagUDFData* GetData() { return m_pData; }
    const TagUDFData* GetData() const { return m_pData; }
    const void* GetStruct() const { return m_pRecord; }

    static constexpr short kNoHandle = -1;

protected:
    CBwUDFDBase(int masterFileId, int fileId, void* record, TagUDFData* data, void* scratch);
    CBwUDFDBase(const CBwUDFDBase&) = delete;
    CBwUDFDBase& operator=(const CBwUDFDBase&) = delete;

private:
    void PutCode(char* field, const char* code) const;
    bool HoldsCurrent() const;
    void Report(int status, int operation) const;

    void* m_pRecord;
    TagUDFData* m_pData;
    void* m_pScratch;
    int m_nMasterFileId;
    int m_nFileId;
    short m_hHdl = kNoHandle;
    bool m_bOwnsHandle = false;
    char m_aKey[255] = {};
    int m_nResult = 0;
    // Code of the file's current record when the last read or write of this
    // object left the file on it.
    char m_aCurrent[16] = {};
    bool m_bHasCurrent = false;
};

// Customers: master file 10, BPOSUDFC.DB. Any other master file gives an
// object without a file.
class BWPS_EXPORT CBwUDFDCV : public CBwUDFDBase {
public:
    explicit CBwUDFDCV(int masterFileId);
    ~CBwUDFDCV() override;
    std::size_t GetCodeSize() const override { return m_sztCodeSize; }
    std::size_t GetStructSize() const override { return m_sztStructSize; }
    TagUDFDataCV& Record() { return m_rec; }

    static const std::size_t m_sztCodeSize;
    static const std::size_t m_sztStructSize;

private:
    TagUDFDataCV m_rec;
    TagUDFDataCV m_scratch;
};

// Products (master file 20, BPOSUDFP.DB) and services (21, BPOSUDFS.DB).
// Any other master file gives an object without a file.
class BWPS_EXPORT CBwUDFDPS : public CBwUDFDBase {
public:
    explicit CBwUDFDPS(int masterFileId);
    ~CBwUDFDPS() override;
    std::size_t GetCodeSize() const override { return m_sztCodeSize; }
    std::size_t GetStructSize() const override { return m_sztStructSize; }
    TagUDFDataPS& Record() { return m_rec; }

    static const std::size_t m_sztCodeSize;
    static const std::size_t m_sztStructSize;

private:
    TagUDFDataPS m_rec;
    TagUDFDataPS m_scratch;
};

// ---- Settings ----

// Label kinds of GetLabel.
enum UdfLabelKind { UDF_TEXT = 6, UDF_AMOUNT = 19, UDF_DATE = 15 };

class BWPS_EXPORT CBwUDFSBase {
public:
    virtual const char* GetKey() const = 0;
    virtual const char* GetLabelFormat() const = 0;
    virtual bool GetNeedToRefresh() const = 0;
    virtual void SetNeedToRefresh(bool value) = 0;
    virtual ~CBwUDFSBase();

    static int GetFileId(unsigned char kind);  // 'C' 10, 'P' 20, 'S' 21, else -1
    static int GetGrlTableId();
    static void SetGrlTableId(int fileId);
    static short GetHandle();
    static void SetHandle(short handle);  // only while none is set
    // Forgets the handle handed in by the manager (the manager closes it).
    static void ReleaseHandle();

    // Writes the default labels when the kind has no record yet.
    bool TableInitialize();
    // Clears the record, sets the key and the default labels.
    void InitStruct();
    // Get-equal by the key; Read counts "not found" as success.
    bool Find();
    bool Read();
    int TableRead(bool lock, bool toScratch);
    bool TableWrite(bool insert);
    bool Insert();
    // Update of the kind's record; with reread, a locked read into the
    // scratch record first (a failure is reported and writes nothing). The
    // locks are released after the write.
    bool Update(bool reread);
    // Read into scratch: found updates, not found inserts; another status is
    // reported and fails.
    bool Save();
    // Reads the record when the refresh flag says so (opening the file for
    // the read when no handle is set); else answers from memory.
    bool GetStruct();
    // Copies the labels in; whether the record's key is this kind's.
    bool SetStruct(const TagUDFSettings* record);
    void CloneStruct(TagUDFSettings* out) const;
    // Label of a kind (UDF_TEXT 1-6, UDF_AMOUNT 1-4, UDF_DATE 1-2), cut to
    // 30 characters and padded with blanks.
    bool SetLabel(int kind, int index, const char* text);
    // The twelve labels into twelve fields from the first (texts, amounts,
    // dates), and back.
    void StructToScreen(FxForm* form, int firstField) const;
    void ScreenToStruct(FxForm* form, int firstField);
    // Label of a kind (UDF_TEXT 1-6, UDF_AMOUNT 1-4, UDF_DATE 1-2) from memory.
    bool GetLabel(int kind, int index, char* out, unsigned int size) const;
    int GetLastStatus() const { return m_status; }

protected:
    CBwUDFSBase();
    bool Open();
    void Close();

    TagUDFSettings m_rec;
    TagUDFSettings m_scratch;
    int m_status = 0;
    static int m_nGrlTableId;
    static short m_hGrlHdl;
    static const char* const m_aLabelTypes[3];
};

// The three kinds (customer, product, service) differ only in their key;
// each keeps its own refresh flag.
#define BWPS_UDF_KIND_CLASS(Class)                      \
    class BWPS_EXPORT Class : public CBwUDFSBase {      \
    public:                                             \
        Class();                                        \
        ~Class() override;                              \
        const char* GetKey() const override;            \
        const char* GetLabelFormat() const override;    \
        bool GetNeedToRefresh() const override;         \
        void SetNeedToRefresh(bool value) override;     \
                                                        \
    private:                                            \
        static const char* const m_cpKey;               \
        static const char* const m_cpLabelFormat;       \
        static bool m_bNeedToRefresh;                   \
    }

BWPS_UDF_KIND_CLASS(CBwUDFSCust);
BWPS_UDF_KIND_CLASS(CBwUDFSProd);
BWPS_UDF_KIND_CLASS(CBwUDFSServ);

#undef BWPS_UDF_KIND_CLASS

class BWPS_EXPORT CBwUDFSMngr {
public:
    ~CBwUDFSMngr();

    // The manager and the three settings objects; false (message 1) when an
    // allocation fails.
    static bool Create();
    // Deletes the manager and its objects and closes its file.
    static void Destroy();
    static CBwUDFSMngr* Get();
    static bool IsActive();

    // File id of the general file that holds the settings (15 or 31).
    static void SetGrlTableId(int fileId);
    static int GetGrlTableId();

    // Makes sure that the three settings records exist in the general file
    // of the folder (or, with null, of the catalogue), opening and closing
    // that file within the call.
    static bool InitializeAll(const char* folder);

    static bool InitializeCust();
    static bool InitializeProd();
    static bool InitializeServ();
    // Makes one kind's object (and the manager), opens the general file
    // when it is not open yet, hands it to the base and reads the kind's
    // record (a kind without one shows the default labels).
    static bool InitializeOneEntity(char entity);
    // Deletes one kind's object; with destroyManager, and no object left,
    // the manager too.
    static void DestroyOneEntity(char entity, bool destroyManager);
    // The manager and one kind's object; message 1 when it cannot be made.
    static bool CreateOneEntity(char entity);
    static bool SaveCust();
    static bool SaveProd();
    static bool SaveServ();
    static bool SetCustStruct(const TagUDFSettings* record);
    static bool SetProdStruct(const TagUDFSettings* record);
    static bool SetServStruct(const TagUDFSettings* record);
    static void CloneCustStruct(TagUDFSettings* out);
    static void CloneProdStruct(TagUDFSettings* out);
    static void CloneServStruct(TagUDFSettings* out);
    // Create, open the general file, hand it to the settings objects and
    // read the three records.
    static bool Initialize();
    // Update of a kind's record with a locked reread first.
    static bool UpdateCust();
    static bool UpdateProd();
    static bool UpdateServ();
    static void CustStructToScreen(FxForm* form, int firstField);
    static void ProdStructToScreen(FxForm* form, int firstField);
    static void ServStructToScreen(FxForm* form, int firstField);
    static void CustScreenToStruct(FxForm* form, int firstField);
    static void ProdScreenToStruct(FxForm* form, int firstField);
    static void ServScreenToStruct(FxForm* form, int firstField);
    static bool SetLabel(char entity, int kind, int index, const char* text);
    // The manager's open general file (-1 while closed).
    static short GetHandle();
    static CBwUDFSBase* GetEntity(char entity);
    static bool GetLabel(char entity, int kind, int index, char* out, unsigned int size);

protected:
    static bool CustGetStruct();
    static bool ProdGetStruct();
    static bool ServGetStruct();

private:
    CBwUDFSMngr() = default;
    static bool Open(const char* path);
    static void Close();
    static bool CreateManager();
    static bool CreateCust();
    static bool CreateProd();
    static bool CreateServ();
    static bool CreateAll();

    static CBwUDFSMngr* m_pUDFSManager;
    static CBwUDFSCust* m_pUDFSCust;
    static CBwUDFSProd* m_pUDFSProd;
    static CBwUDFSServ* m_pUDFSServ;
    static int m_nGrlTableId;
    static short m_hGrlHdl;
    static const char* const m_cpMASTER_ENTITIES;
};

#endif
