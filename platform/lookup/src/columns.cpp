// Columns and list controls: how a record's field becomes a cell.
#include "lookup.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "recman.h"

namespace {

std::string Trimmed(const char* text, size_t size)
{
    std::string s(text, strnlen(text, size));
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    size_t b = s.find_first_not_of(' ');
    return b == std::string::npos ? std::string() : s.substr(b);
}

bool PictureInPacks(const char* picture)
{
    const size_t n = strnlen(picture, 19);
    return n > 0 && picture[n - 1] == 'F';
}

}  // namespace

int LookUpColumnCount(const TagLookUpField* columns, int limit)
{
    int n = 0;
    if (columns == nullptr)
        return 0;
    while ((limit < 0 || n < limit) && columns[n].Type != 0)
        ++n;
    return n;
}

int LookUpDataLength(int type, const char* picture)
{
    switch (type) {
    case 1:
    case 4:
        return 1;
    case 2:
        return FxPictureWidth(picture != nullptr ? picture : "") + 1;
    case 3:
    case 7:
    case 8:
    case 9:
    case 12:
        return 4;
    case 5:
    case 6:
        return 2;
    case 10:
    case 11:
        return 8;
    default:
        return 0;
    }
}

// ---- CDbLookupColumn

CDbLookupColumn::CDbLookupColumn(TagLookUpField* field, tagTEXTMETRICA*) : field_{}
{
    if (field != nullptr)
        field_ = *field;
}

CDbLookupColumn::~CDbLookupColumn() = default;

int CDbLookupColumn::GetDataLen()
{
    return LookUpDataLength(field_.Type, field_.Picture);
}

int CDbLookupColumn::GetKeySpecs()
{
    return 0;
}

int CDbLookupColumn::ReadColumnInfo(const char*, const char*, void*)
{
    return B_KEY_NOT_FOUND;
}

int CDbLookupColumn::Width() const
{
    char picture[20] = {};
    std::memcpy(picture, field_.Picture, sizeof field_.Picture);
    int width = FxPictureWidth(picture);
    if (field_.Type == 3)
        width = std::max(width, 8);
    const int title = static_cast<int>(Trimmed(field_.Title, sizeof field_.Title).size());
    width = std::max({width, title, 1});
    return std::min(width, 76);
}

bool CDbLookupColumn::RightAligned() const
{
    if (field_.Align == 3)
        return true;
    if (field_.Align == 1 || field_.Align == 2)
        return false;
    switch (field_.Type) {
    case 4:
    case 5:
    case 6:
    case 7:
    case 8:
    case 9:
    case 10:
    case 11:
        return true;
    default:
        return false;
    }
}

void CDbLookupColumn::FormatField(const void* record, int recordLength, char* out, int size)
{
    if (out == nullptr || size <= 0)
        return;
    out[0] = '\0';
    const int length = GetDataLen();
    const int offset = field_.Offset;
    if (record == nullptr || offset < 0 || length <= 0 || offset >= recordLength)
        return;
    const auto* bytes = static_cast<const uint8_t*>(record) + offset;
    const int room = recordLength - offset;
    char picture[20] = {};
    std::memcpy(picture, field_.Picture, sizeof field_.Picture);
    char cell[512] = {};
    switch (field_.Type) {
    case 2: {
        // a text field may fill its room without a NUL
        const int n = std::min(length, room);
        std::string text(reinterpret_cast<const char*>(bytes), strnlen(reinterpret_cast<const char*>(bytes), n));
        for (char& c : text)
            if (static_cast<unsigned char>(c) < 32)
                c = ' ';
        std::snprintf(cell, sizeof cell, "%s", text.c_str());
        break;
    }
    case 1: {
        const char c = static_cast<char>(bytes[0]);
        cell[0] = c >= 32 && c < 127 ? c : ' ';
        cell[1] = '\0';
        break;
    }
    case 3: {
        if (room < 4)
            break;
        int32_t date;
        std::memcpy(&date, bytes, 4);
        if (date != 0 && FxDateIsValid(date))
            FxDateFormat(cell, date);
        break;
    }
    case 9:
    case 10:
    case 11: {
        double value;
        if (field_.Type == 9) {
            if (room < 4)
                break;
            float f;
            std::memcpy(&f, bytes, 4);
            value = f;
        } else {
            if (room < 8)
                break;
            std::memcpy(&value, bytes, 8);
        }
        if (!std::isfinite(value))
            break;
        if (field_.Type == 11 && PictureInPacks(picture)) {
            int pack = 1;
            if (field_.Offset2 > 0 && field_.Offset2 + 2 <= recordLength) {
                int16_t p;
                std::memcpy(&p, static_cast<const uint8_t*>(record) + field_.Offset2, 2);
                pack = p > 0 ? p : 1;
            }
            FxFormatNumber(cell, picture, 0, pack, value);
            break;
        }
        int decimals = 2;
        int width = 0;
        int sign = 0;
        if (FxPictureNumberInfo(picture, &decimals, &width, &sign) != 0)
            decimals = 2;
        std::snprintf(cell, sizeof cell, "%.*f", std::clamp(decimals, 0, 8), value);
        break;
    }
    case 12: {
        if (room < 4)
            break;
        int32_t time;
        std::memcpy(&time, bytes, 4);
        if (time >= 0 && time < 1440)
            FxTimeFormat(cell, time, 0);
        break;
    }
    case 4:
    case 5:
    case 6:
    case 7:
    case 8: {
        if (room < length)
            break;
        long long value = 0;
        switch (field_.Type) {
        case 4:
            value = bytes[0];
            break;
        case 5: {
            int16_t v;
            std::memcpy(&v, bytes, 2);
            value = v;
            break;
        }
        case 6: {
            uint16_t v;
            std::memcpy(&v, bytes, 2);
            value = v;
            break;
        }
        case 7: {
            int32_t v;
            std::memcpy(&v, bytes, 4);
            value = v;
            break;
        }
        default: {
            uint32_t v;
            std::memcpy(&v, bytes, 4);
            value = v;
            break;
        }
        }
        std::snprintf(cell, sizeof cell, "%lld", value);
        break;
    }
    default:
        break;
    }
    std::string text = cell;
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    const size_t b = text.find_first_not_of(' ');
    text = b == std::string::npos ? std::string() : text.substr(b);
    std::snprintf(out, static_cast<size_t>(size), "%s", text.c_str());
}

// ---- list controls

CEnhListCtrl::CEnhListCtrl(int argument) : argument_(argument) {}

CEnhListCtrl::~CEnhListCtrl()
{
    ClearColumns();
}

int CEnhListCtrl::ReviewLookupPersistence()
{
    return 0;
}

CDbLookupColumn* CEnhListCtrl::CreateColumn(const unsigned char*, int)
{
    return new CDbLookupColumn(nullptr, nullptr);
}

CDbLookupColumn* CEnhListCtrl::CreateColumn(TagLookUpField* field, tagTEXTMETRICA* metrics)
{
    return new CDbLookupColumn(field, metrics);
}

int CEnhListCtrl::AddSortCol(const void*)
{
    ++sortColumns_;
    return 0;
}

CDbLookupColumn* CEnhListCtrl::GetCol(int i) const
{
    return i >= 0 && i < static_cast<int>(columns_.size()) ? columns_[static_cast<size_t>(i)] : nullptr;
}

void CEnhListCtrl::InitCols(TagLookUpField* fields)
{
    ClearColumns();
    const int n = LookUpColumnCount(fields, 64);
    for (int i = 0; i < n; ++i) {
        CDbLookupColumn* column = CreateColumn(&fields[i], nullptr);
        if (column != nullptr)
            columns_.push_back(column);
    }
}

void CEnhListCtrl::ClearColumns()
{
    for (CDbLookupColumn* c : columns_)
        delete c;
    columns_.clear();
}

CDbListCtrl::CDbListCtrl(int argument) : CEnhListCtrl(argument) {}
CDbListCtrl::~CDbListCtrl() = default;

CColumnListCtrl::CColumnListCtrl(int argument) : CEnhListCtrl(argument) {}
CColumnListCtrl::~CColumnListCtrl() = default;

CVariablesListCtrl::CVariablesListCtrl() : CEnhListCtrl(0) {}
CVariablesListCtrl::~CVariablesListCtrl() = default;

CDbLookupColumn* CVariablesListCtrl::CreateDatextCol(const unsigned char*, int)
{
    return nullptr;
}

CDbLookupColumn* CVariablesListCtrl::CreateDatextCol(TagLookUpField* field, tagTEXTMETRICA* metrics)
{
    if (field == nullptr || std::strncmp(field->Title, "Date Text", 9) != 0)
        return nullptr;
    return new CDbLookupColumn(field, metrics);
}

TagLookUpField CColumnCol::GetColLookField(enumFieldIdxs index)
{
    // the column records of the data dictionary: table 0 (12), column name
    // 12 (16), flag byte 38, caption 90 (40)
    TagLookUpField f{};
    switch (index) {
    case TableName:
        std::snprintf(f.Title, sizeof f.Title, "Table");
        std::snprintf(f.Picture, sizeof f.Picture, "%%-11s");
        f.Type = 2;
        f.Offset = 0;
        break;
    case ColumnName:
        std::snprintf(f.Title, sizeof f.Title, "Column");
        std::snprintf(f.Picture, sizeof f.Picture, "%%-15s");
        f.Type = 2;
        f.Offset = 12;
        break;
    case Flag:
        std::snprintf(f.Title, sizeof f.Title, "Flag");
        std::snprintf(f.Picture, sizeof f.Picture, "%%c");
        f.Type = 4;
        f.Offset = 38;
        break;
    case Caption:
    default:
        std::snprintf(f.Title, sizeof f.Title, "Caption");
        std::snprintf(f.Picture, sizeof f.Picture, "%%-39s");
        f.Type = 2;
        f.Offset = 90;
        break;
    }
    return f;
}
