// Chart-of-accounts services over open-invoice details: reading a detail
// by its identifier and marking it posted, with its header kept in step.
// The detail's update and its header's are written together: a header
// that cannot follow leaves the detail as it was.

#include <cstring>

#include "bwps/accounts.h"
#include "bwps/open_invoices.h"
#include "bwps/ordinals.h"
#include "bwps/table.h"
#include "posting/posting_internal.h"

using namespace bwps;
using namespace bwps::posting;

namespace {

void StartBlock(TagPostingStatus& block, int fileNumber, int operation)
{
    std::memset(&block, 0, sizeof block);
    block.FileNumber = fileNumber;
    block.Operation = operation;
}

int Done(TagPostingStatus& block, int status)
{
    block.Status = status;
    return status;
}

}  // namespace

extern "C" {

int ReadOpenInvoiceDetail(uint16_t handle, int fileNumber, int32_t key, TagOpenInvoice* record,
                          TagPostingStatus* block, BwOIHeader* header, int save)
{
    TagPostingStatus local;
    TagPostingStatus& b = block != nullptr ? *block : local;
    StartBlock(b, fileNumber, B_GET_EQUAL);
    std::memcpy(b.Key, &key, sizeof key);
    if (record == nullptr || !BwOIHeader::IsDtlFileId(fileNumber))
        return Done(b, B_INVALID_OPERATION);
    Table details;
    details.Borrow(static_cast<FileNo>(fileNumber), handle);
    KeyBuffer buffer;
    buffer.Set(key);
    Status s = details.Get(B_GET_EQUAL, buffer, *record);
    if (!s.Ok())
        return Done(b, s.status);
    if (header != nullptr) {
        if (!header->HdrExists(*record, false))
            return Done(b, header->GetResultError());
        if (save && !header->SaveDtlBeforeModification(*record, false))
            return Done(b, header->GetResultError());
    }
    return Done(b, 0);
}

int MarkOpenInvoiceDetailPosted(uint16_t handle, int fileNumber, TagOpenInvoice* record,
                                TagPostingStatus* block, BwOIHeader* header, int save, int flag)
{
    TagPostingStatus local;
    TagPostingStatus& b = block != nullptr ? *block : local;
    StartBlock(b, fileNumber, B_UPDATE);
    if (record == nullptr || !BwOIHeader::IsDtlFileId(fileNumber))
        return Done(b, B_INVALID_OPERATION);
    CopyText(b.Key, sizeof b.Key, FieldText(record->Invoice, sizeof record->Invoice).c_str());
    if (save && header != nullptr && !header->SaveDtlBeforeModification(*record, flag != 0))
        return Done(b, header->GetResultError());
    JoinedBatch batch;
    if (!batch.Ok())
        return Done(b, batch.Begun().status);
    TagOpenInvoice updated = *record;
    updated.Precedence = BwOIHeader::GetPrecedence(fileNumber, updated.Type2);
    updated.Status = 'P';
    Table details;
    details.Borrow(static_cast<FileNo>(fileNumber), handle);
    Status s = details.Update(updated);
    if (!s.Ok())
        return Done(b, s.status);
    if (header != nullptr && !header->UpdateDtlModification(updated))
        return Done(b, header->GetResultError());   // the batch puts the detail back
    s = batch.Commit();
    if (!s.Ok())
        return Done(b, s.status);
    *record = updated;
    return Done(b, 0);
}

}  // extern "C"

BWPS_ORDINAL(100, ReadOpenInvoiceDetail);
BWPS_ORDINAL(101, MarkOpenInvoiceDetailPosted);
