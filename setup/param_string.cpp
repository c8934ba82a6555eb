// The parameter-string parser: name='value' pairs handed to editor entries.
#include "bwps/param_string.h"

#include <algorithm>
#include <cstring>

#include "fx.h"

namespace {

constexpr const char* kCodeName = "cdno";

}  // namespace

CParamString::CParamString(const char* text, int32_t length)
{
    Init(text, length);
}

CParamString::~CParamString() = default;

void CParamString::Init(const char* text, int32_t length)
{
    text_ = text;
    length_ = length;
    out_ = nullptr;
    outSize_ = 0;
}

bool CParamString::GetValue(char* out, int32_t size)
{
    out_ = out;
    outSize_ = size;
    const bool parsed = Parse();
    out_ = nullptr;
    outSize_ = 0;
    return parsed;
}

bool CParamString::Parse()
{
    if (text_ == nullptr || length_ < 1)
        return false;
    // The scan runs over the text up to its NUL; the caller's length only
    // says that there is a text at all.
    const size_t end = std::strlen(text_);
    size_t at = 0;
    bool paired = false;
    for (;;) {
        if (at >= end)
            return true;
        // Name: blanks skipped (blanks after the last pair end the text as
        // well, a text of blanks alone is refused); it runs up to the next
        // '=' and has at least one character.
        while (at < end && text_[at] == ' ')
            ++at;
        if (at >= end)
            return paired;
        const size_t nameStart = at;
        size_t eq = nameStart + 1;
        while (eq < end && text_[eq] != '=')
            ++eq;
        if (eq >= end)
            return false;
        const size_t nameLength = eq - nameStart;
        if (nameLength > kNameMax)
            return false;
        char name[kNameMax + 1] = {};
        std::memcpy(name, text_ + nameStart, nameLength);
        FxTrimText(7, name);
        at = eq + 1;
        if (at >= end)
            return true;  // a name and its '=' with nothing after them

        // Value: whatever stands before the opening quote is ignored.
        while (at < end && text_[at] != '\'')
            ++at;
        if (at >= end)
            return false;
        const size_t valueStart = at + 1;
        size_t close = valueStart;
        while (close < end && text_[close] != '\'')
            ++close;
        if (close >= end)
            return false;
        const size_t valueLength = close - valueStart;
        if (valueLength > kValueMax)
            return false;
        char value[kValueMax + 1] = {};
        std::memcpy(value, text_ + valueStart, valueLength);
        if (!OnPair(name, value))
            return false;
        paired = true;
        at = close + 1;
    }
}

bool CParamString::OnPair(const char* name, const char* value)
{
    if (out_ == nullptr || outSize_ < 1)
        return false;
    if (std::strcmp(name, kCodeName) != 0)
        return false;
    const size_t take = std::min<size_t>(std::strlen(value), static_cast<size_t>(outSize_ - 1));
    std::memcpy(out_, value, take);
    out_[take] = '\0';
    FxPadBlanks(out_, outSize_);
    return true;
}
