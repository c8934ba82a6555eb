// bwpos alerts --company DIR rule-add NAME CONDITION [THRESHOLD] [--range FIELD FROM TO]
// bwpos alerts --company DIR rules | run [--date MM/DD/YYYY] | list
#include "host/alert_commands.h"

#include "host/host_framework.h"
#include "host/host_session.h"

#include "bwps/alerts.h"
#include "fx.h"
#include "recman.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace host {

namespace {

constexpr int kDataSetCurrent = 16;

const char* const kUsage =
    "usage: bwpos alerts --company DIR rule-add NAME CONDITION [THRESHOLD] [--range FIELD FROM TO]\n"
    "       bwpos alerts --company DIR rules\n"
    "       bwpos alerts --company DIR run [--date MM/DD/YYYY]\n"
    "       bwpos alerts --company DIR list\n"
    "CONDITION: balance-over, over-limit, invoice-older, layaway-due, layaway-overdue,\n"
    "           reorder, available-over, negative-stock, date-older, date-newer (or its code)\n"
    "FIELD: customer, name, zip, salesperson, account, interface, group (customers);\n"
    "       product, description, department, vendor, warehouse (products) (or its code)\n";

struct Named {
    const char* name;
    uint32_t code;
};

constexpr Named kConditions[] = {
    {"balance-over", ALERT_CUSTOMER_BALANCE_OVER}, {"over-limit", ALERT_CUSTOMER_OVER_LIMIT},
    {"invoice-older", ALERT_CUSTOMER_INVOICE_OLD}, {"layaway-due", ALERT_LAYAWAY_DUE},
    {"layaway-overdue", ALERT_LAYAWAY_OVERDUE},    {"reorder", ALERT_PRODUCT_REORDER},
    {"available-over", ALERT_PRODUCT_AVAILABLE_OVER}, {"negative-stock", ALERT_PRODUCT_NEGATIVE},
    {"date-older", ALERT_PRODUCT_DATE_OLD},        {"date-newer", ALERT_PRODUCT_DATE_RECENT},
};

constexpr Named kFields[] = {
    {"customer", ALERT_RANGE_CUSTOMER_ID},       {"name", ALERT_RANGE_CUSTOMER_NAME},
    {"zip", ALERT_RANGE_CUSTOMER_ZIP},           {"salesperson", ALERT_RANGE_CUSTOMER_SALESPERSON},
    {"account", ALERT_RANGE_CUSTOMER_ACCOUNT},   {"interface", ALERT_RANGE_CUSTOMER_INTERFACE},
    {"group", ALERT_RANGE_CUSTOMER_GROUP},       {"product", ALERT_RANGE_PRODUCT_ID},
    {"description", ALERT_RANGE_PRODUCT_DESCRIPTION}, {"department", ALERT_RANGE_PRODUCT_DEPARTMENT},
    {"vendor", ALERT_RANGE_PRODUCT_VENDOR},      {"warehouse", ALERT_RANGE_PRODUCT_WAREHOUSE},
};

int Fail(const std::string& text, int status)
{
    std::fprintf(stderr, "bwpos: %s\n", text.c_str());
    return status;
}

// A name of the table or a number (0x... allowed); false when neither.
template <size_t N>
bool Lookup(const Named (&table)[N], const std::string& text, uint32_t& code)
{
    for (const Named& n : table)
        if (text == n.name) {
            code = n.code;
            return true;
        }
    char* end = nullptr;
    const unsigned long v = std::strtoul(text.c_str(), &end, 0);
    if (text.empty() || *end != '\0' || v == 0 || v > 0xFFFFFF)
        return false;
    code = static_cast<uint32_t>(v);
    return true;
}

std::string ConditionName(uint32_t code)
{
    for (const Named& n : kConditions)
        if (n.code == code) return n.name;
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", code);
    return text;
}

std::string Trimmed(const char* text, size_t size)
{
    std::string t(text, strnlen(text, size));
    while (!t.empty() && t.back() == ' ') t.pop_back();
    return t;
}

std::string Squeezed(const char* text, size_t size)
{
    std::string out;
    for (size_t i = 0; i < size; ++i)
        if (text[i] != '\0' && text[i] != ' ') out += text[i];
        else if (!out.empty() && out.back() != ' ') out += ' ';
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

// Every record of an alert file, in key 0 order.
template <class Record>
int ReadAll(const std::string& path, std::vector<Record>& out)
{
    uint16_t h = 0;
    int status = BtrOpenFile(&h, path.c_str(), 0, 0);
    if (status != 0) return status;
    char key[ALERT_KEY_BUFFER] = {};
    Record r{};
    for (status = BtrGet(B_GET_FIRST, h, key, &r, sizeof r); status == 0; status = BtrGet(B_GET_NEXT, h, key, &r, sizeof r)) {
        out.push_back(r);
        std::memset(&r, 0, sizeof r);
    }
    BtrCloseFile(h);
    return status == B_END_OF_FILE ? 0 : status;
}

// A threshold as the alert session reads it: empty, or a number with
// blanks around it.
bool ThresholdIsNumber(const std::string& text)
{
    const size_t b = text.find_first_not_of(' ');
    if (b == std::string::npos) return true;
    const std::string t = text.substr(b, text.find_last_not_of(' ') - b + 1);
    char* end = nullptr;
    std::strtod(t.c_str(), &end);
    return end != t.c_str() && *end == '\0';
}

struct Args {
    std::string company, action, date;
    std::vector<std::string> rest;
    std::vector<std::string> range;
};

} // namespace

int RunAlertCommand(int argc, char** argv)
{
    Args a;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--company" && i + 1 < argc) a.company = argv[++i];
        else if (arg == "--date" && i + 1 < argc) a.date = argv[++i];
        else if (arg == "--range" && i + 3 < argc) {
            a.range = {argv[i + 1], argv[i + 2], argv[i + 3]};
            i += 3;
        } else if (arg.rfind("--", 0) == 0) return Fail("unknown option " + arg + "\n" + kUsage, 2);
        else if (a.action.empty()) a.action = arg;
        else a.rest.push_back(arg);
    }
    const bool add = a.action == "rule-add";
    if (a.company.empty() || (a.action != "rules" && a.action != "run" && a.action != "list" && !add) ||
        (add && (a.rest.size() < 2 || a.rest.size() > 3)) || (!add && !a.rest.empty()) ||
        (!a.range.empty() && !add) || (!a.date.empty() && a.action != "run"))
        return Fail(kUsage, 2);

    // a rule is checked before anything is opened
    AlertRuleRecord rule{};
    if (add) {
        if (a.rest[0].empty() || a.rest[0].size() >= sizeof rule.Name) return Fail("NAME has 1 to 127 characters", 2);
        std::snprintf(rule.Name, sizeof rule.Name, "%s", a.rest[0].c_str());
        uint32_t condition = 0;
        if (!Lookup(kConditions, a.rest[1], condition)) return Fail("unknown CONDITION " + a.rest[1] + "\n" + kUsage, 2);
        rule.Condition = condition;
        const std::string threshold = a.rest.size() > 2 ? a.rest[2] : "";
        if (threshold.size() >= sizeof rule.Threshold || !ThresholdIsNumber(threshold))
            return Fail("THRESHOLD must be an amount or a number of days, not \"" + threshold + "\"", 2);
        std::snprintf(rule.Threshold, sizeof rule.Threshold, "%s", threshold.c_str());
        if (!a.range.empty()) {
            uint32_t field = 0;
            if (!Lookup(kFields, a.range[0], field) || (field >> 8) != ((condition >> 8) & 0xFF))
                return Fail("FIELD " + a.range[0] + " is not a field of the rule's subjects\n" + kUsage, 2);
            rule.RangeField = field;
            if (a.range[1].size() >= sizeof rule.RangeStart || a.range[2].size() >= sizeof rule.RangeEnd)
                return Fail("FROM and TO have at most 127 characters", 2);
            std::snprintf(rule.RangeStart, sizeof rule.RangeStart, "%s", a.range[1].c_str());
            std::snprintf(rule.RangeEnd, sizeof rule.RangeEnd, "%s", a.range[2].c_str());
        }
    }
    int32_t date = 0;
    if (!a.date.empty() && (date = FxDateParse(a.date.c_str())) == 0) return Fail("--date is not a date: " + a.date, 2);

    Libraries libs;
    std::string error;
    const std::string program = ProgramFolder();
    if (!LoadLibraries(program, libs, error)) return Fail(error, 3);
    if (!CheckBaseFolder(program, libs, error)) return Fail(error, 3);
    int (*createFiles)(const char*) = reinterpret_cast<int (*)(const char*)>(dlsym(libs.base, "AlertFilesCreate"));
    int (*createSession)(AlertSessionBase**) =
        reinterpret_cast<int (*)(AlertSessionBase**)>(dlsym(libs.base, "AlertsCreateSession"));
    if (createFiles == nullptr || createSession == nullptr) return Fail("the base library has no business alerts", 3);

    std::error_code ec;
    std::string company = fs::absolute(a.company, ec).lexically_normal().string();
    if (!fs::is_directory(company, ec)) return Fail("company folder " + company + " does not exist", 4);
    if (libs.DetectDataSetVersion(company.c_str()) != kDataSetCurrent)
        return Fail("no company in " + company + " (create one with: bwpos create-company DIR NAME)", 4);
    if (company.back() != '/') company += '/';
    if (const int status = createFiles(company.c_str()); status != 0)
        return Fail("the alert files cannot be made in " + company + " (status " + std::to_string(status) + ")", 6);
    const std::string rulesPath = company + "BWBCARUL.DB";
    const std::string alertsPath = company + "BWBCALRT.DB";

    if (add) {
        uint16_t h = 0;
        int status = BtrOpenFile(&h, rulesPath.c_str(), 0, 0);
        if (status == 0) {
            char key[ALERT_KEY_BUFFER] = {};
            status = BtrWrite(B_INSERT, h, key, &rule, sizeof rule);
            BtrCloseFile(h);
        }
        if (status == B_DUPLICATE_KEY) return Fail("a rule named \"" + a.rest[0] + "\" exists already", 1);
        if (status != 0) return Fail("the rule was not added (status " + std::to_string(status) + ")", 6);
        std::printf("Rule %u \"%s\" added: %s%s%s.\n", rule.RuleId, rule.Name, ConditionName(rule.Condition).c_str(),
                    rule.Threshold[0] ? " " : "", rule.Threshold);
        return 0;
    }
    std::vector<AlertRuleRecord> rules;
    if (a.action != "list")
        if (const int status = ReadAll(rulesPath, rules); status != 0)
            return Fail("the rules cannot be read (status " + std::to_string(status) + ")", 6);
    if (a.action == "rules") {
        std::printf("%-4s  %-24s  %-16s  %-10s  %s\n", "Id", "Rule", "Condition", "Threshold", "Range");
        for (const AlertRuleRecord& r : rules) {
            std::string range;
            if (r.RangeStart[0] || r.RangeEnd[0])
                range = Trimmed(r.RangeStart, sizeof r.RangeStart) + " .. " + Trimmed(r.RangeEnd, sizeof r.RangeEnd);
            std::printf("%-4u  %-24s  %-16s  %-10s  %s\n", r.RuleId, Trimmed(r.Name, sizeof r.Name).c_str(),
                        ConditionName(r.Condition).c_str(), Trimmed(r.Threshold, sizeof r.Threshold).c_str(),
                        range.c_str());
        }
        return 0;
    }
    if (a.action == "list") {
        std::vector<AlertRecord> alerts;
        if (const int status = ReadAll(alertsPath, alerts); status != 0)
            return Fail("the alerts cannot be read (status " + std::to_string(status) + ")", 6);
        std::printf("%-4s  %-24s  %-16s  %-24s  %s\n", "Id", "Rule", "Condition", "Subject", "Figures");
        for (const AlertRecord& r : alerts) {
            char figures[160] = {};
            if (((r.Condition >> 8) & 0xFF) == ALERT_KIND_CUSTOMER) {
                AlertCustomerBlock b;
                std::memcpy(&b, r.Subject, sizeof b);
                if (r.Condition == ALERT_LAYAWAY_DUE || r.Condition == ALERT_LAYAWAY_OVERDUE) {
                    char due[11] = {};
                    FxDateFormatLong(due, b.LayawayDueDate);
                    std::snprintf(figures, sizeof figures, "due %s, %.2f", due, b.LayawayAmountDue);
                } else {
                    std::snprintf(figures, sizeof figures, "balance %.2f, limit %.2f", b.Balance, b.Limit);
                }
            } else {
                AlertProductBlock b;
                std::memcpy(&b, r.Subject, sizeof b);
                std::snprintf(figures, sizeof figures, "available %.2f, reorder at %.0f", b.Available, b.ReorderLevel);
            }
            std::printf("%-4u  %-24s  %-16s  %-24s  %s\n", r.AlertId, Trimmed(r.RuleName, sizeof r.RuleName).c_str(),
                        ConditionName(r.Condition).c_str(), Squeezed(r.SubjectKey, sizeof r.SubjectKey).c_str(),
                        figures);
        }
        return 0;
    }

    // run
    if (!UseScript("", error)) return Fail(error, 2);
    ClearTranscript();
    SetApplication("", "", "", "", company);
    libs.StartSession(program.c_str(), company.c_str());
    int reportsBefore = libs.ErrorsReported != nullptr ? libs.ErrorsReported(nullptr, nullptr, 0) : 0;
    uint16_t h = 0;
    int status = BtrOpenFile(&h, alertsPath.c_str(), 0, 0);
    if (status != 0) {
        libs.StopSession();
        return Fail("the alerts file cannot be opened (status " + std::to_string(status) + ")", 6);
    }
    AlertSessionBase* session = nullptr;
    if (createSession(&session) == 0 || session == nullptr) {
        BtrCloseFile(h);
        libs.StopSession();
        return Fail("no alert session could be made", 1);
    }
    session->Init(h, date != 0 ? date : FxToday());
    int failed = 0;
    for (const AlertRuleRecord& r : rules) {
        const int ok = session->Evaluate(&r, 0);
        std::printf("%-24s  %s\n", Trimmed(r.Name, sizeof r.Name).c_str(), ok ? "evaluated" : "NOT evaluated");
        if (!ok) ++failed;
    }
    session->Close();
    session->Release();
    BtrCloseFile(h);
    // what the session reported, one line each
    const std::string transcript = Transcript();
    for (size_t at = 0; at < transcript.size();) {
        const size_t end = transcript.find('\n', at);
        const std::string line = transcript.substr(at, end == std::string::npos ? std::string::npos : end - at);
        if (line.rfind("message ", 0) == 0) std::fprintf(stderr, "bwpos: %s\n", line.c_str());
        if (end == std::string::npos) break;
        at = end + 1;
    }
    const bool errors = libs.ErrorsReported != nullptr && libs.ErrorsReported(nullptr, nullptr, 0) > reportsBefore;
    libs.StopSession();
    std::vector<AlertRecord> alerts;
    ReadAll(alertsPath, alerts);
    std::printf("%zu rules, %d not evaluated; %zu alerts in the list.\n", rules.size(), failed, alerts.size());
    if (errors) return 6;
    return failed != 0 ? 1 : 0;
}

} // namespace host
