/* bwps/record_passes.h: whole-file passes that move the 32-bit dates of
 * every record of one data file on by one year (data conversion of older
 * company files). Each answers true when the whole file was walked. */
#ifndef BWPS_RECORD_PASSES_H
#define BWPS_RECORD_PASSES_H

#include "bwps/export.h"

#ifdef __cplusplus
extern "C" {
#endif

BWPS_EXPORT int ConvertCustomerDates(void);         /* 6150: file 10 */
BWPS_EXPORT int ConvertProductDates(void);          /* 6151: file 20 */
BWPS_EXPORT int ConvertServiceDates(void);          /* 6152: file 21 */
BWPS_EXPORT int ConvertOpenItemDates(void);         /* 6153: file 3 */
BWPS_EXPORT int ConvertAssemblyHeaderDates(void);   /* 6154: file 6 */
BWPS_EXPORT int ConvertProductActivityDates(void);  /* 6155: file 63 */
BWPS_EXPORT int ConvertOpenHeaderDates(void);       /* 6156: file 70 */

#ifdef __cplusplus
}

#include <vector>

namespace bwps {

// One pass over a data file, record by record, in the order of one key
// (key 0 unless given): a key none of whose segments the conversion
// rewrites, so that no record moves past the rest of the walk.
class RecordPass {
public:
    RecordPass(int fileNumber, int recordLength, int keyNumber = 0);
    virtual ~RecordPass();
    RecordPass(const RecordPass&) = delete;
    RecordPass& operator=(const RecordPass&) = delete;

    // Walks the file: true when every record was converted and written.
    bool Run();
    int Status() const { return status_; }

protected:
    virtual void ConvertRecord(unsigned char* record) = 0;
    virtual bool SelectKey();

    int fileNumber_;
    int recordLength_;
    int keyNumber_;
    int status_ = 0;
    unsigned short handle_ = 0;
    bool opened_ = false;
    std::vector<unsigned char> record_;
};

// A pass that moves the listed 32-bit date fields on by one year.
class DatePass : public RecordPass {
public:
    DatePass(int fileNumber, int recordLength, std::vector<int> offsets, int keyNumber = 0);

protected:
    void ConvertRecord(unsigned char* record) override;

private:
    std::vector<int> offsets_;
};

}  // namespace bwps
#endif

#endif
