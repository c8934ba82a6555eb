// Type-ahead sources of entry fields: the records of a file whose code
// begins with the typed text, with the file's key and position put back
// around each search.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <strings.h>
#include <string>
#include <vector>

#include "bwps/catalogue.h"
#include "bwps/dictionary.h"
#include "lookups/lookups_internal.h"
#include "recman.h"

using bwps::FileNo;

// ---- LookState

LookState::LookState(int) {}
LookState::~LookState() = default;

void LookState::Save(int handle)
{
    handle_ = handle;
    key_ = -1;
    second_ = -1;
    BtrGetDefaults(static_cast<uint16_t>(handle), &key_, &second_);
    uint32_t position = 0;
    position_ = BtrPosition(B_GET_DIRECT, static_cast<uint16_t>(handle), &position) == 0 ? position : 0;
}

void LookState::Restore()
{
    const auto h = static_cast<uint16_t>(handle_);
    if (key_ >= 0)
        BtrSetDefaults(h, key_, second_);
    if (position_ != 0) {
        std::vector<uint8_t> buffer(8192, 0);
        std::memcpy(buffer.data(), &position_, 4);
        char key[256] = {};
        BtrGet(B_GET_DIRECT, h, key, buffer.data(), static_cast<int>(buffer.size()));
    }
}

// ---- AutoLookup

AutoLookup::AutoLookup(short handle, int fileId, int codeColumn, int descriptionColumn, int keyNumber)
    : fileId_(fileId), handle_(handle), codeColumn_(codeColumn), descriptionColumn_(descriptionColumn),
      keyNumber_(keyNumber)
{
    std::memset(columns_, 0, sizeof columns_);
    std::memset(text_, 0, sizeof text_);
    std::memset(key_, 0, sizeof key_);
    std::memset(record_, 0, sizeof record_);
}

AutoLookup::~AutoLookup()
{
    if (openedHere_ && handle_ != 0)
        BtrCloseFile(static_cast<uint16_t>(handle_));
}

bool AutoLookup::LoadDescriptions()
{
    if (columns_[0].Type != 0)
        return true;
    const char* path = GetDataFilePath(fileId_);
    if (path == nullptr)
        return false;
    static_assert(sizeof(TagColumnDefinition) == sizeof(TagLookUpField), "the same 103 bytes");
    TagColumnDefinition definitions[3] = {};
    const int st = descriptionColumn_ > 0
                       ? GetColumnDefinitions(path, sizeof definitions, definitions, codeColumn_,
                                              descriptionColumn_, -1)
                       : GetColumnDefinitions(path, sizeof definitions, definitions, codeColumn_, -1);
    if (st != 0)
        return false;
    std::memcpy(columns_, definitions, sizeof columns_);
    return true;
}

bool AutoLookup::DefineColumns(Columns& columns)
{
    columns = Columns{nullptr, 0, nullptr, 0};
    if (!LoadDescriptions())
        return false;
    auto titleOf = [](TagLookUpField& f, int& width) {
        char picture[sizeof f.Picture + 1] = {};
        std::memcpy(picture, f.Picture, sizeof f.Picture);
        width = FxPictureWidth(picture);
        f.Title[sizeof f.Title - 1] = '\0';
        FxTrimText(4, f.Title);
        return static_cast<const char*>(f.Title);
    };
    columns.title1 = titleOf(columns_[0], columns.width1);
    if (descriptionColumn_ > 0 && columns_[1].Type != 0)
        columns.title2 = titleOf(columns_[1], columns.width2);
    return columns.title1 != nullptr && columns.title1[0] != '\0';
}

bool AutoLookup::FindOpen(const char* text)
{
    std::snprintf(text_, sizeof text_, "%s", text != nullptr ? text : "");
    if (handle_ == 0) {
        uint16_t h = 0;
        const char* path = GetDataFilePath(fileId_);
        if (path != nullptr && BtrOpenFile(&h, path, 0x200, 0) == 0) {
            handle_ = static_cast<short>(h);
            openedHere_ = true;
        }
    }
    if (handle_ == 0)
        return false;
    state_.Save(handle_);
    if (keyNumber_ >= 0)
        BtrSetDefaults(static_cast<uint16_t>(handle_), keyNumber_, 0);
    return true;
}

bool AutoLookup::FindClose()
{
    if (handle_ != 0)
        state_.Restore();
    if (openedHere_) {
        BtrCloseFile(static_cast<uint16_t>(handle_));
        handle_ = 0;
        openedHere_ = false;
    }
    return true;
}

bool AutoLookup::DataToItem(Item& item)
{
    if (!LoadDescriptions())
        return false;
    const int codeAt = columns_[0].Offset;
    if (codeAt < 0 || codeAt >= static_cast<int>(sizeof record_))
        return false;
    record_[sizeof record_ - 1] = '\0';
    item.code = FxTrimText(4, record_ + codeAt);
    item.description = nullptr;
    if (descriptionColumn_ > 0 && columns_[1].Type != 0 && columns_[1].Offset >= 0 &&
        columns_[1].Offset < static_cast<int>(sizeof record_))
        item.description = FxTrimText(4, record_ + columns_[1].Offset);
    return strncasecmp(item.code, text_, std::strlen(text_)) == 0;
}

bool AutoLookup::Read(int operation)
{
    return BtrGet(operation, static_cast<uint16_t>(handle_), key_, record_, sizeof record_ - 1) == 0;
}

bool AutoLookup::FindFirst(Item& item)
{
    std::memset(key_, 0, sizeof key_);
    std::memcpy(key_, text_, std::strlen(text_));
    return Read(B_GET_GE) && DataToItem(item);
}

bool AutoLookup::FindNext(Item& item)
{
    return Read(B_GET_NEXT) && DataToItem(item);
}

// ---- the table classes

#define BWPS_AUTO_LOOKUP(name, file, description)                                              \
    name::name(short handle) : AutoLookup(handle, bwps::No(FileNo::file), 1, description, 0) {} \
    name::~name() = default;
BWPS_AUTO_LOOKUP(AutoLookupAccount, Accounts, 3)
BWPS_AUTO_LOOKUP(AutoLookupCustomer, Customers, 53)
BWPS_AUTO_LOOKUP(AutoLookupSalesperson, Salespersons, 2)
BWPS_AUTO_LOOKUP(AutoLookupProduct, Products, 2)
BWPS_AUTO_LOOKUP(AutoLookupService, Services, 2)
BWPS_AUTO_LOOKUP(AutoLookupBillingCode, BillingCodes, 2)
BWPS_AUTO_LOOKUP(AutoLookupJournalCode, Journals, -1)
BWPS_AUTO_LOOKUP(AutoLookupMessage, MessageCodes, 3)
BWPS_AUTO_LOOKUP(AutoLookupPriceBreak, PriceBook, 2)
BWPS_AUTO_LOOKUP(AutoLookupShipping, ShipVia, 2)
BWPS_AUTO_LOOKUP(AutoLookupTax, TaxTable, 2)
BWPS_AUTO_LOOKUP(AutoLookupTerms, Terms, 2)
BWPS_AUTO_LOOKUP(AutoLookupWeightUnit, Units, 2)
BWPS_AUTO_LOOKUP(AutoLookupVendor, Vendors, 53)
BWPS_AUTO_LOOKUP(AutoLookupTender, Tenders, 2)
BWPS_AUTO_LOOKUP(AutoLookupLayaway, LayawayHeader, -1)
#undef BWPS_AUTO_LOOKUP

// ---- a filter column first

AutoFilterLookup::AutoFilterLookup(short handle, int fileId, int codeColumn, int descriptionColumn,
                                   int keyNumber, int filterColumn, const void* filterValue)
    : AutoLookup(handle, fileId, codeColumn, descriptionColumn, keyNumber), filterColumn_(filterColumn),
      filterValue_(filterValue)
{
}

AutoFilterLookup::~AutoFilterLookup() = default;

bool AutoFilterLookup::DefineColumns(Columns& columns)
{
    const bool defined = AutoLookup::DefineColumns(columns);
    if (filterLength_ == 0 && !LoadFilter())
        return false;
    return defined;
}

bool AutoFilterLookup::LoadFilter()
{
    const char* path = GetDataFilePath(fileId_);
    TagColumnDefinition definitions[2] = {};
    if (path == nullptr || GetColumnDefinitions(path, sizeof definitions, definitions, filterColumn_, -1) != 0)
        return false;
    filterOffset_ = definitions[0].Offset;
    filterLength_ = LookUpDataLength(definitions[0].Kind, definitions[0].Picture);
    return filterLength_ > 0;
}

bool AutoFilterLookup::Passes() const
{
    return filterLength_ > 0 && filterOffset_ >= 0 &&
           filterOffset_ + filterLength_ <= static_cast<int>(sizeof record_) &&
           std::memcmp(record_ + filterOffset_, filterValue_, static_cast<size_t>(filterLength_)) == 0;
}

bool AutoFilterLookup::FindFirst(Item& item)
{
    if (filterLength_ == 0 && !LoadFilter())
        return false;
    std::memset(key_, 0, sizeof key_);
    const size_t n = static_cast<size_t>(filterLength_);
    std::memcpy(key_, filterValue_, n);
    std::memcpy(key_ + n, text_, std::min(std::strlen(text_), sizeof key_ - n - 1));
    return Read(B_GET_GE) && Passes() && DataToItem(item);
}

bool AutoFilterLookup::FindNext(Item& item)
{
    return Read(B_GET_NEXT) && Passes() && DataToItem(item);
}

// ---- active records over a sort index that begins with the status

AutoLookupActive::AutoLookupActive(short handle, int fileId, int codeColumn, int descriptionColumn,
                                   int flagColumn, char activeValue)
    : AutoFilterLookup(handle, fileId, codeColumn, descriptionColumn, -1, flagColumn, &active_),
      active_(activeValue)
{
    uint16_t h = static_cast<uint16_t>(handle);
    bool opened = false;
    if (h == 0) {
        const char* path = GetDataFilePath(fileId);
        if (path == nullptr || BtrOpenFile(&h, path, 0x200, 0) != 0)
            return;
        opened = true;
    }
    int key = 0, second = 0;
    BtrGetDefaults(h, &key, &second);
    // the index follows the status with the code (key 0), whatever key the
    // caller stands on
    BtrSetDefaults(h, 0, -1);
    if (LoadFilter() && CreateLookUpSortIndex(h, filterOffset_, filterLength_)) {
        indexBuilt_ = true;
        int now = 0, nowSecond = 0;
        BtrGetDefaults(h, &now, &nowSecond);
        keyNumber_ = now;
    }
    BtrSetDefaults(h, key, second);
    if (opened)
        BtrCloseFile(h);
}

AutoLookupActive::~AutoLookupActive()
{
    if (!indexBuilt_)
        return;
    uint16_t h = static_cast<uint16_t>(handle_);
    bool opened = false;
    if (h == 0) {
        const char* path = GetDataFilePath(fileId_);
        if (path == nullptr || BtrOpenFile(&h, path, 0x200, 0) != 0)
            return;
        opened = true;
    }
    int key = 0, second = 0;
    BtrGetDefaults(h, &key, &second);
    BtrSetDefaults(h, keyNumber_, -1);
    BtrDropSupIndex(h, -1);
    BtrSetDefaults(h, key < keyNumber_ ? key : 0, second);
    if (opened)
        BtrCloseFile(h);
}

#define BWPS_AUTO_ACTIVE(name, file, description, flag)                                               \
    name::name(short handle) : AutoLookupActive(handle, bwps::No(FileNo::file), 1, description, flag, 'A') {} \
    name::~name() = default;
BWPS_AUTO_ACTIVE(AutoLookupActiveAcct, Accounts, 3, 73)
BWPS_AUTO_ACTIVE(AutoLookupActiveCust, Customers, 53, 69)
BWPS_AUTO_ACTIVE(AutoLookupActiveProd, Products, 2, 86)
BWPS_AUTO_ACTIVE(AutoLookupActiveServ, Services, 2, 26)
#undef BWPS_AUTO_ACTIVE

// ---- billing items: "C " billing codes, "M " messages, else services or
// products

AutoLookupBillingItem::AutoLookupBillingItem(bool services) : services_(services)
{
    std::memset(prefix_, 0, sizeof prefix_);
    std::memset(shown_, 0, sizeof shown_);
}

AutoLookupBillingItem::~AutoLookupBillingItem()
{
    delete inner_;
}

bool AutoLookupBillingItem::DefineColumns(Columns& columns)
{
    return inner_ != nullptr && inner_->DefineColumns(columns);
}

bool AutoLookupBillingItem::FindOpen(const char* text)
{
    if (inner_ != nullptr)
        return false;
    const char* t = text != nullptr ? text : "";
    prefix_[0] = '\0';
    if (std::strncmp(t, "C ", 2) == 0) {
        inner_ = new AutoLookupBillingCode(0);
        std::snprintf(prefix_, sizeof prefix_, "C ");
        t += 2;
    } else if (std::strncmp(t, "M ", 2) == 0) {
        inner_ = new AutoLookupMessage(0);
        std::snprintf(prefix_, sizeof prefix_, "M ");
        t += 2;
    } else if (services_) {
        inner_ = new AutoLookupActiveServ(0);
    } else {
        inner_ = new AutoLookupActiveProd(0);
    }
    return inner_->FindOpen(t);
}

bool AutoLookupBillingItem::Shown(bool found, Item& item)
{
    if (!found)
        return false;
    std::snprintf(shown_, sizeof shown_, "%s%s", prefix_, item.code != nullptr ? item.code : "");
    item.code = shown_;
    return true;
}

bool AutoLookupBillingItem::FindFirst(Item& item)
{
    return inner_ != nullptr && Shown(inner_->FindFirst(item), item);
}

bool AutoLookupBillingItem::FindNext(Item& item)
{
    return inner_ != nullptr && Shown(inner_->FindNext(item), item);
}

bool AutoLookupBillingItem::FindClose()
{
    if (inner_ == nullptr)
        return false;
    const bool closed = inner_->FindClose();
    delete inner_;
    inner_ = nullptr;
    return closed;
}

// ---- the drop list of a field

int AutoLookupChoose(AutoFill* source, const char* text, int row, int column, char* codeOut, int size)
{
    if (codeOut != nullptr && size > 0)
        codeOut[0] = '\0';
    if (source == nullptr || !source->FindOpen(text))
        return 0;
    std::vector<std::string> codes, descriptions;
    AutoFill::Item item{nullptr, nullptr};
    for (bool found = source->FindFirst(item); found && codes.size() < kAutoLookupPage;
         found = source->FindNext(item)) {
        codes.emplace_back(item.code != nullptr ? item.code : "");
        descriptions.emplace_back(item.description != nullptr ? item.description : "");
    }
    source->FindClose();
    std::vector<const char*> c, d;
    for (size_t i = 0; i < codes.size(); ++i) {
        c.push_back(codes[i].c_str());
        d.push_back(descriptions[i].c_str());
    }
    const int chosen = FxAutoFillChoose(row, column, static_cast<int>(c.size()), c.data(), d.data());
    if (chosen >= 1 && chosen <= static_cast<int>(codes.size()) && codeOut != nullptr && size > 0)
        std::snprintf(codeOut, static_cast<size_t>(size), "%s", codes[static_cast<size_t>(chosen - 1)].c_str());
    return chosen;
}
