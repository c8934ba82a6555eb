// One reset of every piece of state that the shared services keep.
#include "session/services_internal.h"

namespace bwps::detail {

void ResetServicesState()
{
    ResetSystemOptions();
    ResetFileStatus();
    ResetScreenUtils();
    ResetStatusWindows();
}

}  // namespace bwps::detail
