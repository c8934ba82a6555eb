// The sale being posted: its header and, one at a time, its lines in the
// order kind, category, item code through a small sorted index of record
// positions.

#include <algorithm>
#include <cstring>

#include "bwps/ledger.h"
#include "bwps/messages.h"
#include "posting/posting_internal.h"

using namespace bwps;
using namespace bwps::posting;

CBaseGLSales::CBaseGLSales()
    : header_{}, detail_{}, index_(nullptr), customer_{}, journal_{}, count_(0), current_(0),
      indexAllocated_(0), handle_(0)
{
    CopyText(journal_, LEDGER_DEFAULT_JOURNAL);
}

CBaseGLSales::~CBaseGLSales()
{
    FreeIndex();
}

CBaseGLSales::CBaseGLSales(const CBaseGLSales& other) : CBaseGLSales()
{
    *this = other;
}

// A copy holds an index of its own: the entries are copied, never shared.
CBaseGLSales& CBaseGLSales::operator=(const CBaseGLSales& other)
{
    if (this == &other)
        return *this;
    FreeIndex();
    header_ = other.header_;
    detail_ = other.detail_;
    std::memcpy(customer_, other.customer_, sizeof customer_);
    std::memcpy(journal_, other.journal_, sizeof journal_);
    count_ = other.count_;
    current_ = other.current_;
    handle_ = other.handle_;
    if (other.indexAllocated_ && other.index_ != nullptr) {
        index_ = static_cast<TagSalesIndexEntry*>(FxAlloc(count_ + 1, sizeof(TagSalesIndexEntry)));
        if (index_ != nullptr) {
            std::memcpy(index_, other.index_, sizeof(TagSalesIndexEntry) * (count_ + 1));
            indexAllocated_ = 1;
        } else {
            count_ = 0;
        }
    }
    return *this;
}

void CBaseGLSales::FreeIndex()
{
    if (indexAllocated_ && index_ != nullptr)
        FxFree(index_);
    index_ = nullptr;
    indexAllocated_ = 0;
}

void CBaseGLSales::SetHeader(const TagSalesHdr* header)
{
    if (header != nullptr)
        header_ = *header;
}

void CBaseGLSales::SetJrnl(const char* code)
{
    std::memset(journal_, 0, sizeof journal_);
    if (code == nullptr)
        CopyText(journal_, LEDGER_DEFAULT_JOURNAL);
    else
        CopyText(journal_, FieldText(code, 6));
}

bool CBaseGLSales::InitDtlIndex(short dtlHandle)
{
    handle_ = static_cast<uint16_t>(dtlHandle);
    return InitDtlIndex();
}

bool CBaseGLSales::InitDtlIndex()
{
    FreeIndex();
    return CountDetail() && AllocCount();
}

bool CBaseGLSales::CountDetail()
{
    count_ = 0;
    if (handle_ == 0)
        return false;
    Table lines;
    lines.Borrow(FileNo::SalesDetail, handle_);
    KeyBuffer key;
    std::memcpy(key.bytes, header_.InvoiceNo, sizeof header_.InvoiceNo);
    TagSalesDetail line;
    Status s = lines.Get(B_GET_GE, key, line);
    while (s.Ok() && FieldText(line.InvoiceNo, 11) == FieldText(header_.InvoiceNo, 11)) {
        ++count_;
        s = lines.Get(B_GET_NEXT, key, line);
    }
    return s.Ok() || s.Is(B_END_OF_FILE);
}

bool CBaseGLSales::AllocCount()
{
    FreeIndex();
    if (handle_ == 0)
        return false;
    index_ = static_cast<TagSalesIndexEntry*>(FxAlloc(count_ + 1, sizeof(TagSalesIndexEntry)));
    if (index_ == nullptr)
        return false;
    indexAllocated_ = 1;
    Table lines;
    lines.Borrow(FileNo::SalesDetail, handle_);
    KeyBuffer key;
    std::memcpy(key.bytes, header_.InvoiceNo, sizeof header_.InvoiceNo);
    TagSalesDetail line;
    int32_t filled = 0;
    Status s = lines.Get(B_GET_GE, key, line);
    while (s.Ok() && filled < count_ &&
           FieldText(line.InvoiceNo, 11) == FieldText(header_.InvoiceNo, 11)) {
        TagSalesIndexEntry& entry = index_[filled];
        entry.Kind = line.Kind;
        std::memcpy(entry.Category, line.Category, sizeof entry.Category);
        std::memcpy(entry.ItemCode, line.ItemCode, sizeof entry.ItemCode);
        uint32_t position = 0;
        if (!lines.Position(position).Ok())
            return false;
        entry.Position = position;
        ++filled;
        s = lines.Get(B_GET_NEXT, key, line);
    }
    if (!s.Ok() && !s.Is(B_END_OF_FILE))
        return false;
    // Lines of the sale added after the count are not posted in this run;
    // lines removed since are not looked for.
    count_ = filled;
    std::stable_sort(index_, index_ + filled,
                     [](const TagSalesIndexEntry& a, const TagSalesIndexEntry& b) {
                         return std::memcmp(&a, &b, 22) < 0;
                     });
    current_ = 0;
    return true;
}

bool CBaseGLSales::ReadEntry()
{
    Table lines;
    lines.Borrow(FileNo::SalesDetail, handle_);
    KeyBuffer key;
    Status s = ReadDirect(lines, index_[current_].Position, detail_);
    if (!s.Ok()) {
        ReportRecordManagerError(s.status, 1, B_GET_DIRECT, No(FileNo::SalesDetail), 0);
        return false;
    }
    return true;
}

bool CBaseGLSales::GetFirst()
{
    if (count_ < 1 || index_ == nullptr || handle_ == 0)
        return false;
    current_ = 0;
    return ReadEntry();
}

bool CBaseGLSales::GetNext()
{
    if (index_ == nullptr || handle_ == 0)
        return false;
    current_ += 1;
    if (current_ >= count_)
        return false;
    return ReadEntry();
}
