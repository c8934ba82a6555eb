// The services the sale entry calls around a transaction, run over a
// throw-away installation: what reaches the drawer and printer ports (the
// port files), the drawer and layaway records, the station options and the
// small text utilities.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "bwps/catalogue.h"
#include "bwps/pos_transaction.h"
#include "bwps/table.h"
#include "fx.h"
#include "tests/setup/station_fixture.h"

namespace bwps::test {
namespace {

// Drawer codes whose low bytes go to the port (0x141: a code above a byte).
constexpr int16_t kCodes[POS_DRAWER_CODES] = {27, 112, 0, 25, 250, 0x141, 0, 0, 0, 0, 0, 7};

class PosTransactionTest : public InstallationTest {
protected:
    void SetUp() override
    {
        InstallationTest::SetUp();
        FxSetDeviceFolder(Folder(data_).c_str());
        context_ = std::make_unique<PosTransactionContext>();
        std::memset(context_.get(), 0, sizeof *context_);
        std::memset(&drawer_, 0, sizeof drawer_);
        std::memcpy(drawer_.drawerCodes, kCodes, sizeof kCodes);
        context_->Drawer = &drawer_;
        context_->HasDrawer = 1;
        context_->DrawerKey = 1;
        screen_.Transaction = context_.get();
        FxTranscriptClear();
    }

    void TearDown() override
    {
        FxSetDeviceFolder(nullptr);
        InstallationTest::TearDown();
    }

    std::string PortFile(const char* name) const
    {
        std::ifstream in(data_ / name, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    void RemovePortFiles() const
    {
        for (const char* name : {"LPT1.out", "LPT2.out", "LPT3.out", "COM1.out", "COM2.out", "COM3.out"})
            fs::remove(data_ / name);
    }
    // Every port file that holds something, "NAME:bytes" joined by blanks.
    std::string PortOutput() const
    {
        std::string all;
        for (const char* name : {"LPT1.out", "LPT2.out", "LPT3.out", "COM1.out", "COM2.out", "COM3.out"})
            if (fs::exists(data_ / name) && fs::file_size(data_ / name) > 0)
                all += (all.empty() ? "" : " ") + std::string(name) + ":" + PortFile(name);
        return all;
    }
    void Settings(const std::string& text) const
    {
        std::ofstream(program_ / "bwwreg.ini") << text;
    }
    void Script(const std::string& text) { ASSERT_EQ(FxScriptLoad(text.c_str()), 0); }
    // A receipt-printer set-up as the host stores it: the report goes to the
    // station's first printer, whose port is given; the company record the
    // report's heading reads is there.
    void PrinterSetUp(TextReportState& state, uint8_t port)
    {
        if (!fs::exists(data_ / "BPOSGNRL.DB")) {
            CreateGeneralFile();
            uint8_t company[GENERAL_COMPANY_SIZE] = {};
            std::memcpy(company, GENERAL_KEY_COMPANY, GENERAL_KEY_SIZE - 1);
            PutGeneralRecord(company, sizeof company);
        }
        GetDefaultProfileName(GetSessionPaths()->StationPrinters);
        const fs::path stations = base_ / "BPOSSTN.DB";
        for (StationRecord record : ReadAll<StationRecord>(stations)) {
            record.printers[0].port = port;
            EXPECT_EQ(bwpstest::PutRecord(stations.string(), record.id, sizeof record.id, &record,
                                          sizeof record),
                      0);
        }
        state.PresetDestination = 2;
        state.PrinterChoice = 1;
        state.Quiet = 1;
    }
    bool Shows(const std::string& text) const { return Transcript().find(text) != std::string::npos; }

    std::unique_ptr<PosTransactionContext> context_;
    CashRegisterRecord drawer_{};
    PosScreenContext screen_{};
};

std::string CodeBytes(std::size_t count)
{
    std::string bytes;
    for (std::size_t i = 0; i < count; ++i)
        bytes += static_cast<char>(i < POS_DRAWER_CODES ? kCodes[i] & 0xFF : 0);
    return bytes;
}

// ------------------------------------------------------------ the drawer

TEST_F(PosTransactionTest, DrawerPortsSkipFlagAndTransactionKinds)
{
    const std::string parallel = CodeBytes(POS_DRAWER_CODES);
    const std::string serial = CodeBytes(POS_DRAWER_BUFFER);
    struct Case {
        const char* what;
        int16_t port;
        uint8_t skip;
        uint8_t kind;
        int16_t hasDrawer;
        std::string output;
    } cases[] = {
        {"no port", 0, 0, 1, 1, ""},
        {"port 1: the device call on its first port", 1, 0, 1, 1, "LPT1.out:" + parallel},
        {"port 1 with the skip flag: the host opens it", 1, 1, 1, 1, ""},
        {"port 2 with the skip flag", 2, 1, 1, 1, "LPT2.out:" + parallel},
        {"port 3", 3, 0, 1, 1, "LPT3.out:" + parallel},
        {"port 4: the first serial port", 4, 0, 1, 1, "COM1.out:" + serial},
        {"port 5: serial port 1", 5, 0, 1, 1, "COM2.out:" + serial},
        {"a transaction of kind 2", 1, 0, 2, 1, ""},
        {"a transaction of kind 6", 5, 0, 6, 1, ""},
        {"a station without a drawer", 1, 0, 1, 0, ""},
        {"a port number below 0", -1, 0, 1, 1, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RemovePortFiles();
        drawer_.drawerPort = c.port;
        context_->Stored[0].DrawerSkip = c.skip;
        context_->TransactionKind = c.kind;
        context_->HasDrawer = c.hasDrawer;
        EXPECT_EQ(SetupCashDrawerPort(context_.get()), 0);
        EXPECT_EQ(PortOutput(), c.output);
    }
}

TEST_F(PosTransactionTest, ASerialDrawerIsSetUpFirstOnlyWhenTheSettingsSaySo)
{
    drawer_.drawerPort = 5;
    struct Case {
        const char* settings;
        bool setUp;
    } cases[] = {
        {nullptr, false},
        {"[CashDrawer]\nInitComPort=1\n", true},
        {"; drawer\n[ cashdrawer ]\n  initcomport = 1 \n", true},
        {"[CashDrawer]\nInitComPort=0\n", false},
        {"[CashDrawer]\nInitComPort=yes\n", false},
        {"[Display]\nInitComPort=1\n[CashDrawer]\nOther=1\n", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.settings != nullptr ? c.settings : "no settings file");
        fs::remove(program_ / "bwwreg.ini");
        if (c.settings != nullptr)
            Settings(c.settings);
        FxTranscriptClear();
        EXPECT_EQ(WRegGetSetting("CashDrawer", "InitComPort", 0), c.setUp ? 1 : 0);
        SetupCashDrawerPort(context_.get());
        EXPECT_EQ(Shows("serial open COM2 67"), c.setUp) << Transcript();
        EXPECT_TRUE(Shows("serial close COM2")) << Transcript();
    }
}

TEST_F(PosTransactionTest, TheDrawerKeyOpensTheDrawerWhenTheStationAllowsIt)
{
    drawer_.drawerPort = 2;
    context_->DrawerKey = 0;
    EXPECT_EQ(OnOpenDrawerKey(&screen_), FX_STAY);
    EXPECT_EQ(PortOutput(), "");
    context_->DrawerKey = 1;
    EXPECT_EQ(OnOpenDrawerKey(&screen_), FX_STAY);
    EXPECT_EQ(PortOutput(), "LPT2.out:" + CodeBytes(POS_DRAWER_CODES));
}

TEST_F(PosTransactionTest, DrawerRecordsFoundAndMissing)
{
    ASSERT_EQ(CreateStationFiles(), 1);  // register 1, no port, first code 7
    {
        Table drawers;
        ASSERT_TRUE(drawers.Open(FileNo::CashRegisters).Ok());
        CashRegisterRecord third{};
        third.registerNumber = 3;
        third.drawerPort = 2;
        third.drawerCodes[0] = 27;
        ASSERT_TRUE(drawers.Insert(third).Ok());
    }
    struct Case {
        int32_t number;
        bool found;
        int16_t port;
        int16_t firstCode;
    } cases[] = {
        {3, true, 2, 27},
        {1, true, 0, 7},
        {9, false, 0, 7},
        // Only the register numbers of the file's 16-bit key name a drawer:
        // 65539 is not register 3.
        {65539, false, 0, 7},
        {-65535, false, 0, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.number);
        CashRegisterRecord record;
        std::memset(&record, 0x5A, sizeof record);
        EXPECT_EQ(ReadDrawerRecord(c.number, &record), c.found ? 1 : 0);
        EXPECT_EQ(record.drawerPort, c.port);
        EXPECT_EQ(record.drawerCodes[0], c.firstCode);
        if (!c.found) {
            CashRegisterRecord cleared{};
            cleared.drawerCodes[0] = 7;
            EXPECT_EQ(std::memcmp(&record, &cleared, sizeof record), 0);
        }
    }
}

// ------------------------------------------------------------ the printer

TEST_F(PosTransactionTest, PrinterTestLines)
{
    // The printer's normal-mode codes go out when the report opens and when
    // it closes: to a parallel port as 24 codes, to a serial one as text.
    const std::string codes = "\x12" + std::string(23, '\0');
    const std::string a = std::string(23, 'A') + "\r";
    const std::string b = std::string(23, 'B') + "\r";
    const std::string c = std::string(23, 'C') + "\r";
    struct Case {
        const char* what;
        uint8_t port;
        const char* script;
        std::string output;
    } cases[] = {
        {"one line", 1, "answer Print\nanswer Done\n", "LPT1.out:" + codes + a + codes},
        {"the next letters", 1, "answer Print\nanswer Next Letter\nanswer Next Letter\nanswer Done\n",
         "LPT1.out:" + codes + a + b + c + codes},
        {"cancelled after a line", 2, "answer Print\nanswer Next Letter\nanswer Cancel\n",
         "LPT2.out:" + codes + a + b + codes},
        {"a serial printer", 5, "answer Print\nanswer Done\n", "COM2.out:\x12" + a + "\x12"},
        {"not printed", 1, "answer Cancel\n", ""},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        RemovePortFiles();
        PrinterSetUp(context_->Working.State, k.port);
        context_->Printer = &context_->Working.State;
        Script(k.script);
        EXPECT_EQ(RunPrinterTest(&screen_), FX_STAY);
        EXPECT_EQ(PortOutput(), k.output) << Transcript();
        EXPECT_EQ(FxScriptRemaining(), 0);
    }
}

TEST_F(PosTransactionTest, APrinterTestThatCannotOpenThePortWritesNothing)
{
    FxSetDeviceFolder(nullptr);
    FxSetDataFolder("");
    PrinterSetUp(context_->Working.State, 1);
    context_->Printer = &context_->Working.State;
    Script("answer Print\nanswer Cancel\n");  // the port is not ready: cancel
    EXPECT_EQ(RunPrinterTest(&screen_), FX_STAY);
    EXPECT_EQ(PortOutput(), "");
    EXPECT_EQ(FxScriptRemaining(), 0);
    EXPECT_FALSE(Shows("Printer test\\nThe test line was printed.")) << Transcript();
}

TEST_F(PosTransactionTest, ChooseInvoiceKindCopiesTheStoredSetUp)
{
    for (int i = 0; i < POS_STORED_REPORTS; ++i)
        context_->Stored[i].State.Port = static_cast<uint8_t>(i + 1);
    struct Case {
        int16_t kind1, kind2;
        const char* script;
        int16_t result;
    } cases[] = {
        {0, 0, "", 0},
        {1, 5, "", 0},
        {2, 0, "answer First Form\n", 0},
        {0, 3, "answer Second Form\n", 2},
        {4, 4, "answer Third Form\n", 3},
        {2, 0, "key Esc\n", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        context_->DocumentKind1 = c.kind1;
        context_->DocumentKind2 = c.kind2;
        context_->Working.State.Port = 0;
        FxTranscriptClear();
        Script(c.script);
        EXPECT_EQ(ChooseInvoiceKind(context_.get()), c.result);
        EXPECT_EQ(context_->Working.State.Port, c.result + 1);
        EXPECT_EQ(Shows("Print the sale with which form?"), c.script[0] != '\0') << Transcript();
        EXPECT_EQ(FxScriptRemaining(), 0);
    }
}

TEST_F(PosTransactionTest, StationOptions)
{
    PrinterSetUp(context_->Stored[0].State, 2);
    struct Case {
        const char* script;
        uint8_t option;
        std::string output;
        const char* shown;
    } cases[] = {
        {"answer Option On\n", 1, "", nullptr},
        {"answer Option Off\n", 0, "", nullptr},
        // The banner editor opens the message codes, which this company lacks.
        {"answer Banners\n", 7, "", "BPOSMSGS.DB"},
        {"answer Test Printer\nanswer Print\nanswer Done\n", 7,
         "LPT2.out:\x12" + std::string(23, '\0') + std::string(23, 'A') + "\r\x12" + std::string(23, '\0'),
         nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        RemovePortFiles();
        context_->StationOption = 7;
        FxTranscriptClear();
        Script(c.script);
        EXPECT_EQ(OnStationOptionsKey(&screen_), FX_STAY);
        EXPECT_EQ(context_->StationOption, c.option);
        EXPECT_EQ(PortOutput(), c.output) << Transcript();
        if (c.shown != nullptr) {
            EXPECT_TRUE(Shows(c.shown)) << Transcript();
        }
    }
    // The printer test of the options writes to the working set-up.
    EXPECT_EQ(context_->Printer, &context_->Working.State);
}

// ------------------------------------------------------------ layaways

class LayawayTest : public PosTransactionTest {
protected:
    void SetUp() override
    {
        PosTransactionTest::SetUp();
        uint8_t spec[FILE_SPEC_SIZE] = {};
        ASSERT_EQ(CreateDataFile(No(FileNo::LayawayHeader), 0, nullptr, nullptr, spec), 0);
    }

    void PutLayaway(const char* number, uint8_t status, const std::string& receipt)
    {
        PosLayawayHeader header{};
        std::memcpy(header.Number, number, std::strlen(number));
        header.Status = status;
        std::memcpy(header.FinalReceipt, receipt.data(), std::min(receipt.size(), sizeof header.FinalReceipt));
        Table file;
        ASSERT_TRUE(file.Open(FileNo::LayawayHeader).Ok());
        ASSERT_TRUE(file.Insert(header).Ok());
    }
};

TEST_F(LayawayTest, ReadLayawayHeaderGivesTheStatusByte)
{
    PutLayaway("L000000001", 'F', "R0000123");
    PutLayaway("L000000002", 0, "");
    struct Case {
        std::string number;
        int result;
        const char* receipt;
    } cases[] = {
        {"L000000001", 'F', "R0000123"},
        {"L000000002", 0, ""},
        {"L000000009", 0, ""},
        {std::string(400, 'L'), 0, ""},  // longer than any key: found nowhere
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.number.substr(0, 12));
        PosLayawayHeader header;
        std::memset(&header, 0x5A, sizeof header);
        EXPECT_EQ(ReadLayawayHeader(c.number.c_str(), &header), c.result);
        EXPECT_STREQ(header.FinalReceipt, c.receipt);
    }
}

TEST_F(LayawayTest, AMissingLayawayFileIsReported)
{
    fs::remove(GetDataFilePath(No(FileNo::LayawayHeader)));
    PosLayawayHeader header{};
    EXPECT_EQ(ReadLayawayHeader("L000000001", &header), 0);
    EXPECT_TRUE(Shows("#  12 on file ") && Shows("/BPOSLAYH.DB")) << Transcript();
}

TEST_F(LayawayTest, TheFinalizedLayawayBoxNamesTheFinalReceipt)
{
    struct Case {
        std::string receipt;
        std::string shown;
    } cases[] = {
        {"R0000123", "is R0000123\\n"},
        // A receipt number that fills its field to the record's end.
        {"R12345678901234", "is R12345678901234\\n"},
    };
    for (const Case& c : cases) {
        PosLayawayHeader header;
        std::memset(&header, 'X', sizeof header);
        std::memset(header.FinalReceipt, 0, sizeof header.FinalReceipt);
        std::memcpy(header.FinalReceipt, c.receipt.data(), c.receipt.size());
        FxTranscriptClear();
        CheckLayawayNotFinal(header);
        EXPECT_TRUE(Shows("You cannot issue any transaction on a finalized layaway entry.")) << Transcript();
        EXPECT_TRUE(Shows("The final Receipt Number for this layaway " + c.shown)) << Transcript();
    }
}

// ------------------------------------------------------------ utilities

TEST_F(PosTransactionTest, BlankFillAndEmptyTexts)
{
    struct Fill {
        const char* text;
        int width;
        const char* after;
    } fills[] = {
        {"", 11, "          "}, {"   ", 6, "     "}, {"ABC", 11, "ABC"}, {"", 1, ""}, {"", 0, ""},
    };
    for (const Fill& f : fills) {
        char text[32] = {};
        std::snprintf(text, sizeof text, "%s", f.text);
        EXPECT_EQ(BlankFillIfEmpty(text, f.width), 0);
        EXPECT_STREQ(text, f.after) << "width " << f.width;
    }

    struct Pair {
        const char* first;
        const char* second;
        int empty;
    } pairs[] = {{"", "", 1}, {"  ", "   ", 1}, {"A", "", 0}, {"", "B", 0}};
    for (const Pair& p : pairs) {
        PosTextPair block;
        std::memset(&block, 0, sizeof block);
        std::memset(block.Head, 'H', sizeof block.Head);
        std::snprintf(block.First, sizeof block.First, "%s", p.first);
        std::snprintf(block.Second, sizeof block.Second, "%s", p.second);
        EXPECT_EQ(BothTextsEmpty(block), p.empty) << "'" << p.first << "' '" << p.second << "'";
    }

    char number[32] = {};
    EXPECT_EQ(FormatNumberText(2, "%10.2f", number, 1234.5), 0);
    EXPECT_NE(std::string(number).find("1234.50"), std::string::npos) << number;
}

TEST_F(PosTransactionTest, NumberedTextWindowFormatsOnlyTheNumber)
{
    const char* lines[] = {"Transaction %d of the station", "100% of the sale, %s and %n as written",
                           "%d and %d again"};
    for (int i = 0; i < 3; ++i)
        FxResourceAdd(FX_RES_TEXTLIST, POS_NUMBERED_TEXT_LIST, i, lines[i],
                      static_cast<int>(std::strlen(lines[i]) + 1));
    Script("key Enter\n");
    ShowNumberedTextWindow(42);
    EXPECT_TRUE(Shows("\"Transaction 42 of the station\"")) << Transcript();
    EXPECT_TRUE(Shows("\"100% of the sale, %s and %n as written\"")) << Transcript();
    EXPECT_TRUE(Shows("\"42 and 42 again\"")) << Transcript();
    EXPECT_EQ(FxScriptRemaining(), 0);
    EXPECT_TRUE(Shows("window close")) << Transcript();
}

TEST_F(PosTransactionTest, NoNumberedTextNoWindow)
{
    ShowNumberedTextWindow(1);
    EXPECT_FALSE(Shows("window open")) << Transcript();
}

}  // namespace
}  // namespace bwps::test
