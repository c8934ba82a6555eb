// User-defined-field settings: the labels of the twelve user-defined
// values of customers, products and services, one settings record per kind
// in the general settings file. The all-static manager CBwUDFSMngr holds one
// settings object per kind and is the only way in for the editors and for
// the company jobs of bwpos-1.
#ifndef BWPS_UDF_H
#define BWPS_UDF_H

#include <cstddef>
#include <cstdint>

#include "bwps/export.h"
#include "bwps/records/udf.h"


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
    void CloneStruct(TagUDFSettings* out) const;
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
    static CBwUDFSBase* GetEntity(char entity);
    static bool GetLabel(char entity, int kind, int index, char* out, unsigned int size);

private:
    CBwUDFSMngr() = default;
    static bool Open(const char* path);
    static void Close();

    static CBwUDFSMngr* m_pUDFSManager;
    static CBwUDFSCust* m_pUDFSCust;
    static CBwUDFSProd* m_pUDFSProd;
    static CBwUDFSServ* m_pUDFSServ;
    static int m_nGrlTableId;
    static short m_hGrlHdl;
    static const char* const m_cpMASTER_ENTITIES;
};

#endif
