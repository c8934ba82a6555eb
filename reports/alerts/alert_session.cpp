// The alert session: evaluates a rule over the customers or the products in
// its range and adds an alert for each subject that meets its condition.
#include "bwps/alerts.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <string>

#include "bwps/catalogue.h"
#include "bwps/files.h"
#include "bwps/messages.h"
#include "bwps/open_items.h"
#include "bwps/records/masters.h"
#include "bwps/settings.h"
#include "fx.h"
#include "recman.h"

namespace {

using bwps::FileNo;

// Where the range field of a rule lies: the key of the subject file and
// the field's place in its record.
struct RangeField {
    uint32_t code;
    int key;
    int offset;
    int length;
};

constexpr RangeField kRanges[] = {
    {ALERT_RANGE_CUSTOMER_ID, 0, 0, 11},
    {ALERT_RANGE_CUSTOMER_NAME, 1, offsetof(CustomerRecord, Name), 41},
    {ALERT_RANGE_CUSTOMER_ZIP, 5, offsetof(CustomerRecord, Zip), 11},
    {ALERT_RANGE_CUSTOMER_SALESPERSON, 4, offsetof(CustomerRecord, Salesperson), 6},
    {ALERT_RANGE_CUSTOMER_ACCOUNT, 2, offsetof(CustomerRecord, Account), 11},
    {ALERT_RANGE_CUSTOMER_INTERFACE, 3, offsetof(CustomerRecord, InterfaceCode), 6},
    {ALERT_RANGE_CUSTOMER_GROUP, 6, offsetof(CustomerRecord, Field27), 6},
    {ALERT_RANGE_PRODUCT_ID, 0, 0, 15},
    {ALERT_RANGE_PRODUCT_DESCRIPTION, 1, offsetof(TagProduct, Description), 31},
    {ALERT_RANGE_PRODUCT_DEPARTMENT, 4, offsetof(TagProduct, Text85), 6},
    {ALERT_RANGE_PRODUCT_TEXT58, 8, offsetof(TagProduct, Text58), 9},
    {ALERT_RANGE_PRODUCT_VENDOR, 3, offsetof(TagProduct, Vendor1), 11},
    {ALERT_RANGE_PRODUCT_WAREHOUSE, 6, offsetof(TagProduct, Warehouse), 4},
};

// A text field up to its NUL, trailing blanks dropped.
std::string Trimmed(const char* text, size_t size)
{
    std::string t(text, strnlen(text, size));
    while (!t.empty() && (t.back() == ' ' || t.back() == '\0'))
        t.pop_back();
    return t;
}

template <size_t N, size_t M>
void CopyText(char (&to)[N], const char (&from)[M])
{
    std::memcpy(to, from, std::min(N, M));
    to[N - 1] = '\0';
}

class AlertSession final : public AlertSessionBase {
public:
    ~AlertSession() override
    {
        Close();
    }
    void Release() override { delete this; }
    int Init(uint16_t alertsHandle, int32_t today) override
    {
        today_ = today;
        LoadSysInterfaceRecord();
        interfaced_ = IsInterfacedToAccounting() != 0;
        alerts_.Attach(alertsHandle);
        return 1;
    }
    int Close() override
    {
        for (uint16_t& h : handles_) {
            if (h != 0)
                BtrCloseFile(h);
            h = 0;
        }
        alerts_.Attach(0);
        return 1;
    }
    int Evaluate(const AlertRuleRecord* rule, intptr_t) override
    {
        if (rule == nullptr)
            return 0;
        const uint32_t condition = rule->Condition;
        const int kind = static_cast<int>((condition >> 8) & 0xFF);
        const int evaluated = static_cast<int>((condition >> 16) & 0xFF) & ALERT_CLASS_EVALUATED;
        if (evaluated == 0 || (kind != ALERT_KIND_CUSTOMER && kind != ALERT_KIND_PRODUCT))
            return 0;
        char threshold[sizeof rule->Threshold + 1] = {};
        std::memcpy(threshold, rule->Threshold, sizeof rule->Threshold);
        if (!bwps::alerts::ThresholdValue(threshold, n_)) {
            ShowMessage(ALERT_MSG_BAD_THRESHOLD, MESSAGE_DEFAULT_CONTEXT);
            return 0;
        }
        rule_ = rule;
        if (OpenFiles(kind) != 0)
            return 0;
        return kind == ALERT_KIND_CUSTOMER ? Customers() : Products();
    }

private:
    enum Slot { kCustomers, kSalespersons, kOpenHeaders, kOpenItems, kInvoiceHeaders, kInvoiceDetails, kLayaways,
                kProducts, kVendors, kSlots };

    static FileNo FileOf(int slot)
    {
        constexpr FileNo files[kSlots] = {FileNo::Customers,
                                          FileNo::Salespersons,
                                          FileNo::ReceivablesOpenHeaders,
                                          FileNo::ReceivablesOpenItems,
                                          FileNo::AccountingSalesHeader,
                                          FileNo::AccountingSalesDetail,
                                          FileNo::LayawayHeader,
                                          FileNo::Products,
                                          FileNo::Vendors};
        return files[slot];
    }

    // Opens the files the rule's kind reads; 0 or the status of the open
    // that failed (reported).
    int OpenFiles(int kind)
    {
        const int first = kind == ALERT_KIND_CUSTOMER ? kCustomers : kProducts;
        const int last = kind == ALERT_KIND_CUSTOMER ? kLayaways : kVendors;
        for (int slot = first; slot <= last; ++slot) {
            if (handles_[slot] != 0)
                continue;
            const int number = bwps::No(FileOf(slot));
            if (GetDataFileKind(number) == 3 && !interfaced_)
                continue;
            const char* path = GetDataFilePath(number);
            const int status = path != nullptr ? BtrOpenFile(&handles_[slot], path, ALERT_DATA_OPEN_MODE, 0)
                                               : B_INVALID_FILE_NAME;
            if (status != 0) {
                handles_[slot] = 0;
                ReportRecordManagerError(status, 1, MESSAGE_OPEN_OPERATION, number, ALERT_DATA_OPEN_MODE);
                return status;
            }
        }
        return 0;
    }

    const RangeField* Range(int kind) const
    {
        uint32_t code = rule_->RangeField;
        if (code == 0)
            code = kind == ALERT_KIND_CUSTOMER ? ALERT_RANGE_CUSTOMER_ID : ALERT_RANGE_PRODUCT_ID;
        for (const RangeField& r : kRanges)
            if (r.code == code && static_cast<int>(code >> 8) == kind)
                return &r;
        return nullptr;
    }

    // A failed read or write: reported; the rule answers false.
    int Failed(int status, int operation, int slotOrFile, bool alertFile = false)
    {
        if (alertFile) {
            char text[160];
            std::snprintf(text, sizeof text, "%sBWBCALRT.DB", GetFilesPath() != nullptr ? GetFilesPath() : "");
            ShowRecordManagerError(status, 1, operation, text, 0);
        } else {
            ReportRecordManagerError(status, 1, operation, bwps::No(FileOf(slotOrFile)), 0);
        }
        return 0;
    }

    // Walks the subject file over the rule's range; each record in range
    // goes to test (which answers false after a reported failure).
    template <class Record, class Test>
    int Walk(int slot, int kind, Record& record, Test test)
    {
        const RangeField* range = Range(kind);
        if (range == nullptr)
            return 0;
        const uint16_t handle = handles_[slot];
        if (const int status = BtrSetDefaults(handle, range->key, -1); status != 0)
            return Failed(status, 207, slot);
        char startText[sizeof rule_->RangeStart + 1] = {};
        char endText[sizeof rule_->RangeEnd + 1] = {};
        std::memcpy(startText, rule_->RangeStart, sizeof rule_->RangeStart);
        std::memcpy(endText, rule_->RangeEnd, sizeof rule_->RangeEnd);
        const std::string start = Trimmed(startText, sizeof startText);
        const std::string end = Trimmed(endText, sizeof endText);
        char key[ALERT_KEY_BUFFER] = {};
        std::memcpy(key, start.data(), std::min(start.size(), sizeof key - 1));
        int operation = B_GET_GE;
        int status = BtrGet(operation, handle, key, &record, static_cast<int>(sizeof record));
        while (status == 0) {
            const auto* bytes = reinterpret_cast<const char*>(&record);
            const std::string field = Trimmed(bytes + range->offset, static_cast<size_t>(range->length));
            if ((!start.empty() && field < start) || (!end.empty() && field > end))
                return 1;
            if (!test(record))
                return 0;
            operation = B_GET_NEXT;
            status = BtrGet(operation, handle, key, &record, static_cast<int>(sizeof record));
        }
        if (status == B_END_OF_FILE || (status == B_KEY_NOT_FOUND && operation == B_GET_GE))
            return 1;
        return Failed(status, operation, slot);
    }

    // ---- customers
    // Name, salesperson and aging of the customer; false after a failure.
    bool CustomerBlock(const CustomerRecord& customer, AlertCustomerBlock& block)
    {
        std::memset(&block, 0, sizeof block);
        CopyText(block.CustomerId, customer.Code);
        CopyText(block.Name, customer.Name);
        CopyText(block.Text52, customer.Field7);
        CopyText(block.Salesperson, customer.Salesperson);
        if (!Trimmed(customer.Salesperson, sizeof customer.Salesperson).empty()) {
            SalespersonRecord person{};
            char key[ALERT_KEY_BUFFER] = {};
            std::memcpy(key, customer.Salesperson, sizeof customer.Salesperson);
            BtrSetDefaults(handles_[kSalespersons], 0, -1);
            const int status = BtrGet(B_GET_EQUAL, handles_[kSalespersons], key, &person,
                                      static_cast<int>(sizeof person));
            if (status == 0) {
                CopyText(block.SalespersonName, person.Name);
                CopyText(block.SalespersonText, person.SecondLine);
            } else if (status != B_KEY_NOT_FOUND) {
                Failed(status, B_GET_EQUAL, kSalespersons);
                return false;
            }
        }
        block.Limit = customer.CreditLimit;
        block.Balance = customer.Balance;
        CustomerRecord work = customer;
        double current = 0, pastDue = 0, lastAmount = 0;
        int32_t lastDate = 0;
        if (!ListOpenItemsToWindow(handles_[kOpenItems], &work, &current, &pastDue, &lastAmount, &lastDate, today_))
            return false;  // the aging reported its read failure
        block.AgedBalance = work.Balance;
        block.PastDue = pastDue;
        block.Current = current;
        block.LatestInvoiceDate = lastDate;
        block.LatestInvoiceAmount = lastAmount;
        return true;
    }

    bool AddAlert(const std::string& subjectKey, const void* block, size_t size)
    {
        AlertRecord alert{};
        std::memcpy(alert.RuleName, rule_->Name, sizeof alert.RuleName - 1);
        std::memcpy(alert.Threshold, rule_->Threshold, sizeof alert.Threshold - 1);
        alert.Condition = rule_->Condition;
        std::memcpy(alert.SubjectKey, subjectKey.data(), std::min(subjectKey.size(), sizeof alert.SubjectKey));
        std::memcpy(alert.Subject, block, std::min(size, sizeof alert.Subject));
        const int status = alerts_.Add(alert);
        if (status != 0) {
            Failed(status, B_INSERT, 0, true);
            return false;
        }
        return true;
    }

    int Customers()
    {
        CustomerRecord customer{};
        const uint32_t condition = rule_->Condition;
        const int32_t today = FxDayNumber(today_);
        return Walk(kCustomers, ALERT_KIND_CUSTOMER, customer, [&](const CustomerRecord& c) {
            if (condition == ALERT_LAYAWAY_DUE || condition == ALERT_LAYAWAY_OVERDUE)
                return Layaways(c, today);
            AlertCustomerBlock block;
            if (!CustomerBlock(c, block))
                return false;
            bool meets = false;
            switch (condition) {
            case ALERT_CUSTOMER_BALANCE_OVER: meets = FxIsNegativeAmount(n_ - block.Balance) != 0; break;
            case ALERT_CUSTOMER_OVER_LIMIT: meets = FxIsNegativeAmount(block.Limit - block.Balance) != 0; break;
            case ALERT_CUSTOMER_INVOICE_OLD:
                meets = block.LatestInvoiceDate != 0 && FxDayNumber(block.LatestInvoiceDate) + n_ < today;
                break;
            default: break;
            }
            if (!meets)
                return true;
            return AddAlert(std::string(c.Code, sizeof c.Code), &block, ALERT_CUSTOMER_BASE_SIZE);
        });
    }

    // The layaways of a customer due in the rule's days; false after a failure.
    bool Layaways(const CustomerRecord& customer, int32_t today)
    {
        const uint16_t handle = handles_[kLayaways];
        if (const int status = BtrSetDefaults(handle, 3, -1); status != 0) {
            Failed(status, 207, kLayaways);
            return false;
        }
        char key[ALERT_KEY_BUFFER] = {};
        key[0] = 0;
        std::memcpy(key + 1, customer.Code, sizeof customer.Code);
        LayawayRecord layaway{};
        AlertCustomerBlock block{};
        bool built = false;
        int operation = B_GET_GE;
        int status = BtrGet(operation, handle, key, &layaway, static_cast<int>(sizeof layaway));
        while (status == 0 && layaway.Verified == 0) {
            if (std::memcmp(layaway.Customer, customer.Code, sizeof customer.Code) != 0)
                break;
            const int32_t due = FxDayNumber(layaway.Date) + layaway.DueDays;
            const bool meets = rule_->Condition == ALERT_LAYAWAY_DUE ? due >= today && due <= today + n_
                                                                      : due >= 0 && due <= today;
            if (meets) {
                if (!built && !CustomerBlock(customer, block))
                    return false;
                built = true;
                std::memset(block.LayawayNumber, 0, sizeof block.LayawayNumber);
                std::memcpy(block.LayawayNumber, layaway.Number, sizeof layaway.Number);
                block.LayawayDate = layaway.Date;
                block.LayawayDueDate = FxDateOfDayNumber(due);
                block.LayawayAmountDue = layaway.Amount144 + layaway.Amount136 - layaway.Prepayments;
                const std::string subject =
                    std::string(customer.Code, sizeof customer.Code) + std::string(layaway.Number, sizeof layaway.Number);
                if (!AddAlert(subject, &block, sizeof block))
                    return false;
            }
            operation = B_GET_NEXT;
            status = BtrGet(operation, handle, key, &layaway, static_cast<int>(sizeof layaway));
        }
        if (status == 0 || status == B_END_OF_FILE || (status == B_KEY_NOT_FOUND && operation == B_GET_GE))
            return true;
        Failed(status, operation, kLayaways);
        return false;
    }

    // ---- products
    int Products()
    {
        TagProduct product{};
        const uint32_t condition = rule_->Condition;
        const int32_t today = FxDayNumber(today_);
        return Walk(kProducts, ALERT_KIND_PRODUCT, product, [&](const TagProduct& p) {
            const bool stockCondition = condition == ALERT_PRODUCT_REORDER ||
                                        condition == ALERT_PRODUCT_AVAILABLE_OVER || condition == ALERT_PRODUCT_NEGATIVE;
            if (stockCondition && p.Kind == 2)
                return true;  // non-inventory
            AlertProductBlock block{};
            CopyText(block.ProductId, p.Code);
            CopyText(block.Description, p.Description);
            block.Date282 = p.Date282;
            block.Date286 = p.LastDate;
            const double units = p.Value272 >= 1 ? p.Value272 : 1;
            block.Available = FxDivide(p.Amounts[PRODUCT_QUANTITY] - p.Amounts[PRODUCT_SECOND_QUANTITY], units);
            block.ReorderLevel = static_cast<int32_t>(p.Number274);
            block.Number278 = static_cast<int32_t>(p.Number278);
            block.Amount354 = FxDivide(p.Amounts[PRODUCT_FURTHER_QUANTITY], p.UnitFactor >= 1 ? p.UnitFactor : 1);
            CopyText(block.Vendor, p.Vendor1);
            if (interfaced_ && handles_[kVendors] != 0 && !Trimmed(p.Vendor1, sizeof p.Vendor1).empty()) {
                VendorRecord vendor{};
                char key[ALERT_KEY_BUFFER] = {};
                std::memcpy(key, p.Vendor1, sizeof p.Vendor1);
                BtrSetDefaults(handles_[kVendors], 0, -1);
                const int status = BtrGet(B_GET_EQUAL, handles_[kVendors], key, &vendor, static_cast<int>(sizeof vendor));
                if (status == 0) {
                    CopyText(block.VendorName, vendor.Name);
                    CopyText(block.VendorText, vendor.Field7);
                } else if (status != B_KEY_NOT_FOUND) {
                    Failed(status, B_GET_EQUAL, kVendors);
                    return false;
                }
            }
            bool meets = false;
            double x = 0;
            switch (condition) {
            case ALERT_PRODUCT_REORDER:
                x = block.ReorderLevel - block.Available;
                FxIsZeroAmount(&x);
                meets = block.ReorderLevel > 0 && FxIsPositiveAmount(x) != 0;
                break;
            case ALERT_PRODUCT_AVAILABLE_OVER:
                x = block.Available - n_;
                FxIsZeroAmount(&x);
                meets = block.ReorderLevel > 0 && FxIsPositiveAmount(x) != 0;
                break;
            case ALERT_PRODUCT_NEGATIVE: meets = FxIsNegativeAmount(block.Available) != 0; break;
            case ALERT_PRODUCT_DATE_OLD: meets = p.Date282 != 0 && FxDayNumber(p.Date282) + n_ < today; break;
            case ALERT_PRODUCT_DATE_RECENT: meets = p.Date282 != 0 && FxDayNumber(p.Date282) + n_ > today; break;
            default: break;
            }
            if (!meets)
                return true;
            return AddAlert(std::string(p.Code, sizeof p.Code), &block, sizeof block);
        });
    }

    uint16_t handles_[kSlots] = {};
    AlertFile alerts_;
    int32_t today_ = 0;
    bool interfaced_ = false;
    const AlertRuleRecord* rule_ = nullptr;
    double n_ = 0;
};

}  // namespace

extern "C" {

BWPS_EXPORT int AlertsCreateSession(AlertSessionBase** session)
{
    if (session == nullptr)
        return 0;
    *session = new (std::nothrow) AlertSession();
    return *session != nullptr ? 1 : 0;
}

}  // extern "C"
