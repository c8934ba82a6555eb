// The default product shared by the product editors.
#include "items/product_defaults.h"

#include <cstring>

#include "recman.h"

namespace bwps {

void BuiltInProductDefaults(TagProduct* product)
{
    std::memset(product, 0, sizeof *product);
    product->Flags262[0] = 'N';
    product->Flags262[1] = 'Y';
    product->Flags262[2] = 'N';
    product->Flags262[3] = 'N';
    product->Flags262[4] = 'N';
    product->AssemblyOnly = 'N';
    product->Byte269 = 'Y';
    product->UnitFactor = 1;
    product->Value272 = 1;
    product->Kind = 1;
    product->Status = 'A';
}

void NormaliseProductFlags(TagProduct* product)
{
    for (char& flag : product->Flags262)
        flag = flag == 'N' || flag == 'n' || flag == '\0' ? 'N' : 'Y';
}

bool ReadProductDefaults(uint16_t general, TagDefaults* stored, TagProduct* product, int lockBias, int* status)
{
    char key[256] = {};
    std::memcpy(key, GENERAL_KEY_DEFAULTS, GENERAL_KEY_SIZE);
    std::memset(stored, 0, sizeof *stored);
    int s = BtrGet(B_GET_EQUAL + lockBias, general, key, stored, static_cast<int>(sizeof *stored));
    if (s == 0 && BtrCall218(general) < static_cast<int>(sizeof *stored))
        s = B_DATA_BUFFER_TOO_SHORT;
    if (status != nullptr)
        *status = s;
    if (s != 0)
        return false;
    std::memcpy(product, stored->Product, sizeof *product);
    NormaliseProductFlags(product);
    return true;
}

void StartProductFromDefaults(TagProduct* product)
{
    std::memset(product->Code, 0, sizeof product->Code);
    product->BaselineQuantity = 0;
    product->BaselineValue = 0;
    std::memset(product->WeightUnit, 0, sizeof product->WeightUnit);
    product->Weight = 0;
    product->Status = 'A';
    if (product->Kind < 1 || product->Kind > 3)
        product->Kind = 1;
}

}  // namespace bwps
