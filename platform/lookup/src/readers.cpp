// The runs, the messages and the standard row readers over the data
// block's open file.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <string>
#include <vector>

#include "lookup.h"
#include "recman.h"

namespace {

TagLookUp* Lookup(long argument)
{
    return reinterpret_cast<TagLookUp*>(argument);
}

TagLookUpData* Data(long argument)
{
    TagLookUp* l = Lookup(argument);
    return l != nullptr ? l->Data : nullptr;
}

// The search text turned into the first segment's type: numbers of
// integer, unsigned and float segments as their binary value.
void TextToKey(TagLookUpData* d)
{
    std::vector<uint8_t> stat(RECMAN_STAT_BUFFER, 0);
    const auto* segment = static_cast<const uint8_t*>(BtrGetKeyInfo(d->Handle, stat.data(), d->KeyNumber));
    if (segment == nullptr)
        return;
    uint16_t length, flags;
    std::memcpy(&length, segment + 2, 2);
    std::memcpy(&flags, segment + 4, 2);
    if ((flags & KF_EXTENDED) == 0)
        return;
    const int type = segment[10];
    const std::string text(d->KeyBuffer, strnlen(d->KeyBuffer, sizeof d->KeyBuffer));
    if (type == KT_INTEGER || type == KT_UNSIGNED || type == KT_AUTOINC) {
        char* end = nullptr;
        long long value = std::strtoll(text.c_str(), &end, 10);
        if (text.find('/') != std::string::npos && length == 4) {
            const int32_t date = FxDateParse(text.c_str());
            value = date;
        }
        std::memset(d->KeyBuffer, 0, sizeof d->KeyBuffer);
        std::memcpy(d->KeyBuffer, &value, std::min<size_t>(length, sizeof value));
    } else if (type == KT_FLOAT) {
        const double value = std::strtod(text.c_str(), nullptr);
        std::memset(d->KeyBuffer, 0, sizeof d->KeyBuffer);
        if (length == 4) {
            const float f = static_cast<float>(value);
            std::memcpy(d->KeyBuffer, &f, 4);
        } else {
            std::memcpy(d->KeyBuffer, &value, 8);
        }
    }
}

// The first string segment of the key in use: its place and whether it
// compares without regard to case.
bool StringSegment(TagLookUpData* d, int& position, int& length, bool& noCase)
{
    std::vector<uint8_t> stat(RECMAN_STAT_BUFFER, 0);
    const auto* segment = static_cast<const uint8_t*>(BtrGetKeyInfo(d->Handle, stat.data(), d->KeyNumber));
    if (segment == nullptr)
        return false;
    uint16_t p, n, flags;
    std::memcpy(&p, segment, 2);
    std::memcpy(&n, segment + 2, 2);
    std::memcpy(&flags, segment + 4, 2);
    if ((flags & KF_EXTENDED) != 0 && segment[10] != KT_STRING && segment[10] != KT_ZSTRING)
        return false;
    position = p - 1;
    length = n;
    noCase = (flags & (KF_NO_CASE | KF_ALT_COLLATE)) != 0;
    return true;
}

}  // namespace

extern "C" {

int DuVaVeduUpProcessImpl(CEnhLookDlg* dialog)
{
    return dialog != nullptr ? dialog->Process() : 0;
}

int BwFxFilterLookUpProcessImpl(CFilterLookupDlg* dialog)
{
    return dialog != nullptr ? dialog->Process() : 0;
}

int BwFxDirLookUpProcessHlp(TagLookUp* lookup, int dialogId)
{
    CEnhLookDlg dialog(lookup, dialogId, nullptr);
    return dialog.Process();
}

int BwFxDbNoDDLookUpProcessHlp(TagLookUp* lookup, int dialogId)
{
    CDbListCtrl list(lookup != nullptr ? lookup->ListArgument : 0);
    CDbLookDlg dialog(lookup, dialogId, &list);
    return dialog.Process();
}

int DuVaVeduUpSendMsg(TagLookUp* lookup, int message)
{
    CEnhLookDlg* dialog = CEnhLookDlg::Running(lookup);
    return dialog != nullptr ? dialog->SendMessage(message) : 0;
}

int DuVaVeduUpSwitch(long argument)
{
    TagLookUpData* d = Data(argument);
    if (d == nullptr)
        return 0;
    const int key = d->KeyNumber == 0 ? 1 : 0;
    if (d->Handle != 0 && BtrSetDefaults(d->Handle, key, -1) != 0)
        return 0; // the file has no second key: the order stays
    d->KeyNumber = static_cast<uint16_t>(key);
    return 0;
}

int DuVaVeduUpReadRecord(long argument)
{
    TagLookUpData* d = Data(argument);
    if (d == nullptr || d->Handle == 0)
        return B_FILE_NOT_OPEN;
    switch (d->Move) {
    case LK_MOVE_NEXT:
    case LK_MOVE_PREVIOUS:
    case LK_MOVE_FIRST:
    case LK_MOVE_LAST:
        return BtrGet(d->Move, d->Handle, d->KeyBuffer, d->Record, d->RecordLength);
    default:
        return B_INVALID_OPERATION;
    }
}

int DuVaVeduUpReadPos(long argument)
{
    TagLookUpData* d = Data(argument);
    if (d == nullptr || d->Handle == 0)
        return B_FILE_NOT_OPEN;
    switch (d->Move) {
    case LK_KEEP_A:
    case LK_KEEP_B: {
        uint32_t position = 0;
        std::vector<uint8_t> buffer(std::max<size_t>(d->RecordLength, 4));
        const int st = BtrGet(B_GET_POSITION, d->Handle, d->KeyBuffer, buffer.data(), static_cast<int>(buffer.size()));
        if (st != 0)
            return st;
        std::memcpy(&position, buffer.data(), 4);
        (d->Move == LK_KEEP_A ? d->SlotA : d->SlotB) = position;
        return 0;
    }
    case LK_BACK_A:
    case LK_BACK_B: {
        const uint32_t position = d->Move == LK_BACK_A ? d->SlotA : d->SlotB;
        if (d->Record == nullptr || d->RecordLength < 4)
            return B_INVALID_POSITIONING;
        std::memcpy(d->Record, &position, 4);
        return BtrGet(B_GET_DIRECT, d->Handle, d->KeyBuffer, d->Record, d->RecordLength);
    }
    default:
        return 1;
    }
}

int DuVaVeduUpReadSearch(long argument)
{
    TagLookUpData* d = Data(argument);
    if (d == nullptr || d->Handle == 0)
        return B_FILE_NOT_OPEN;
    int position = 0, length = 0;
    bool noCase = false;
    if (!StringSegment(d, position, length, noCase)) {
        TextToKey(d);
        return BtrGet(B_GET_GE, d->Handle, d->KeyBuffer, d->Record, d->RecordLength);
    }
    // Case ignored: the text in upper case, with each word capitalised,
    // with its first letter capitalised, as typed and in lower case; the
    // first whose row begins with the text (case ignored) wins, else the
    // first row at or after the typed text.
    char typed[sizeof d->KeyBuffer];
    std::memcpy(typed, d->KeyBuffer, sizeof typed);
    const size_t n = strnlen(typed, sizeof typed);
    if (noCase || n == 0)
        return BtrGet(B_GET_GE, d->Handle, d->KeyBuffer, d->Record, d->RecordLength);
    for (int variant = 0; variant < 5; ++variant) {
        std::memcpy(d->KeyBuffer, typed, sizeof typed);
        for (size_t i = 0; i < n; ++i) {
            const unsigned char c = static_cast<unsigned char>(typed[i]);
            const bool wordStart = i == 0 || typed[i - 1] == ' ';
            char& k = d->KeyBuffer[i];
            switch (variant) {
            case 0: k = static_cast<char>(std::toupper(c)); break;
            case 1: k = static_cast<char>(wordStart ? std::toupper(c) : std::tolower(c)); break;
            case 2: k = static_cast<char>(i == 0 ? std::toupper(c) : std::tolower(c)); break;
            case 4: k = static_cast<char>(std::tolower(c)); break;
            default: break;
            }
        }
        if (BtrGet(B_GET_GE, d->Handle, d->KeyBuffer, d->Record, d->RecordLength) != 0)
            continue;
        const char* field = static_cast<const char*>(d->Record) + position;
        const size_t compare = std::min<size_t>(n, static_cast<size_t>(length));
        if (position + static_cast<int>(compare) <= d->RecordLength && strncasecmp(field, typed, compare) == 0)
            return 0;
    }
    std::memcpy(d->KeyBuffer, typed, sizeof typed);
    return BtrGet(B_GET_GE, d->Handle, d->KeyBuffer, d->Record, d->RecordLength);
}

int DuVaVeduUpGetDbRecords(long argument)
{
    TagLookUpData* d = Data(argument);
    if (d == nullptr || d->Handle == 0)
        return -1;
    return static_cast<int>(BtrGetRecordCount(d->Handle));
}

int DuVaVeduUpSeekPercRelative(long argument)
{
    TagLookUp* l = Lookup(argument);
    TagLookUpData* d = Data(argument);
    if (d == nullptr || d->Handle == 0 || d->Record == nullptr || d->RecordLength < 4)
        return B_FILE_NOT_OPEN;
    uint32_t share = 0;
    if (l->WorkArea != nullptr)
        std::memcpy(&share, l->WorkArea + 4, 4);
    std::memcpy(d->Record, &share, 4);
    return BtrGet(B_GET_BY_PERCENTAGE, d->Handle, d->KeyBuffer, d->Record, d->RecordLength);
}

int DuVaVeduUpGetPercRelative(long argument)
{
    TagLookUpData* d = Data(argument);
    if (d == nullptr || d->Handle == 0)
        return -B_FILE_NOT_OPEN;
    uint8_t share[8] = {};
    const int st = BtrGet(B_FIND_PERCENTAGE, d->Handle, d->KeyBuffer, share, sizeof share);
    if (st != 0)
        return -st;
    uint32_t value;
    std::memcpy(&value, share, 4);
    return static_cast<int>(value);
}

}  // extern "C"
