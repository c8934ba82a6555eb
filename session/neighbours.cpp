// Stand-ins for services of the desk tools that are not in this build. Each is a weak definition: the real service, when it is
// compiled into bwpsbase, replaces it.
#include "bwps/neighbours.h"

#include <cstdio>

#include "fx.h"

namespace {

void NotAvailable(const char* what)
{
    char text[128];
    std::snprintf(text, sizeof text, "%s is not available in this build.", what);
    FxMessageBox(nullptr, text, 0, 0x40, 0);
}

}  // namespace

extern "C" {

__attribute__((weak)) BWPS_EXPORT int RunTextEditor(int, int, int, int, int, int32_t* result,
                                                    const char*)
{
    NotAvailable("The text editor");
    if (result != nullptr)
        *result = -1;
    return 0;
}

}  // extern "C"
