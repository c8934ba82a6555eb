// A master item and its sub-items. The sub-items are ordinary products
// that carry the master code (and their warehouse); the store-wide mask
// says how a sub-item's product code is made from the two.
#include "bwps/master_item.h"

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "bwps/messages.h"
#include "bwps/products.h"
#include "bwps/record_helpers.h"
#include "bwps/records/general.h"
#include "bwps/table.h"
#include "fx.h"
#include "recman.h"

using bwps::FileNo;
using bwps::KeyBuffer;
using bwps::Status;
using bwps::Table;

namespace {

constexpr char kMaskKey[] = "0ProdMask      ";
static_assert(sizeof kMaskKey == GENERAL_KEY_SIZE);
constexpr int kMasterCodeKey = 5;    // products by master code and warehouse
constexpr int kProductCodeWidth = 14;
constexpr size_t kDefaultsProduct = offsetof(TagDefaults, Product);

std::string Text(const char* field, size_t size)
{
    std::string s(field, strnlen(field, size));
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    return s;
}

void Copy(char* to, size_t size, const char* from)
{
    std::memset(to, 0, size);
    if (from != nullptr)
        std::memcpy(to, from, strnlen(from, size - 1));
}

// Master fields that every sub-item takes, in both directions of the copy.
void MasterToProduct(const TagMasterItem& m, TagProduct& p, bool everything)
{
    std::memcpy(p.Code46, m.DefaultCode38, sizeof p.Code46);
    std::memcpy(p.Code52, m.DefaultCode44, sizeof p.Code52);
    std::memcpy(p.Text58, m.Text50, sizeof p.Text58);
    std::memcpy(p.Unit1, m.UnitNames[0], sizeof p.Unit1);
    std::memcpy(p.Unit2, m.UnitNames[1], sizeof p.Unit2);
    std::memcpy(p.Text85, m.Account, sizeof p.Text85);
    std::memcpy(p.Text91, m.Text83, sizeof p.Text91);
    std::memcpy(p.Entries210, m.PriceBreaks, sizeof p.Entries210);
    p.Flags262[0] = m.AssemblyFlag;
    p.Flags262[1] = m.Flag255;
    p.Flags262[2] = m.Flag256;
    p.Flags262[3] = m.Flag257;
    p.Flags262[4] = m.Serials;
    p.Kind = m.ItemType;
    p.Byte269 = m.CodeKind;
    p.UnitFactor = m.Units[0];
    p.Value272 = static_cast<uint16_t>(m.Units[1]);
    if (!everything)
        return;
    std::memcpy(p.MasterCode, m.Code, sizeof p.MasterCode);
    std::memcpy(p.Vendor1, m.Vendors[0], sizeof p.Vendor1);
    std::memcpy(p.Vendor2, m.Vendors[1], sizeof p.Vendor2);
    std::memcpy(p.Vendor3, m.Vendors[2], sizeof p.Vendor3);
    std::memcpy(p.VendorCodes, m.VendorItems, sizeof p.VendorCodes);
    std::memcpy(p.Related, m.Related, sizeof p.Related);
    p.Number274 = m.Numbers[0];
    p.Number278 = m.Numbers[1];
    p.Amounts[PRODUCT_AMOUNT290] = m.Amount;
}

void ProductToMaster(const TagProduct& p, TagMasterItem& m)
{
    std::memcpy(m.DefaultCode38, p.Code46, sizeof m.DefaultCode38);
    std::memcpy(m.DefaultCode44, p.Code52, sizeof m.DefaultCode44);
    std::memcpy(m.Text50, p.Text58, sizeof m.Text50);
    std::memcpy(m.UnitNames[0], p.Unit1, sizeof m.UnitNames[0]);
    std::memcpy(m.UnitNames[1], p.Unit2, sizeof m.UnitNames[1]);
    std::memcpy(m.Account, p.Text85, sizeof m.Account);
    std::memcpy(m.Text83, p.Text91, sizeof m.Text83);
    std::memcpy(m.PriceBreaks, p.Entries210, sizeof m.PriceBreaks);
    m.AssemblyFlag = p.Flags262[0];
    m.Flag255 = p.Flags262[1];
    m.Flag256 = p.Flags262[2];
    m.Flag257 = p.Flags262[3];
    m.Serials = p.Flags262[4];
    m.ItemType = p.Kind;
    m.CodeKind = p.Byte269;
    m.Units[0] = p.UnitFactor;
    m.Units[1] = static_cast<int16_t>(p.Value272);
}

}  // namespace

void bwps::PrepareSubItem(const TagMasterItem& master, TagProduct& product)
{
    std::memset(&product, 0, sizeof product);
    InitProductRecordDefaults(&product);
    NormalizeProductYesNo(&product);
    MasterToProduct(master, product, true);
}

CMasterItem::CMasterItem() : m_defaults(new CDefaultsRecord()) {}

CMasterItem::CMasterItem(TagMasterItem& record) : CMasterItem() { m_item = record; }

CMasterItem::~CMasterItem()
{
    if (m_open && m_handle != 0)
        BtrCloseFile(m_handle);
    FreeArray();
    delete m_defaults;
}

void CMasterItem::FreeArray()
{
    if (m_arrayAllocated)
        std::free(m_array);
    m_array = nullptr;
    m_arrayAllocated = false;
}

int CMasterItem::TableOpen(int mode, int)
{
    if (m_open)
        return 0;
    Table file;
    const Status st = file.Open(FileNo::MasterItems, mode);
    if (!st.Ok())
        return st.status;
    m_handle = file.Release();
    m_open = true;
    return 0;
}

void CMasterItem::SetKey(const char* key) { Copy(m_key, sizeof m_key, key); }

int CMasterItem::ReadItem(int op, const char* key)
{
    char work[255] = {};
    std::memcpy(work, key != nullptr ? key : m_key, strnlen(key != nullptr ? key : m_key, sizeof work - 1));
    return BtrGet(op, m_handle, work, &m_item, static_cast<int>(sizeof m_item));
}

int CMasterItem::WriteItem() { return BtrWrite(B_INSERT, m_handle, m_key, &m_item, sizeof m_item); }
int CMasterItem::UpdateItem() { return BtrWrite(B_UPDATE, m_handle, m_key, &m_item, sizeof m_item); }
int CMasterItem::Unlock() { return BtrUnlock(-2, m_handle, nullptr); }

void CMasterItem::SetItem(const TagMasterItem* record)
{
    if (record != nullptr)
        std::memcpy(&m_item, record, sizeof m_item);
}

void CMasterItem::SetFrom(const char* code) { Copy(m_from, sizeof m_from, code); }
void CMasterItem::SetTo(const char* code) { Copy(m_to, sizeof m_to, code); }
void CMasterItem::SetWhFrom(const char* warehouse) { Copy(m_whFrom, sizeof m_whFrom, warehouse); }
void CMasterItem::SetWhTo(const char* warehouse) { Copy(m_whTo, sizeof m_whTo, warehouse); }

// ---- the mask

void CMasterItem::ProdMaskInit()
{
    std::memset(&m_mask, 0, sizeof m_mask);
    std::memcpy(m_mask.Key, kMaskKey, sizeof m_mask.Key);
    m_mask.Order = PRODUCT_MASK_MASTER_FIRST;
    m_mask.Reserved17[0] = 2;
    m_mask.Reserved17[1] = 0;
    m_mask.Separator = '-';
}

bool CMasterItem::ReadProdMask(short generalHandle)
{
    const auto handle = static_cast<uint16_t>(generalHandle);
    char key[255] = {};
    std::memcpy(key, kMaskKey, sizeof kMaskKey);
    int status = BtrGet(B_GET_EQUAL, handle, key, &m_mask, static_cast<int>(sizeof m_mask));
    if (status == B_KEY_NOT_FOUND) {
        ProdMaskInit();
        status = BtrWrite(B_INSERT, handle, key, &m_mask, static_cast<int>(sizeof m_mask));
        if (status == 0)
            status = BtrGet(B_GET_EQUAL, handle, key, &m_mask, static_cast<int>(sizeof m_mask));
    }
    if (status != 0) {
        ReportRecordManagerError(status, 1, B_GET_EQUAL, bwps::No(FileNo::General), 0);
        return false;
    }
    return true;
}

bool CMasterItem::ReadProdMask()
{
    Table general;
    const Status st = general.Open(FileNo::General);
    if (!st.Ok()) {
        st.Report();
        return false;
    }
    return ReadProdMask(static_cast<short>(general.Handle()));
}

bool CMasterItem::WriteProdMask(short generalHandle)
{
    const auto handle = static_cast<uint16_t>(generalHandle);
    char key[255] = {};
    std::memcpy(key, kMaskKey, sizeof kMaskKey);
    std::memcpy(m_mask.Key, kMaskKey, sizeof m_mask.Key);
    TagProductMask stored{};
    int status = BtrGet(B_GET_EQUAL, handle, key, &stored, static_cast<int>(sizeof stored));
    if (status == 0)
        status = BtrWrite(B_UPDATE, handle, key, &m_mask, static_cast<int>(sizeof m_mask));
    else if (status == B_KEY_NOT_FOUND)
        status = BtrWrite(B_INSERT, handle, key, &m_mask, static_cast<int>(sizeof m_mask));
    if (status != 0) {
        ReportRecordManagerError(status, 1, B_GET_EQUAL, bwps::No(FileNo::General), 0);
        return false;
    }
    return true;
}

bool CMasterItem::WriteProdMask()
{
    Table general;
    const Status st = general.Open(FileNo::General);
    if (!st.Ok()) {
        st.Report();
        return false;
    }
    return WriteProdMask(static_cast<short>(general.Handle()));
}

int CMasterItem::FormProductCode(const char* warehouseCode)
{
    std::memset(m_code, 0, sizeof m_code);
    if (!ReadProdMask())
        return 0;
    const std::string master = Text(m_item.Code, sizeof m_item.Code);
    const std::string warehouse = Text(warehouseCode != nullptr ? warehouseCode : "", sizeof m_whFrom);
    const bool warehouseFirst = m_mask.Order == PRODUCT_MASK_WAREHOUSE_FIRST;
    std::string code = warehouseFirst ? warehouse : master;
    if (m_mask.Separator != ' ' && m_mask.Separator != '\0')
        code += m_mask.Separator;
    code += warehouseFirst ? master : warehouse;
    std::snprintf(m_code, sizeof m_code, "%s", code.c_str());
    return static_cast<int>(std::strlen(m_code));
}

bool CMasterItem::ValidSubItem(const TagProduct& product) const
{
    return product.UnitFactor == m_item.Units[0] && static_cast<int16_t>(product.Value272) == m_item.Units[1];
}

int CMasterItem::StructInit()
{
    std::memset(&m_item, 0, sizeof m_item);
    const int status = m_defaults->Read();
    TagProduct product{};
    if (status != 0) {
        InitProductRecordDefaults(&product);
        NormalizeProductYesNo(&product);
    } else {
        std::memcpy(&product, reinterpret_cast<const uint8_t*>(&m_defaults->Record()) + kDefaultsProduct,
                    sizeof product);
    }
    if (product.UnitFactor == 0)
        product.UnitFactor = 1;
    if (product.Value272 == 0)
        product.Value272 = 1;
    ProductToMaster(product, m_item);
    return status;
}

// ---- sub-items

int CMasterItem::QueryMasterItems()
{
    FreeArray();
    m_count = 0;
    m_cursor = 0;
    Table products;
    Status st = products.Open(FileNo::Products);
    if (!st.Ok()) {
        st.Report();
        return 0;
    }
    products.SetKey(kMasterCodeKey);
    const std::string to = Text(m_to, sizeof m_to);
    const std::string whFrom = Text(m_whFrom, sizeof m_whFrom);
    const std::string whTo = Text(m_whTo, sizeof m_whTo);
    const bool warehouseBound = !whFrom.empty() || !whTo.empty();
    const auto inRange = [&](const TagProduct& p) {
        return to.empty() || Text(p.MasterCode, sizeof p.MasterCode) <= to;
    };
    const auto counted = [&](const TagProduct& p) {
        if (!warehouseBound)
            return true;
        // an empty bound compares as the empty text
        const std::string w = Text(p.Warehouse, sizeof m_whFrom);
        return !(w < whFrom || w > whTo);
    };
    const auto start = [&](KeyBuffer& key) {
        key.Clear();
        std::memcpy(key.bytes, m_from, strnlen(m_from, sizeof m_from));
    };
    KeyBuffer key;
    start(key);
    TagProduct p{};
    int count = 0;
    for (st = products.Get(B_GET_GE, key, p); st.Ok() && inRange(p); st = products.Get(B_GET_NEXT, key, p))
        if (counted(p))
            ++count;
    m_array = static_cast<TagProduct*>(std::calloc(static_cast<size_t>(count) + 1, sizeof(TagProduct)));
    if (m_array == nullptr) {
        ShowMessage(1, MESSAGE_DEFAULT_CONTEXT);
        products.SetKey(0);
        return 0;
    }
    m_arrayAllocated = true;
    // the second pass stores what the first counted; the file may have
    // changed between the passes, so it stops at the count whatever comes
    start(key);
    int stored = 0;
    for (st = products.Get(B_GET_GE, key, p); st.Ok() && inRange(p) && stored < count;
         st = products.Get(B_GET_NEXT, key, p)) {
        if (!counted(p))
            continue;
        p.Amounts[PRODUCT_AVAILABLE] = p.Amounts[PRODUCT_QUANTITY] - p.Amounts[PRODUCT_SECOND_QUANTITY];
        m_array[stored++] = p;
    }
    m_count = stored;
    products.SetKey(0);
    if (st.Ok() || st.NotFound())
        return 0;
    return m_count;
}

int CMasterItem::QueryMasterItems(TagMasterItem* record, const char* from, const char* to)
{
    SetItem(record);
    SetFrom(from);
    SetTo(to);
    return QueryMasterItems();
}

TagProduct* CMasterItem::GetChildProd(int index)
{
    if (m_array == nullptr || index < 0 || index >= m_count)
        return nullptr;
    return &m_array[index];
}

TagProduct* CMasterItem::GetFirstProd()
{
    m_cursor = 0;
    return GetChildProd(m_cursor);
}

TagProduct* CMasterItem::GetNextProd() { return GetChildProd(++m_cursor); }

void CMasterItem::PlusProduct(const TagProduct* product)
{
    if (product == nullptr)
        return;
    for (int i : {PRODUCT_VALUE, PRODUCT_QUANTITY, PRODUCT_SECOND_QUANTITY, PRODUCT_AVAILABLE})
        m_product.Amounts[i] += product->Amounts[i];
    m_product.UnitFactor = product->UnitFactor;
    m_product.Value272 = product->Value272;
    const double units = m_product.UnitFactor;
    const double perUnit = units != 0 ? m_product.Amounts[PRODUCT_QUANTITY] / units : 0;
    m_product.Amounts[PRODUCT_AVERAGE_COST] =
        FxRound(perUnit != 0 ? m_product.Amounts[PRODUCT_VALUE] / perUnit : 0, 4);
}

int CMasterItem::ConsolidateSubitems()
{
    std::memset(&m_product, 0, sizeof m_product);
    InitProductRecordDefaults(&m_product);
    if (m_count < 1)
        return 0;
    for (int i = 0; i < m_count; ++i)
        if (!FxIsEmpty(m_array[i].Code))
            PlusProduct(&m_array[i]);
    return m_count;
}

double CMasterItem::GetProductAvg() const { return m_product.Amounts[PRODUCT_AVERAGE_COST]; }
double CMasterItem::GetProductCurBal() const { return m_product.Amounts[PRODUCT_VALUE]; }
