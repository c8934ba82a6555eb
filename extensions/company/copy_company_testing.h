// Copying a company: the steps below the screens, for the tests. Product
// code calls only CopyCompany and the exported screens.
#pragma once

#include <cstdint>

#include "extensions/company/company.h"

// Checks, copies (mode 0 set-up data, 1 all data) and, with a list handle,
// lists the copy. 0 done; 27 refused or failed (the message was shown);
// another value a record-manager status of the company list.
BWPS1_API int CopyCompanyToFolder(const char* sourceFolder, const char* name, const char* folder,
                                  int copyMode, uint16_t listHandle);
