// The product-code mask screen: which part of a sub-item's product code
// comes first and the character between the two parts. A mask that could
// not be written keeps the screen open.
#include <cstring>
#include <string>

#include "bwps/master_item.h"
#include "bwps/messages.h"
#include "bwps/screen_fields.h"
#include "bwps/screen_utils.h"
#include "fx.h"

namespace bwps {
namespace {

constexpr int kMessageNoSeparator = 1620;
constexpr int kKeyWrite = 0x4400;
enum Field { kOrder = 1, kSeparator };
constexpr char kOrderChoices[] = "\x01Master-Warehouse,Warehouse-Master";

struct MaskScreen {
    FxContext fx{};  // first: handlers get the context
    FxWindow window{};
    FxForm form{};
    ScreenField fields[3]{};
    CMasterItem* master = nullptr;
};

MaskScreen* g_mask = nullptr;

int OnNewRecord(void*)
{
    MaskScreen& s = *g_mask;
    if (!s.master->ReadProdMask())
        return FX_LEAVE;
    const TagProductMask& m = *s.master->GetProdMaskPtr();
    FxChoiceSet(&s.form, kOrder, m.Order == PRODUCT_MASK_WAREHOUSE_FIRST ? 2 : 1);
    const char separator[2] = {m.Separator, '\0'};
    FxFieldSet(&s.form, kSeparator, separator);
    return FX_GO_ON;
}

int OnWrite(void*)
{
    MaskScreen& s = *g_mask;
    TagProductMask& m = *s.master->GetProdMaskPtr();
    const TagProductMask before = m;
    m.Order = FxChoiceGet(&s.form, kOrder) == 2 ? PRODUCT_MASK_WAREHOUSE_FIRST : PRODUCT_MASK_MASTER_FIRST;
    const char* text = FxFieldGet(&s.form, kSeparator);
    if (text[0] == '\0' || text[0] == ' ') {
        ShowMessage(kMessageNoSeparator, 1);
        m = before;
        return FX_STAY;
    }
    m.Separator = text[0];
    if (!s.master->WriteProdMask()) {
        m = before;
        return FX_STAY;
    }
    return FX_LEAVE;
}

}  // namespace

int RunProductMask(CMasterItem* master)
{
    if (master == nullptr)
        return 0;
    MaskScreen s;
    s.master = master;
    s.fields[0] = bwps::Field(kOrder, 2, 18, "%-34sm").Prompt(721).Choices(kOrderChoices);
    s.fields[1] = bwps::Field(kSeparator, 4, 18, "%-1s").Prompt(722);
    s.fields[2] = ScreenField{};
    MaskScreen* outer = g_mask;
    g_mask = &s;
    FxAppBegin(&s.fx);
    int result = 0;
    if (FxFormLoad(&s.form, s.fields, 1) && FxWindowCreate(&s.window, 5, 4, 11, 77, 1, 1, ' ', nullptr) == 0) {
        FxWindowSetName(&s.window, "RSEditMItemPRMask");
        SetupStandardScreen(&s.form, 0, 0);
        FxSetKeyHandler(&s.form, kKeyWrite, OnWrite);
        s.form.newRecord = OnNewRecord;
        s.form.question = AskChoiceMessage;
        FxWindowAttachForm(&s.window, &s.form, 0);
        FxWindowText(&s.window, 2, 2, -1, "Code order:", 0);
        FxWindowText(&s.window, 4, 2, -1, "Separator:", 0);
        FxAppRun(&s.fx, 1);
        FxWindowClose(&s.window, 1);
        result = 1;
    }
    FxAppEnd(&s.fx);
    g_mask = outer;
    return result;
}

}  // namespace bwps
