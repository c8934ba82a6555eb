/* bwps/param_string.h: the parameter string that a caller hands to an
 * editor entry instead of a record: a run of name='value' pairs, of which
 * the name "cdno" (the code of the record to open) is the one known. */
#ifndef BWPS_PARAM_STRING_H
#define BWPS_PARAM_STRING_H

#include <stdint.h>

#include "bwps/export.h"

#ifdef __cplusplus

/* Walks the pairs of a parameter string. Callers construct it on the stack
 * over the text and its length and call GetValue with a cleared buffer.
 * A name longer than 15 characters or a value longer than 255 characters
 * refuses the whole string. */
class BWPS_EXPORT CParamString {
public:
    enum { kNameMax = 15, kValueMax = 255 };

    CParamString(const char* text, int32_t length);
    virtual ~CParamString();

    /* The value of "cdno" into the buffer: at most size - 1 characters,
     * blank padded to size - 1 and terminated. True when the string parsed;
     * the buffer is touched only by a "cdno" pair. */
    bool GetValue(char* out, int32_t size);
    /* Walks the pairs, calling OnPair for each. */
    bool Parse();

protected:
    /* One pair; false ends the walk with false. Accepts "cdno" only. */
    virtual bool OnPair(const char* name, const char* value);

private:
    void Init(const char* text, int32_t length);

    const char* text_;
    int32_t length_;
    char* out_;
    int32_t outSize_;
};

#endif

#endif
