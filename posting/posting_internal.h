// Shared helpers of the posting sources: fixed-width texts, the views of
// the master records that the posting reads, and the small services of the
// session layer that the posting reaches through one place each.
#ifndef BWPS_POSTING_INTERNAL_H
#define BWPS_POSTING_INTERNAL_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>

#include "bwps/records/accounts.h"
#include "bwps/records/ledger.h"
#include "bwps/table.h"

#include "bwps/records/masters.h"

namespace bwps::posting {

// ---- Fixed-width texts

// Copies at most width-1 characters of src into dst[width], NUL-filled.
inline void CopyText(char* dst, std::size_t width, const char* src)
{
    std::memset(dst, 0, width);
    if (src == nullptr)
        return;
    std::size_t n = 0;
    while (n + 1 < width && src[n] != '\0')
        ++n;
    std::memcpy(dst, src, n);
}
// The text of a field (up to its NUL or its width).
inline std::string FieldText(const char* field, std::size_t width)
{
    std::size_t n = 0;
    while (n < width && field[n] != '\0')
        ++n;
    return std::string(field, n);
}
inline std::string TrimRight(std::string text)
{
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0'))
        text.pop_back();
    return text;
}
inline std::string Trim(std::string text)
{
    text = TrimRight(std::move(text));
    std::size_t first = text.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first);
}
inline std::string TrimmedField(const char* field, std::size_t width)
{
    return Trim(FieldText(field, width));
}
// dst[width] := src blank-padded to width-1 characters and its NUL.
inline void PadText(char* dst, std::size_t width, const char* src)
{
    std::memset(dst, ' ', width - 1);
    dst[width - 1] = '\0';
    if (src == nullptr)
        return;
    for (std::size_t i = 0; i + 1 < width && src[i] != '\0'; ++i)
        dst[i] = src[i];
}
template <std::size_t N>
void PadText(char (&dst)[N], const std::string& src)
{
    PadText(dst, N, src.c_str());
}
template <std::size_t N>
void CopyText(char (&dst)[N], const std::string& src)
{
    CopyText(dst, N, src.c_str());
}
// An account number as key 0 holds it: 10 characters blank padded.
inline std::string AccountKey(const char* account)
{
    char key[ACCOUNT_NUMBER_WIDTH];
    PadText(key, sizeof key, TrimRight(account != nullptr ? FieldText(account, 64) : "").c_str());
    return std::string(key, sizeof key);
}
// A journal code as key 0 of files 11, 12, 13 holds it: 6 characters
// blank padded and the NUL.
inline void JournalKey(char (&out)[LEDGER_JOURNAL_WIDTH], const char* code)
{
    PadText(out, sizeof out, code != nullptr ? TrimRight(FieldText(code, 16)).c_str() : "");
}
inline bool IsEmptyText(const char* text, std::size_t width)
{
    return Trim(FieldText(text, width)).empty();
}
// 'Y', 'y' or the byte 1.
inline bool IsYes(char c)
{
    return c == 'Y' || c == 'y' || c == 1;
}

// ---- Master records read by the posting
using ::BillingCodeRecord;
using ::CustomerRecord;
using ::LayawayRecord;
using ::ProductRecord;
using ::ServiceRecord;
using ::TaxRecord;
using ::TenderRecord;

// Get direct (23): the record at a position, made current. The position
// goes in the first 4 bytes of the record buffer.
template <class R>
Status ReadDirect(Table& table, uint32_t position, R& record)
{
    static_assert(sizeof(R) >= 4);
    std::memset(&record, 0, sizeof record);
    std::memcpy(&record, &position, 4);
    KeyBuffer key;
    return table.Get(B_GET_DIRECT, key.bytes, &record, static_cast<int>(sizeof record));
}

// ---- Error windows named by texts

// A numbered message in its error window (ShowErrorMessageWindow), the
// texts as its values (at most four); log flag 1 also writes it to the
// message log. 2 when the user chose Continue, else 1.
int PostingErrorWindow(int message, int buttons, int logFlags,
                       std::initializer_list<std::string> values);
// The database error window for a status (buttons 1 Continue, 2 Cancel,
// 4 help). 2 for Continue, else 1.
int PostingDatabaseErrorWindow(int buttons, int logFlags, int status, int operation,
                               int fileNumber);

// Clears the module-wide state of the posting sources (tests).
void ResetPostingState();

// ---- Files opened by hand (the register and ledger classes keep handles)

// A handle that holds no open file: 0 or 0xFFFF.
inline bool IsOpenHandle(uint16_t handle) { return handle != 0 && handle != 0xFFFF; }
// Opens a file by number into a closed handle (an open one is kept): a
// failed open is tried once more, and the second try counts when it gives
// 0 or 9.
Status OpenWithRetry(FileNo file, uint16_t& handle, int mode = 0);
// The format's "%s" replaced by the values in turn and "%%" by "%"; any
// other conversion is copied as it stands, so a format never reads more
// than it is given.
std::string FormatTexts(const char* format, std::initializer_list<std::string> values);
// Sets one Y/N flag of the stored "0sysinterface  " record (read locked,
// updated, errors reported) and of the session's copy; `record` receives
// the record as written.
bool WriteInterfaceFlag(std::size_t offset, bool on, unsigned char* record, std::size_t size);

}  // namespace bwps::posting



namespace bwps::posting {
using bwps::JoinedBatch;
}  // namespace bwps::posting
#endif
