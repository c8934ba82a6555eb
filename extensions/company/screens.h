// The screens of the company jobs (framework forms and lists) and the state
// they share with the opening logic.
#pragma once

#include "extensions/company/company.h"

namespace bwps1 {

// State of one run of OpenCompany.
struct OpenCompanyState {
    bool chosen = false;   // a company was opened or created from the list
    bool newUser = false;  // the first-company screen ended without a company
};
OpenCompanyState& DialogState();

bool SelectCompanyFolder(const CompanyListRecord& record, int a, int b);
bool OpenDefaultCompany(uint16_t handle, int* action, CompanyListRecord& record,
                        int* defaultNotSet);

// True when the host named a company (the session's data folder is set).
bool HostGaveCompany();
void SetStatusWindowQuietFlag(int flag);
// Tells the framework the data folder of the open company.
void HandDataFolderToFramework();
int ShowFileConvert(const char* folder, int a, int b);

// The "Open Company" list; false when the dialog could not be shown.
bool RunCompanyListDialog(uint16_t handle, int pendingAction, CompanyListRecord& record);
// "RSNewUserCID": true when the record's folder was filled.
bool RunNewUserScreen(uint16_t handle, CompanyListRecord& record);

} // namespace bwps1
