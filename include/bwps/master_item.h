// bwps/master_item.h: CMasterItem, a master item (BPOSMITM.DB) with the
// store's product-code mask and, after a query, the products that are its
// sub-items (products carrying its code as their master code, one per
// warehouse).
#ifndef BWPS_MASTER_ITEM_H
#define BWPS_MASTER_ITEM_H

#include <cstdint>

#include "bwps/export.h"
#include "bwps/records/items.h"
#include "bwps/records/products.h"

class CDefaultsRecord;

class BWPS_EXPORT CMasterItem {
public:
    CMasterItem();
    explicit CMasterItem(TagMasterItem& record);
    virtual ~CMasterItem();
    CMasterItem(const CMasterItem&) = delete;
    CMasterItem& operator=(const CMasterItem&) = delete;

    // ---- the master-item file (statuses returned, not reported)
    int TableOpen(int mode, int second);
    int TableOpen() { return TableOpen(0, 0); }
    short GetHandle() const { return static_cast<short>(m_handle); }
    void SetKey(const char* key);
    // Reads by the key (the key buffer when null) with a get operation.
    int ReadItem(int op, const char* key);
    int ReadItem() { return ReadItem(5, nullptr); }
    int WriteItem();
    int UpdateItem();
    int Unlock();

    TagMasterItem* pItem() { return &m_item; }
    TagProduct* pProd() { return &m_product; }
    TagProductMask* GetProdMaskPtr() { return &m_mask; }
    const char* GetProductCode() const { return m_code; }
    const char* GetCodeSeparator() const { return m_separator; }
    void SetItem(const TagMasterItem* record);
    void SetFrom(const char* code);
    void SetTo(const char* code);
    void SetWhFrom(const char* warehouse);
    void SetWhTo(const char* warehouse);

    // ---- the product-code mask ("0ProdMask" of the general file); a
    // missing record is written with the defaults at the first read
    void ProdMaskInit();
    bool ReadProdMask();
    bool ReadProdMask(short generalHandle);
    bool WriteProdMask();
    bool WriteProdMask(short generalHandle);
    // Forms a sub-item's product code from the master code and a warehouse
    // code by the mask; its length (0 when the mask cannot be read).
    int FormProductCode(const char* warehouseCode);

    // True when the product has the master item's units.
    bool ValidSubItem(const TagProduct& product) const;
    // The record from the default product; the read's status.
    int StructInit();

    // ---- sub-items of a code range (and a warehouse range)
    int QueryMasterItems();
    int QueryMasterItems(TagMasterItem* record, const char* from, const char* to);
    int QueryGetCount() const { return m_count; }
    TagProduct* GetChildProd(int index);
    TagProduct* GetFirstProd();
    TagProduct* GetNextProd();
    // Adds a sub-item into the product record; sums them all.
    void PlusProduct(const TagProduct* product);
    int ConsolidateSubitems();
    double GetProductAvg() const;
    double GetProductCurBal() const;

private:
    void FreeArray();

    TagMasterItem m_item{};
    TagProduct m_product{};
    TagProductMask m_mask{};
    uint16_t m_handle = 0;
    char m_key[255] = {};
    char m_code[255] = {};
    bool m_open = false;
    CDefaultsRecord* m_defaults = nullptr;
    char m_separator[3] = "-";
    char m_whFrom[4] = {};
    char m_whTo[4] = {};
    char m_from[11] = {};
    char m_to[11] = {};
    TagProduct* m_array = nullptr;
    bool m_arrayAllocated = false;
    int32_t m_count = 0;
    int32_t m_cursor = 0;
};

namespace bwps {
// A new sub-item prepared from its master: the built-in product defaults,
// then every master field a sub-item takes (the master code included).
void PrepareSubItem(const TagMasterItem& master, TagProduct& product);
// The product-code mask screen over a master-item object; 1 when it ran.
BWPS_EXPORT int RunProductMask(CMasterItem* master);
}  // namespace bwps

#endif
