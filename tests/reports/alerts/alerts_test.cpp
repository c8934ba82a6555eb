// Business alerts over a small company: each condition, ranges, the
// stricter rule, layaways, a read error, a threshold that is no number, and
// the e-mail queue with its outbox.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "bwps/alerts.h"
#include "bwps/catalogue.h"
#include "bwps/messages.h"
#include "bwps/records/masters.h"
#include "bwps/records/open_items.h"
#include "fx.h"
#include "tests/setup/station_fixture.h"
#include "tests/support/privileges.h"

namespace bwps::test {
namespace {

constexpr int32_t kToday = 20260310;

class AlertsTest : public InstallationTest {
protected:
    void SetUp() override
    {
        InstallationTest::SetUp();
        CreateGeneralFile();
        for (FileNo f : {FileNo::Customers, FileNo::Salespersons, FileNo::ReceivablesOpenHeaders,
                         FileNo::ReceivablesOpenItems, FileNo::LayawayHeader, FileNo::Products, FileNo::Vendors}) {
            uint8_t spec[FILE_SPEC_SIZE] = {};
            ASSERT_EQ(CreateDataFile(No(f), 0, Folder(data_).c_str(), nullptr, spec), 0) << No(f);
        }
        ASSERT_EQ(AlertFilesCreate(Folder(data_).c_str()), 0);
        ASSERT_EQ(alerts_.Open(Folder(data_).c_str()), 0);
        FxTranscriptClear();
    }
    void TearDown() override
    {
        alerts_.Close();
        InstallationTest::TearDown();
    }

    static std::string Path(FileNo f) { return GetDataFilePath(No(f)); }
    static void Insert(FileNo f, void* record, int length)
    {
        uint16_t h = 0;
        ASSERT_EQ(BtrOpenFile(&h, Path(f).c_str(), 0, 0), 0);
        char key[255] = {};
        EXPECT_EQ(BtrWrite(B_INSERT, h, key, record, length), 0);
        BtrCloseFile(h);
    }
    static void Customer(const char* code, double balance, double limit, const char* salesperson = "")
    {
        CustomerRecord c{};
        std::memset(c.Code, ' ', sizeof c.Code - 1);
        std::memcpy(c.Code, code, std::strlen(code));
        std::snprintf(c.Name, sizeof c.Name, "Name of %s", code);
        std::snprintf(c.Salesperson, sizeof c.Salesperson, "%s", salesperson);
        c.Balance = balance;
        c.CreditLimit = limit;
        Insert(FileNo::Customers, &c, sizeof c);
    }
    static void Invoice(const char* customer, const char* document, int32_t date, double amount)
    {
        static int32_t number = 0;
        TagOpenItem o{};
        o.Number = ++number;
        std::memset(o.Customer, ' ', sizeof o.Customer - 1);
        std::memcpy(o.Customer, customer, std::strlen(customer));
        std::snprintf(o.Document, 11, "%s", document);
        o.Type = 'I';
        o.Status = 'O';
        o.DocumentDate = date;
        o.TransactionDate = date;
        o.DueDate = date;
        o.Amount = o.OpenAmount = amount;
        o.Precedence = 'A';
        Insert(FileNo::ReceivablesOpenItems, &o, sizeof o);
    }
    static void Layaway(const char* number, const char* customer, int32_t date, int days, double amount,
                        double prepaid)
    {
        LayawayRecord l{};
        std::snprintf(l.Number, sizeof l.Number, "%s", number);
        std::memset(l.Customer, ' ', sizeof l.Customer - 1);
        std::memcpy(l.Customer, customer, std::strlen(customer));
        l.Date = date;
        l.DueDays = static_cast<uint16_t>(days);
        l.Amount136 = amount;
        l.Prepayments = prepaid;
        Insert(FileNo::LayawayHeader, &l, sizeof l);
    }
    static void Product(const char* code, double onHand, double committed, uint32_t reorder, int32_t date,
                        uint8_t kind = 1)
    {
        TagProduct p{};
        std::memset(p.Code, ' ', sizeof p.Code - 1);
        std::memcpy(p.Code, code, std::strlen(code));
        std::snprintf(p.Description, sizeof p.Description, "Product %s", code);
        p.Kind = kind;
        p.Value272 = 1;
        p.Number274 = reorder;
        p.Date282 = date;
        p.Amounts[PRODUCT_QUANTITY] = onHand;
        p.Amounts[PRODUCT_SECOND_QUANTITY] = committed;
        Insert(FileNo::Products, &p, sizeof p);
    }
    static AlertRuleRecord Rule(const char* name, uint32_t condition, const char* threshold, const char* from = "",
                                const char* to = "", uint32_t field = 0)
    {
        AlertRuleRecord r{};
        std::snprintf(r.Name, sizeof r.Name, "%s", name);
        r.Condition = condition;
        std::snprintf(r.Threshold, sizeof r.Threshold, "%s", threshold);
        std::snprintf(r.RangeStart, sizeof r.RangeStart, "%s", from);
        std::snprintf(r.RangeEnd, sizeof r.RangeEnd, "%s", to);
        r.RangeField = field;
        return r;
    }
    // Evaluates the rules in one session; the answers.
    std::vector<int> Evaluate(const std::vector<AlertRuleRecord>& rules)
    {
        AlertSessionBase* session = nullptr;
        EXPECT_EQ(AlertsCreateSession(&session), 1);
        std::vector<int> answers;
        if (session == nullptr)
            return answers;
        EXPECT_EQ(session->Init(alerts_.Handle(), kToday), 1);
        for (const AlertRuleRecord& r : rules)
            answers.push_back(session->Evaluate(&r, 0));
        EXPECT_EQ(session->Close(), 1);
        session->Release();
        return answers;
    }
    // subject key (trimmed) -> rule name of every alert
    std::map<std::string, std::string> Alerts()
    {
        std::map<std::string, std::string> out;
        for (const AlertRecord& a : ReadAll<AlertRecord>(alerts_.Path(Folder(data_).c_str()))) {
            std::string squeezed;
            for (char c : a.SubjectKey)
                if (c != ' ' && c != '\0')
                    squeezed += c;
            out[squeezed] = a.RuleName;
        }
        return out;
    }
    void ClearAlerts()
    {
        alerts_.Close();
        fs::remove(alerts_.Path(Folder(data_).c_str()));
        ASSERT_EQ(alerts_.Create(Folder(data_).c_str()), 0);
        ASSERT_EQ(alerts_.Open(Folder(data_).c_str()), 0);
    }

    AlertFile alerts_;
};

using Subjects = std::map<std::string, std::string>;

TEST_F(AlertsTest, CustomerConditionsAndRanges)
{
    Customer("C1", 500, 1000);
    Customer("C2", 1500, 1000);
    Customer("C3", 50, 0);
    Invoice("C1", "INV1", 20260101, 100);   // 68 days before today
    Invoice("C2", "INV2", 20260305, 100);   // 5 days before
    const struct {
        const char* name;
        AlertRuleRecord rule;
        Subjects expected;
    } cases[] = {
        {"balance over 100", Rule("Big", ALERT_CUSTOMER_BALANCE_OVER, "100"), {{"C1", "Big"}, {"C2", "Big"}}},
        {"a negative threshold is 0", Rule("Any", ALERT_CUSTOMER_BALANCE_OVER, "-5"),
         {{"C1", "Any"}, {"C2", "Any"}, {"C3", "Any"}}},
        {"over the limit", Rule("Limit", ALERT_CUSTOMER_OVER_LIMIT, ""), {{"C2", "Limit"}, {"C3", "Limit"}}},
        {"latest invoice older than 30 days", Rule("Old", ALERT_CUSTOMER_INVOICE_OLD, "30"), {{"C1", "Old"}}},
        {"a range of one customer", Rule("One", ALERT_CUSTOMER_BALANCE_OVER, "0", "C2", "C2"), {{"C2", "One"}}},
        {"a range from C2 on", Rule("From", ALERT_CUSTOMER_BALANCE_OVER, "0", "C2"), {{"C2", "From"}, {"C3", "From"}}},
        {"a range by name", Rule("Names", ALERT_CUSTOMER_BALANCE_OVER, "0", "Name of C1", "Name of C2",
                                 ALERT_RANGE_CUSTOMER_NAME),
         {{"C1", "Names"}, {"C2", "Names"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ClearAlerts();
        EXPECT_EQ(Evaluate({c.rule}), std::vector<int>{1}) << Transcript();
        EXPECT_EQ(Alerts(), c.expected);
    }
}

TEST_F(AlertsTest, TheStricterRuleKeepsTheAlert)
{
    Customer("C1", 500, 1000);
    const AlertRuleRecord low = Rule("Over 100", ALERT_CUSTOMER_BALANCE_OVER, "100");
    const AlertRuleRecord high = Rule("Over 400", ALERT_CUSTOMER_BALANCE_OVER, "400");
    const struct {
        const char* name;
        std::vector<AlertRuleRecord> rules;
        const char* kept;
    } cases[] = {
        {"a stricter rule takes the alert over", {low, high}, "Over 400"},
        {"a looser rule leaves it", {high, low}, "Over 400"},
        {"the same rule again", {low, low}, "Over 100"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ClearAlerts();
        EXPECT_EQ(Evaluate(c.rules), (std::vector<int>{1, 1}));
        EXPECT_EQ(Alerts(), (Subjects{{"C1", c.kept}}));
    }
    // the same rule brings the alert's data up to date
    ClearAlerts();
    Evaluate({low});
    uint16_t h = 0;
    ASSERT_EQ(BtrOpenFile(&h, Path(FileNo::Customers).c_str(), 0, 0), 0);
    char key[255] = "C1        ";
    CustomerRecord c{};
    ASSERT_EQ(BtrGet(B_GET_EQUAL, h, key, &c, sizeof c), 0);
    c.Balance = 750;
    ASSERT_EQ(BtrWrite(B_UPDATE, h, key, &c, sizeof c), 0);
    BtrCloseFile(h);
    Evaluate({low});
    const auto all = ReadAll<AlertRecord>(alerts_.Path(Folder(data_).c_str()));
    ASSERT_EQ(all.size(), 1u);
    AlertCustomerBlock block;
    std::memcpy(&block, all[0].Subject, sizeof block);
    const double balance = block.Balance;
    EXPECT_EQ(balance, 750);
}

TEST_F(AlertsTest, LayawaysDueAndOverdueOnePerLayaway)
{
    Customer("C1", 0, 0);
    Customer("C2", 0, 0);
    Layaway("L1", "C1", 20260301, 12, 80, 20);  // due 03/13: in 3 days
    Layaway("L2", "C1", 20260201, 10, 50, 0);   // due 02/11: overdue
    Layaway("L3", "C1", 20260310, 30, 50, 0);   // due 04/09: later
    Layaway("L4", "C2", 20260310, 2, 10, 0);    // due 03/12
    const struct {
        const char* name;
        AlertRuleRecord rule;
        Subjects expected;
    } cases[] = {
        {"due within 5 days", Rule("Soon", ALERT_LAYAWAY_DUE, "5"), {{"C1L1", "Soon"}, {"C2L4", "Soon"}}},
        {"overdue", Rule("Late", ALERT_LAYAWAY_OVERDUE, ""), {{"C1L2", "Late"}}},
        {"due within 60 days, one alert per layaway", Rule("All", ALERT_LAYAWAY_DUE, "60"),
         {{"C1L1", "All"}, {"C1L3", "All"}, {"C2L4", "All"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ClearAlerts();
        EXPECT_EQ(Evaluate({c.rule}), std::vector<int>{1}) << Transcript();
        EXPECT_EQ(Alerts(), c.expected);
    }
    ClearAlerts();
    Evaluate({Rule("Soon", ALERT_LAYAWAY_DUE, "5", "C1", "C1")});
    const auto all = ReadAll<AlertRecord>(alerts_.Path(Folder(data_).c_str()));
    ASSERT_EQ(all.size(), 1u);
    AlertCustomerBlock block;
    std::memcpy(&block, all[0].Subject, sizeof block);
    const int32_t due = block.LayawayDueDate;
    const double amount = block.LayawayAmountDue;
    EXPECT_EQ(due, 20260313);
    EXPECT_EQ(amount, 60);
}

TEST_F(AlertsTest, ProductConditions)
{
    Product("P1", 2, 0, 5, 20260101);     // below its reorder level; dated 68 days ago
    Product("P2", 1, 0, 5, 0, 2);         // non-inventory: no stock alerts
    Product("P3", 1, 4, 0, 20260308);     // negative available; dated 2 days ago
    Product("P4", 20, 5, 3, 0);           // 15 available
    const struct {
        const char* name;
        AlertRuleRecord rule;
        Subjects expected;
    } cases[] = {
        {"below the reorder level", Rule("Reorder", ALERT_PRODUCT_REORDER, ""), {{"P1", "Reorder"}}},
        {"available over 10", Rule("Plenty", ALERT_PRODUCT_AVAILABLE_OVER, "10"), {{"P4", "Plenty"}}},
        {"negative", Rule("Short", ALERT_PRODUCT_NEGATIVE, ""), {{"P3", "Short"}}},
        {"dated more than 30 days ago", Rule("Old", ALERT_PRODUCT_DATE_OLD, "30"), {{"P1", "Old"}}},
        {"dated within 5 days", Rule("New", ALERT_PRODUCT_DATE_RECENT, "5"), {{"P3", "New"}}},
        {"a range of products", Rule("Range", ALERT_PRODUCT_DATE_OLD, "0", "P2", "P3"), {{"P3", "Range"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ClearAlerts();
        EXPECT_EQ(Evaluate({c.rule}), std::vector<int>{1}) << Transcript();
        EXPECT_EQ(Alerts(), c.expected);
    }
}

TEST_F(AlertsTest, RulesThatAreNotEvaluated)
{
    Customer("C1", 500, 1000);
    const struct {
        const char* name;
        AlertRuleRecord rule;
        bool reported;
    } cases[] = {
        {"a threshold that is no number", Rule("Bad", ALERT_CUSTOMER_BALANCE_OVER, "12x"), true},
        {"a threshold of words", Rule("Words", ALERT_CUSTOMER_BALANCE_OVER, "many"), true},
        {"a class the session does not evaluate", Rule("Other", 0x10201, "1"), false},
        {"an unknown subject kind", Rule("Kind", 0xd0301, "1"), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ClearAlerts();
        FxTranscriptClear();
        EXPECT_EQ(Evaluate({c.rule}), std::vector<int>{0});
        EXPECT_TRUE(Alerts().empty());
        EXPECT_EQ(Transcript().find("is not a number") != std::string::npos, c.reported) << Transcript();
    }
}

TEST_F(AlertsTest, AReadErrorOrAFailedAddAnswersFalseAndIsReported)
{
    Customer("C1", 500, 1000);
    Customer("C2", 600, 1000);
    Customer("C3", 700, 1000);
    RecmanReset();
    alerts_.Close();
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(Path(FileNo::Customers).c_str(), &db), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(db, "UPDATE rec SET data = X'00' WHERE pos = 2", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
    }
    ASSERT_EQ(alerts_.Open(Folder(data_).c_str()), 0);
    const int reportsBefore = RecordManagerErrorsReported(nullptr, nullptr, 0);
    EXPECT_EQ(Evaluate({Rule("Big", ALERT_CUSTOMER_BALANCE_OVER, "100")}), std::vector<int>{0}) << Transcript();
    EXPECT_GT(RecordManagerErrorsReported(nullptr, nullptr, 0), reportsBefore);
    EXPECT_EQ(Alerts(), (Subjects{{"C1", "Big"}})) << "the walk stops at the damaged record";

    // an alert file that takes no writes
    ClearAlerts();
    const std::string alertsPath = alerts_.Path(Folder(data_).c_str());
    alerts_.Close();
    RecmanReset();
    ASSERT_TRUE(bwpstest::GiveToUnprivileged(root_.string()));
    ASSERT_EQ(::chmod(alertsPath.c_str(), 0444), 0);
    const int answer = bwpstest::RunUnprivileged([&]() {
        if (alerts_.Open(Folder(data_).c_str()) != 0)
            return 1;
        const int reports = RecordManagerErrorsReported(nullptr, nullptr, 0);
        AlertSessionBase* session = nullptr;
        AlertsCreateSession(&session);
        session->Init(alerts_.Handle(), kToday);
        const AlertRuleRecord rule = Rule("Big", ALERT_CUSTOMER_BALANCE_OVER, "100", "C1", "C1");
        const int evaluated = session->Evaluate(&rule, 0);
        session->Release();
        if (evaluated != 0)
            return 2;
        return RecordManagerErrorsReported(nullptr, nullptr, 0) > reports ? 0 : 3;
    });
    EXPECT_EQ(answer, 0);
}

TEST_F(AlertsTest, AMissingDataFileIsReportedAndTheRuleAnswersFalse)
{
    Customer("C1", 500, 1000);
    fs::remove(Path(FileNo::LayawayHeader));
    EXPECT_EQ(Evaluate({Rule("Big", ALERT_CUSTOMER_BALANCE_OVER, "100")}), std::vector<int>{0});
    EXPECT_NE(Transcript().find("Btrieve Error #  12"), std::string::npos) << Transcript();
    EXPECT_TRUE(Alerts().empty());
}

// ---------------------------------------------------------------- e-mail

AlertEmailMessage Message(const char* name, const char* subject, const char* body)
{
    AlertEmailMessage m{};
    std::snprintf(m.Name, sizeof m.Name, "%s", name);
    std::snprintf(m.From, sizeof m.From, "store@example.com");
    std::snprintf(m.To, sizeof m.To, "owner@example.com");
    std::snprintf(m.Subject, sizeof m.Subject, "%s", subject);
    std::snprintf(m.Body, sizeof m.Body, "%s", body);
    m.Flag1 = 'Y';
    m.Flag2 = 2;
    return m;
}

TEST(AlertEmailPackTest, PackedTextsComeBackAndOverlongTextsAreRefused)
{
    AlertEmailMessage m = Message("Daily", "Alerts of the day", "Two customers are over their limit.");
    AlertEmailRecord r;
    const int length = AlertEmailFile::Pack(m, r);
    EXPECT_EQ(length, ALERT_EMAIL_FIXED_SIZE + static_cast<int>(r.TextsLength));
    AlertEmailMessage back;
    ASSERT_TRUE(AlertEmailFile::Unpack(r, length, back));
    EXPECT_STREQ(back.Subject, "Alerts of the day");
    EXPECT_STREQ(back.Body, m.Body);
    EXPECT_EQ(back.Flag1, 'Y');
    EXPECT_EQ(back.Flag2, 2);
    EXPECT_FALSE(AlertEmailFile::Unpack(r, length - 1, back)) << "a cut record";

    // every text at its longest does not fit the record: refused, not overrun
    AlertEmailMessage full{};
    std::memset(full.To, 'a', sizeof full.To - 1);
    std::memset(full.Cc, 'b', sizeof full.Cc - 1);
    std::memset(full.Bcc, 'c', sizeof full.Bcc - 1);
    std::memset(full.Body, 'd', sizeof full.Body - 1);
    EXPECT_EQ(AlertEmailFile::Pack(full, r), 0);
}

TEST(AlertEmailPackTest, HeaderValuesStayOnTheirLine)
{
    AlertEmailMessage m = Message("x", "Hello\r\nBcc: everyone@example.com", "line 1\nline 2");
    const std::string eml = bwps::alerts::EmlText(m);
    EXPECT_NE(eml.find("Subject: Hello  Bcc: everyone@example.com\r\n"), std::string::npos) << eml;
    EXPECT_EQ(eml.find("\r\nBcc:"), std::string::npos) << eml;
    EXPECT_NE(eml.find("\r\n\r\nline 1\r\nline 2\r\n"), std::string::npos) << eml;
}

TEST_F(AlertsTest, EmailSaveUpdatesByNameAndWritesTheOutbox)
{
    AlertEmailFile email;
    const std::string folder = Folder(data_);
    ASSERT_EQ(email.Open(folder.c_str()), 0);
    ASSERT_EQ(email.Save(Message("Daily/../x", "First", "one"), folder.c_str()), 0);
    const uint32_t id = email.record.Id;
    EXPECT_GT(id, 0u);
    ASSERT_EQ(email.Save(Message("daily/../X", "Second", "two"), folder.c_str()), 0) << "names ignore case";
    const uint32_t kept = email.record.Id;
    EXPECT_EQ(kept, id) << "an update keeps the id";
    const fs::path eml = data_ / "OUTBOX" / "daily_.._x.eml";
    std::ifstream in(eml, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    EXPECT_NE(s.str().find("Subject: Second\r\n"), std::string::npos) << s.str();
    EXPECT_FALSE(fs::exists(data_ / "x.eml"));
    EXPECT_EQ(email.Delete("DAILY/../X", folder.c_str()), 0);
    EXPECT_FALSE(fs::exists(eml));
    EXPECT_EQ(email.Delete("never saved", folder.c_str()), 0) << "a missing message counts as deleted";
    const auto rest = ReadAll<AlertEmailRecord>(email.Path(folder.c_str()));
    EXPECT_TRUE(rest.empty());
}

TEST_F(AlertsTest, WorkFilesTakeTheFirstFreeNumberAndGoWithTheirObject)
{
    const std::string folder = Folder(data_);
    {
        AlertFile work;
        ASSERT_EQ(work.CreateWorkFile(folder.c_str()), 0);
        EXPECT_TRUE(fs::exists(data_ / "alerts.001"));
        AlertRecord a{};
        std::snprintf(a.SubjectKey, sizeof a.SubjectKey, "C1");
        EXPECT_EQ(work.Add(a), 0);
    }
    EXPECT_FALSE(fs::exists(data_ / "alerts.001"));
    uint8_t prefs[ALERT_PREFS_SIZE] = {1, 2, 3};
    AlertPrefsFile file(folder.c_str());
    ASSERT_TRUE(file.Write(prefs));
    uint8_t back[ALERT_PREFS_SIZE] = {};
    ASSERT_TRUE(file.Read(back));
    EXPECT_EQ(std::memcmp(prefs, back, sizeof prefs), 0);
}

}  // namespace
}  // namespace bwps::test
