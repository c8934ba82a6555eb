// Whole-file record passes: each date field above 0 of every record moves
// one year on.
#include "bwps/record_passes.h"

#include <cstdint>
#include <cstring>

#include "bwps/catalogue.h"
#include "bwps/messages.h"
#include "bwps/ordinals.h"
#include "fx.h"
#include "recman.h"

namespace bwps {

RecordPass::RecordPass(int fileNumber, int recordLength, int keyNumber)
    : fileNumber_(fileNumber), recordLength_(recordLength), keyNumber_(keyNumber)
{
}

RecordPass::~RecordPass()
{
    if (opened_ && handle_ != 0) {
        BtrSetDefaults(handle_, 0, -1);
        BtrCloseFile(handle_);
    }
}

bool RecordPass::SelectKey()
{
    BtrSetDefaults(handle_, keyNumber_, -1);
    return true;
}

bool RecordPass::Run()
{
    record_.assign(static_cast<size_t>(recordLength_), 0);
    status_ = BtrOpenFile(&handle_, GetDataFilePath(fileNumber_), 0, 0);
    if (status_ != 0) {
        handle_ = 0;
        ReportRecordManagerError(status_, 1, OPEN_OPERATION, fileNumber_, 0);
        return false;
    }
    opened_ = true;
    SelectKey();
    char key[256] = {};
    status_ = BtrGet(B_GET_FIRST, handle_, key, record_.data(), recordLength_);
    while (status_ == 0) {
        ConvertRecord(record_.data());
        const int written = BtrWrite(B_UPDATE, handle_, key, record_.data(), recordLength_);
        if (written != 0) {
            // A record that cannot be written stops the pass: going on would
            // leave a file of which nobody knows which records moved.
            ReportRecordManagerError(written, 1, B_UPDATE, fileNumber_, 0);
            status_ = written;
            return false;
        }
        status_ = BtrGet(B_GET_NEXT, handle_, key, record_.data(), recordLength_);
    }
    if (status_ != B_END_OF_FILE) {
        ReportRecordManagerError(status_, 1, B_GET_NEXT, fileNumber_, 0);
        return false;
    }
    return true;
}

DatePass::DatePass(int fileNumber, int recordLength, std::vector<int> offsets, int keyNumber)
    : RecordPass(fileNumber, recordLength, keyNumber), offsets_(std::move(offsets))
{
}

void DatePass::ConvertRecord(unsigned char* record)
{
    for (int offset : offsets_) {
        int32_t value = 0;
        std::memcpy(&value, record + offset, 4);
        if (value > 0) {
            value = FxDateAddYears(value, 1);
            std::memcpy(record + offset, &value, 4);
        }
    }
}

}  // namespace bwps

namespace {

int RunDatePass(int file, int length, std::vector<int> offsets, int keyNumber = 0)
{
    bwps::DatePass pass(file, length, std::move(offsets), keyNumber);
    return pass.Run() ? 1 : 0;
}

}  // namespace

extern "C" {

int ConvertCustomerDates(void) { return RunDatePass(10, 795, {130, 126}); }
int ConvertProductDates(void) { return RunDatePass(20, 668, {286, 282}); }
int ConvertServiceDates(void) { return RunDatePass(21, 196, {95}); }
// The date at 54 ends key 0: the walk follows the identifier (key 3).
int ConvertOpenItemDates(void) { return RunDatePass(3, 123, {46, 50, 54}, 3); }
int ConvertAssemblyHeaderDates(void) { return RunDatePass(6, 70, {37, 41}); }
int ConvertProductActivityDates(void) { return RunDatePass(63, 175, {31}); }
int ConvertOpenHeaderDates(void) { return RunDatePass(70, 124, {52, 56, 60}); }

}  // extern "C"

BWPS_ORDINAL(6150, ConvertCustomerDates);
BWPS_ORDINAL(6151, ConvertProductDates);
BWPS_ORDINAL(6152, ConvertServiceDates);
BWPS_ORDINAL(6153, ConvertOpenItemDates);
BWPS_ORDINAL(6154, ConvertAssemblyHeaderDates);
BWPS_ORDINAL(6155, ConvertProductActivityDates);
BWPS_ORDINAL(6156, ConvertOpenHeaderDates);
