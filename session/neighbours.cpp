// Stand-ins for services of the lookups and the desk tools that are not in
// this build. Each is a weak definition: the real service, when it is
// compiled into bwpsbase, replaces it.
#include "bwps/neighbours.h"

#include <cstdio>

#include "fx.h"
#include "session/lookup_list.h"

namespace {

void NotAvailable(const char* what)
{
    char text[128];
    std::snprintf(text, sizeof text, "%s is not available in this build.", what);
    FxMessageBox(nullptr, text, 0, 0x40, 0);
}

}  // namespace

extern "C" {

__attribute__((weak)) BWPS_EXPORT int FlyCustomers(const char*, int, uint16_t, void*, int, int,
                                                   int, int, int, int)
{
    NotAvailable("The customer lookup");
    return 0;
}

__attribute__((weak)) BWPS_EXPORT int FlyProducts(const char*, int, uint16_t, void*, int, int, int,
                                                  int, int, int)
{
    NotAvailable("The product lookup");
    return 0;
}

__attribute__((weak)) BWPS_EXPORT int RunTextEditor(int, int, int, int, int, int32_t* result,
                                                    const char*)
{
    NotAvailable("The text editor");
    if (result != nullptr)
        *result = -1;
    return 0;
}

__attribute__((weak)) BWPS_EXPORT int LookUpProcess(LookUpDefinition* list)
{
    return list != nullptr ? bwps::RunLookupList(list, false) : 0;
}

__attribute__((weak)) BWPS_EXPORT int LookUpProcessDlg(LookUpDefinition* list, int)
{
    return list != nullptr ? bwps::RunLookupList(list, true) : 0;
}

__attribute__((weak)) BWPS_EXPORT int LookUpSendMsg(LookUpDefinition* list, int message)
{
    if (list != nullptr && message == LOOKUP_REDRAW)
        list->RedrawPending = 1;
    return 0;
}

}  // extern "C"
