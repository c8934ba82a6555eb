// The one reading of the engine's request blocks: the engine decodes every
// block it is sent with it, and the tests check the writer's blocks by it.
#include <algorithm>
#include <cstring>

#include "report_engine.h"

namespace {

void TextInto(EngDecoded* out, const char* text, int length, int room)
{
    length = std::clamp(length, 0, std::min<int>(room, ENGINE_TEXT_MAX));
    std::memcpy(out->text, text, static_cast<size_t>(length));
    out->text[length] = '\0';
    out->text[strnlen(out->text, static_cast<size_t>(length))] = '\0';
}

void NameInto(EngDecoded* out, const char* name, size_t size)
{
    const size_t n = std::min(strnlen(name, size), static_cast<size_t>(ENGINE_TEXT_MAX));
    std::memcpy(out->text, name, n);
    out->text[n] = '\0';
}

}  // namespace

extern "C" ENGINE_API int EngDecode(const void* block, int size, EngDecoded* out)
{
    if (block == nullptr || out == nullptr || size < static_cast<int>(sizeof(EngHead)))
        return -1;
    std::memset(out, 0, sizeof *out);
    EngHead head;
    std::memcpy(&head, block, sizeof head);
    out->code = head.code;
    out->length = head.length;
    auto need = [&](int n) { return size >= n; };
    switch (head.code) {
    case ENG_CMD_OPEN: {
        if (!need(sizeof(EngOpen)))
            return -1;
        const auto* b = static_cast<const EngOpen*>(block);
        out->number = b->window;
        out->style = b->kind;
        out->width = b->paperWidth;
        out->height = b->paperHeight;
        out->value1 = b->paperCode;
        out->value2 = b->orientation;
        NameInto(out, b->title, sizeof b->title);
        return 0;
    }
    case ENG_CMD_IDENTITY: {
        if (!need(sizeof(EngIdentity)))
            return -1;
        const auto* b = static_cast<const EngIdentity*>(block);
        NameInto(out, b->product, sizeof b->product);
        out->value1 = b->one;
        return 0;
    }
    case ENG_CMD_MARGINS: {
        if (!need(sizeof(EngMargins)))
            return -1;
        const auto* b = static_cast<const EngMargins*>(block);
        out->column = b->margin[0];
        out->line = b->margin[1];
        out->column2 = b->margin[2];
        out->line2 = b->margin[3];
        return 0;
    }
    case ENG_CMD_5:
    case ENG_CMD_SELECT_FONT: {
        if (!need(sizeof(EngByte)))
            return -1;
        out->font = static_cast<const EngByte*>(block)->value;
        return 0;
    }
    case ENG_CMD_PAGE_FORMAT: {
        if (!need(sizeof(EngPageFormat)))
            return -1;
        const auto* b = static_cast<const EngPageFormat*>(block);
        out->style = b->mode;
        out->width = b->pitch;
        out->number = b->fixedPageLines;
        out->value1 = b->value1;
        out->value2 = b->value2;
        return 0;
    }
    case ENG_CMD_FONT: {
        if (!need(sizeof(EngFont)))
            return -1;
        const auto* b = static_cast<const EngFont*>(block);
        out->font = b->font;
        out->height = b->value;
        out->style = b->style;
        out->value1 = b->colour;
        NameInto(out, b->face, sizeof b->face);
        return 0;
    }
    case ENG_CMD_128:
        return 0;
    case ENG_CMD_139:
    case ENG_CMD_BLOCK_END:
    case ENG_QUERY_LINE_STEP: {
        if (!need(sizeof(EngWord)))
            return -1;
        out->number = static_cast<const EngWord*>(block)->value;
        out->line = static_cast<int>(out->number);
        return 0;
    }
    case ENG_CMD_STRING: {
        if (!need(static_cast<int>(offsetof(EngString, text))))
            return -1;
        const auto* b = static_cast<const EngString*>(block);
        out->column = b->column;
        out->line = b->line;
        out->align = b->align;
        out->font = b->font;
        out->width = b->width;
        out->cellFormat = b->cellFormat;
        TextInto(out, b->text, b->textLength, size - static_cast<int>(offsetof(EngString, text)));
        return 0;
    }
    case ENG_CMD_OUT_TEXT: {
        if (!need(sizeof(EngOutText)))
            return -1;
        const auto* b = static_cast<const EngOutText*>(block);
        out->column = b->startColumn;
        out->line = b->line;
        out->column2 = b->endColumn;
        out->line2 = b->line2;
        out->fill = b->fill;
        out->fillCode = b->fillCode;
        return 0;
    }
    case ENG_CMD_BOX: {
        if (!need(sizeof(EngBox)))
            return -1;
        const auto* b = static_cast<const EngBox*>(block);
        out->column = b->x1;
        out->line = b->y1;
        out->column2 = b->x2;
        out->line2 = b->y2;
        out->style = b->style;
        out->number = b->value;
        return 0;
    }
    case ENG_CMD_PICTURE: {
        if (!need(sizeof(EngPicture)))
            return -1;
        const auto* b = static_cast<const EngPicture*>(block);
        out->column = b->column;
        out->line = b->line;
        out->height = b->height;
        out->width = b->widthCode;
        out->style = b->flag;
        NameInto(out, b->file, sizeof b->file);
        return 0;
    }
    case ENG_CMD_FORM_FILE: {
        if (!need(sizeof(EngFormFile)))
            return -1;
        NameInto(out, static_cast<const EngFormFile*>(block)->file, 260);
        return 0;
    }
    case ENG_CMD_FORMATTED: {
        if (!need(static_cast<int>(offsetof(EngFormatted, text))))
            return -1;
        const auto* b = static_cast<const EngFormatted*>(block);
        out->column = b->column;
        out->line = b->line;
        out->align = b->align;
        out->font = b->font;
        TextInto(out, b->text, b->textLength, size - static_cast<int>(offsetof(EngFormatted, text)));
        return 0;
    }
    case ENG_CMD_TEXT_BOX: {
        if (!need(static_cast<int>(offsetof(EngTextBox, text))))
            return -1;
        const auto* b = static_cast<const EngTextBox*>(block);
        out->column = b->column;
        out->line = b->line;
        out->style = b->style;
        out->value1 = b->value1;
        out->value2 = b->value2;
        TextInto(out, b->text, static_cast<int>(std::min<uint32_t>(static_cast<uint32_t>(b->textLength), ENGINE_TEXT_MAX)),
                 size - static_cast<int>(offsetof(EngTextBox, text)));
        return 0;
    }
    case ENG_CMD_CELL_FORMAT: {
        if (!need(sizeof(EngCellFormat)))
            return -1;
        out->cellFormat = static_cast<const EngCellFormat*>(block)->format;
        return 0;
    }
    case ENG_CMD_FONT_BASE: {
        if (!need(sizeof(EngFontBase)))
            return -1;
        const auto* b = static_cast<const EngFontBase*>(block);
        out->font = b->font;
        out->number = b->value;
        return 0;
    }
    case ENG_CMD_BLOCK_BEGIN:
    case ENG_CMD_BLOCK_FONT:
    case ENG_QUERY_BLOCK_HEIGHT: {
        if (!need(sizeof(EngTwoWords)))
            return -1;
        const auto* b = static_cast<const EngTwoWords*>(block);
        out->line = b->first;
        out->font = b->second;
        out->height = b->second;
        return 0;
    }
    case ENG_CMD_PAGE_END: {
        if (!need(sizeof(EngPageEnd)))
            return -1;
        out->number = static_cast<const EngPageEnd*>(block)->page;
        return 0;
    }
    case ENG_QUERY_METRICS:
        return need(ENGINE_METRICS_SIZE) ? 0 : -1;
    default:
        return -1;
    }
}
