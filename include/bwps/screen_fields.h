// bwps/screen_fields.h: screen field tables written as constants.
//
//   constexpr std::array<ScreenField, 3> kFields{{
//       bwps::Field(1, 2, 24, "%-18s"),
//       bwps::Field(2, 3, 24, "%-143s").Exit(OnFolderLeft),
//       {},   // a zero field ends the table
//   }};
//
// The framework reads a loaded table in place, so the screen copies the
// constant into storage that lives as long as its form.
#ifndef BWPS_SCREEN_FIELDS_H
#define BWPS_SCREEN_FIELDS_H

#include <cstddef>
#include <cstdint>

#include "fx.h"

namespace bwps {

// A ScreenField built at compile time; the setters chain.
struct FieldSpec {
    ScreenField field{};

    constexpr FieldSpec& Choices(const char* list)
    {
        field.choices = list;
        return *this;
    }
    constexpr FieldSpec& Exit(FxHandler handler)
    {
        field.exitHandler = handler;
        return *this;
    }
    constexpr FieldSpec& Entry(FxHandler handler)
    {
        field.entryHandler = handler;
        return *this;
    }
    constexpr FieldSpec& DisplayOnly()
    {
        field.displayOnly = 1;
        return *this;
    }
    constexpr FieldSpec& Prompt(uint16_t number)
    {
        field.prompt = number;
        return *this;
    }
    constexpr FieldSpec& Flags(uint16_t flags)
    {
        field.flags = flags;
        return *this;
    }
    constexpr operator ScreenField() const { return field; }
};

// Field number, row and column inside the window, picture (at most 15
// characters: a longer one does not compile).
template <std::size_t N>
constexpr FieldSpec Field(uint8_t number, uint8_t row, uint8_t column, const char (&picture)[N])
{
    static_assert(N <= sizeof(ScreenField::picture), "a picture has at most 15 characters");
    FieldSpec spec;
    spec.field.number = number;
    spec.field.row = row;
    spec.field.column = column;
    for (std::size_t i = 0; i < N; ++i)
        spec.field.picture[i] = picture[i];
    return spec;
}

}  // namespace bwps

#endif
