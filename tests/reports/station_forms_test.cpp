// The station file BPOSSTN.DB: creation with the built-in "DEFAULT"
// station, and the upgrade of station files of older releases.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "bwps/records.h"
#include "bwps/reports.h"
#include "bwps/stations.h"
#include "reports/station_layouts.h"
#include "tests/setup/station_fixture.h"

namespace bwps::test {
namespace {

using stations::StationRecord1017;
using stations::StationRecord1291;

std::string Text(const char* field, std::size_t size)
{
    return std::string(field, strnlen(field, size));
}

template <std::size_t N>
void Put(char (&field)[N], const char* text)
{
    std::memset(field, 0, N);
    std::memcpy(field, text, std::min(std::strlen(text), N - 1));
}

class StationFormsTest : public InstallationTest {
protected:
    fs::path StationPath() const { return base_ / "BPOSSTN.DB"; }

    // A station file of the given record length holding raw records.
    static void WriteOldFile(const fs::path& path, int recordLength,
                             const std::vector<std::vector<uint8_t>>& records)
    {
        TagFileSpec spec{};
        spec.RecordLength = static_cast<uint16_t>(recordLength);
        spec.PageSize = 4096;
        spec.KeyCount = 1;
        TagKeySegment key{};
        key.Position = 1;
        key.Length = 15;
        key.Flags = KF_MODIFIABLE;
        key.Type = KT_STRING;
        ASSERT_EQ(BtrCreateFile(path.c_str(), &spec, &key), 0);
        uint16_t handle = 0;
        ASSERT_EQ(BtrOpenFile(&handle, path.c_str(), 0, 0), 0);
        for (auto record : records) {
            record.resize(recordLength);
            char k[255] = {};
            ASSERT_EQ(BtrWrite(B_INSERT, handle, k, record.data(), recordLength), 0);
        }
        BtrCloseFile(handle);
    }

    template <typename Record>
    static std::vector<uint8_t> Bytes(const Record& record)
    {
        const auto* p = reinterpret_cast<const uint8_t*>(&record);
        return std::vector<uint8_t>(p, p + sizeof record);
    }

    int RecordLength(const fs::path& path)
    {
        uint16_t handle = 0;
        if (BtrOpenFile(&handle, path.c_str(), 0, 0) != 0)
            return -1;
        std::vector<uint8_t> stat(RECMAN_STAT_BUFFER);
        BtrStat(handle, stat.data());
        BtrCloseFile(handle);
        uint16_t length = 0;
        std::memcpy(&length, stat.data(), 2);
        return length;
    }

    // Opens through the conversion and reads every station.
    std::vector<StationRecord> Convert(int expectedStatus = 0)
    {
        uint16_t handle = 0;
        const int status = ConvertDocumentForms(Folder(base_).c_str(), &handle, 0);
        EXPECT_EQ(status, expectedStatus);
        if (status == 0)
            BtrCloseFile(handle);
        EXPECT_FALSE(fs::exists(base_ / "stntemp.db"));
        return ReadAll<StationRecord>(StationPath());
    }

    static StationRecord1017 Old1017(const char* id, char drive1, char drive2)
    {
        StationRecord1017 old{};
        std::memset(old.id, ' ', 14);
        std::memcpy(old.id, id, std::strlen(id));
        for (int i = 0; i < 50; ++i)
            old.colours[i] = static_cast<uint8_t>(i + 1);
        old.flags15[2] = 9;
        for (int p = 0; p < 4; ++p) {
            auto& printer = old.printers[p];
            std::snprintf(printer.name, sizeof printer.name, "PRN%d", p);
            printer.flag15 = 'Y';
            printer.port = static_cast<uint8_t>(p + 1);
            printer.word17 = static_cast<uint16_t>(100 + p);
            printer.linesPerPage = 66;
            printer.normalCodes[0] = static_cast<uint16_t>(27 + p);
            printer.normalCodes[23] = 0x1234;
            printer.condensedCodes[0] = 15;
            printer.condensedCodes[23] = 0x4321;
        }
        Put(old.name537, "BACKOFFICE");
        old.flag552 = 'K';
        old.printSettings[0].numberStyle = 'F';
        old.printSettings[0].count = 3;
        old.printSettings[1].printMode = 'C';
        Put(old.receiptForm, "RCPT1");
        Put(old.quoteForm, "QUOTE1");
        Put(old.layawayForm, "LAY1");
        Put(old.cardForm, "CARD1");
        Put(old.layawayPaymentForm, "LPMT1");
        Put(old.arPaymentForm, "ARP1");
        old.drive1 = drive1;
        old.drive2 = drive2;
        Put(old.folder1, "/backup/one");
        Put(old.folder2, "/backup/two");
        return old;
    }
};

TEST_F(StationFormsTest, NewBaseFolderGetsOnlyTheDefaultStation)
{
    const auto stations = Convert();
    ASSERT_EQ(stations.size(), 1u);
    const StationRecord& s = stations[0];
    EXPECT_EQ(Text(s.id, 15), "DEFAULT       ");
    EXPECT_EQ(Text(s.cardForm, 16), "CCARD");
    EXPECT_EQ(Text(s.productForm, 16), "INVPROD");
    EXPECT_EQ(Text(s.labelForm, 16), "CVLABEL");
    const char* names[5] = {"RECEIPT", "QUOTE", "LAYAWAY", "LAYPMT", "ARPMT"};
    for (const auto& set : s.formSets)
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(Text(set[i], 16), names[i]);
    EXPECT_EQ(Text(s.printers[0].name, 15), "IBM-Default   ");
    EXPECT_EQ(s.printers[0].flag15, 'N');
    EXPECT_EQ(s.printers[0].port, 1);
    EXPECT_EQ(int(s.printers[0].normalCodes[0]), 18);
    EXPECT_EQ(int(s.printers[0].condensedCodes[0]), 15);
    for (const auto& block : s.printSettings) {
        EXPECT_EQ(block.numberStyle, 'D');
        EXPECT_EQ(block.printMode, 'N');
        EXPECT_EQ(block.secondSwitch, 'Y');
        EXPECT_EQ(block.firstSwitch, 'Y');
        EXPECT_EQ(block.width, 0);
    }
    EXPECT_EQ(Text(s.drivePath1, 144), "A:\\");
    EXPECT_EQ(Text(s.drivePath2, 144), "A:\\");
    EXPECT_EQ(Text(s.folder1, 144), Folder(program_));
    EXPECT_EQ(s.colours[10], 0x17);  // set 2 of the colour table
    EXPECT_EQ(RecordLength(StationPath()), 1573);

    // Opening again changes nothing.
    EXPECT_EQ(Convert().size(), 1u);
}

TEST_F(StationFormsTest, CurrentFileIsOpenedAsItStands)
{
    StationRecord station{};
    std::memcpy(station.id, "TILL1         ", 15);
    Put(station.cardForm, "MYCARD");
    WriteOldFile(StationPath(), 1573, {Bytes(station)});

    const auto stations = Convert();
    ASSERT_EQ(stations.size(), 1u);  // no "DEFAULT" station is added
    EXPECT_EQ(std::memcmp(&stations[0], &station, sizeof station), 0);
}

TEST_F(StationFormsTest, Layout1017IsWidenedToTheCurrentLayout)
{
    const StationRecord1017 first = Old1017("TILL1", 'C', ' ');
    const StationRecord1017 second = Old1017("TILL2", '\0', 'D');
    WriteOldFile(StationPath(), 1017, {Bytes(first), Bytes(second)});

    const auto stations = Convert();
    ASSERT_EQ(stations.size(), 2u);
    EXPECT_EQ(RecordLength(StationPath()), 1573);
    const StationRecord& s = stations[0];
    EXPECT_EQ(Text(s.id, 15), "TILL1         ");
    EXPECT_EQ(s.flags15[2], 9);
    EXPECT_EQ(std::memcmp(s.colours, first.colours, 50), 0);
    for (int p = 0; p < 4; ++p) {
        EXPECT_EQ(Text(s.printers[p].name, 15), "PRN" + std::to_string(p));
        EXPECT_EQ(s.printers[p].flag15, 'Y');
        EXPECT_EQ(s.printers[p].port, p + 1);
        EXPECT_EQ(int(s.printers[p].word17), 100 + p);
        EXPECT_EQ(int(s.printers[p].linesPerPage), 66);
        EXPECT_EQ(int(s.printers[p].word21), 0);
        EXPECT_EQ(int(s.printers[p].normalCodes[0]), 27 + p);
        EXPECT_EQ(int(s.printers[p].normalCodes[23]), 0x1234);
        EXPECT_EQ(int(s.printers[p].condensedCodes[23]), 0x4321);
    }
    EXPECT_EQ(Text(s.name545, 15), "BACKOFFICE");
    EXPECT_EQ(s.flag848, 'K');
    EXPECT_EQ(s.printSettings[0].numberStyle, 'F');
    EXPECT_EQ(int(s.printSettings[0].count), 3);
    EXPECT_EQ(s.printSettings[1].printMode, 'C');
    EXPECT_EQ(int(s.printSettings[2].count), 3);  // the first block again
    EXPECT_EQ(s.printSettings[3].numberStyle, 'F');
    const char* forms[5] = {"RCPT1", "QUOTE1", "LAY1", "LPMT1", "ARP1"};
    for (const auto& set : s.formSets)
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(Text(set[i], 16), forms[i]);
    EXPECT_EQ(Text(s.cardForm, 16), "CARD1");
    EXPECT_EQ(Text(s.productForm, 16), "INVPROD");
    EXPECT_EQ(Text(s.labelForm, 16), "CVLABEL");
    EXPECT_EQ(Text(s.folder1, 144), "/backup/one");
    EXPECT_EQ(Text(s.folder2, 144), "/backup/two");
    EXPECT_EQ(Text(s.drivePath1, 144), "C:\\");
    EXPECT_EQ(Text(s.drivePath2, 144), "A:\\");  // blank letter
    EXPECT_EQ(Text(stations[1].drivePath1, 144), "A:\\");  // NUL letter
    EXPECT_EQ(Text(stations[1].drivePath2, 144), "D:\\");
}

TEST_F(StationFormsTest, Layout1291KeepsItsHeadAndGetsDrivePaths)
{
    StationRecord current{};
    std::memcpy(current.id, "TILL9         ", 15);
    for (int i = 0; i < 50; ++i)
        current.colours[i] = static_cast<uint8_t>(200 - i);
    Put(current.printers[3].name, "FOURTH");
    Put(current.name545, "NAME");
    Put(current.cardForm, "C9");
    Put(current.formSets[2][4], "ARP9");
    current.flag848 = 'Z';
    current.printSettings[3].count = 7;
    StationRecord1291 old{};
    std::memcpy(old.head, &current, sizeof old.head);
    old.drive1 = 'E';
    old.drive2 = ' ';
    Put(old.folder1, "/f1");
    Put(old.folder2, "/f2");
    WriteOldFile(StationPath(), 1291, {Bytes(old)});

    const auto stations = Convert();
    ASSERT_EQ(stations.size(), 1u);
    EXPECT_EQ(std::memcmp(&stations[0], &current, 997), 0);
    EXPECT_EQ(Text(stations[0].drivePath1, 144), "E:\\");
    EXPECT_EQ(Text(stations[0].drivePath2, 144), "A:\\");
    EXPECT_EQ(Text(stations[0].folder1, 144), "/f1");
    EXPECT_EQ(Text(stations[0].folder2, 144), "/f2");
}

TEST_F(StationFormsTest, OldestLayoutGoesThroughBothEarlierSteps)
{
    // An 800-byte record: only its first 707 bytes (the 1017-byte layout
    // before the receivables-payment form) count.
    StationRecord1017 old = Old1017("TILL3", 'C', 'C');
    std::vector<uint8_t> bytes = Bytes(old);
    bytes.resize(800);
    std::memset(bytes.data() + 707, 'x', 800 - 707);
    WriteOldFile(StationPath(), 800, {bytes});

    const auto stations = Convert();
    ASSERT_EQ(stations.size(), 1u);
    const StationRecord& s = stations[0];
    EXPECT_EQ(Text(s.id, 15), "TILL3         ");
    EXPECT_EQ(Text(s.formSets[0][0], 16), "RCPT1");
    EXPECT_EQ(Text(s.formSets[1][3], 16), "LPMT1");
    EXPECT_EQ(Text(s.formSets[2][4], 16), "ARPMT");  // put in by the first step
    EXPECT_EQ(Text(s.cardForm, 16), "CARD1");
    EXPECT_EQ(Text(s.drivePath1, 144), "A:\\");
    EXPECT_EQ(Text(s.drivePath2, 144), "A:\\");
    EXPECT_EQ(Text(s.folder1, 144), Folder(program_));
    EXPECT_EQ(Text(s.folder2, 144), Folder(program_));
    EXPECT_EQ(int(s.printers[1].word21), 0);
    EXPECT_EQ(int(s.printers[1].normalCodes[23]), 0x1234);
    EXPECT_EQ(RecordLength(StationPath()), 1573);
}

TEST_F(StationFormsTest, EmptyOldFileBecomesAnEmptyCurrentFile)
{
    WriteOldFile(StationPath(), 1017, {});
    EXPECT_TRUE(Convert().empty());
    EXPECT_EQ(RecordLength(StationPath()), 1573);
}

TEST_F(StationFormsTest, OlderReleaseFileIsTakenOverAndUpgraded)
{
    WriteOldFile(base_ / "POS5STN.DB", 1017, {Bytes(Old1017("OLDTILL", 'C', 'C'))});
    const auto stations = Convert();
    EXPECT_FALSE(fs::exists(base_ / "POS5STN.DB"));
    ASSERT_EQ(stations.size(), 1u);
    EXPECT_EQ(Text(stations[0].id, 15), "OLDTILL       ");
    EXPECT_EQ(Text(stations[0].formSets[2][0], 16), "RCPT1");
}

TEST_F(StationFormsTest, FailedUpgradeLeavesTheOldFileInPlace)
{
    WriteOldFile(StationPath(), 1017, {Bytes(Old1017("TILL1", 'C', 'C'))});
    fs::remove(base_ / "BPOSKEY.DB");  // the new file cannot be made

    Convert(B_FILE_NOT_FOUND);
    EXPECT_EQ(RecordLength(StationPath()), 1017);
    const auto stations = ReadAll<StationRecord1017>(StationPath());
    ASSERT_EQ(stations.size(), 1u);
    EXPECT_EQ(Text(stations[0].receiptForm, 16), "RCPT1");
    // The report names the key-definition file that could not be opened.
    EXPECT_NE(Transcript().find("BPOSKEY.DB"), std::string::npos) << Transcript();
}

TEST_F(StationFormsTest, FormTableOfEachSetAndBack)
{
    StationRecord record{};
    BuildDefaultStationRecord(&record, "/p/");
    Put(record.formSets[1][0], "R2");
    Put(record.formSets[2][4], "A3");
    Put(record.cardForm, "CARDX");

    struct Case {
        int set;
        const char* receipt;
        const char* arPayment;
    } cases[] = {{0, "RECEIPT", "ARPMT"}, {1, "RECEIPT", "ARPMT"}, {2, "R2", "ARPMT"}, {3, "RECEIPT", "A3"}};
    for (const auto& c : cases) {
        char table[STATION_FORM_TABLE_LEN] = {};
        char scratch[80];
        BuildStationFormTable(scratch, table, &record, c.set);
        EXPECT_STREQ(table + 16 + 16 * FORM_RECEIPT, c.receipt) << c.set;
        EXPECT_STREQ(table + 16 + 16 * FORM_AR_PAYMENT, c.arPayment) << c.set;
        EXPECT_STREQ(table + 16 + 16 * FORM_CARD, "CARDX");
        EXPECT_STREQ(table + 16 + 16 * FORM_PRODUCT, "INVPROD");
        EXPECT_STREQ(table + 16 + 16 * FORM_LABEL, "CVLABEL");
        EXPECT_STREQ(table + 16 + 16 * FORM_LAYAWAY_PAYMENT, "LAYPMT");
    }

    // Storing the names of printer kind 3 touches only the third set.
    char table[STATION_FORM_TABLE_LEN] = {};
    BuildStationFormTable(nullptr, table, &record, 3);
    std::strcpy(table + 16 + 16 * FORM_QUOTE, "Q3");
    std::strcpy(table + 16 + 16 * FORM_CARD, "IGNORED");
    StationRecord stored = record;
    StoreStationFormTable(&stored, table, 3);
    EXPECT_EQ(Text(stored.formSets[2][1], 16), "Q3");
    EXPECT_EQ(Text(stored.formSets[0][1], 16), "QUOTE");
    EXPECT_EQ(Text(stored.cardForm, 16), "CARDX");
    // Kind 0 writes the first set and the shared slots.
    StoreStationFormTable(&stored, table, 0);
    EXPECT_EQ(Text(stored.formSets[0][1], 16), "Q3");
    EXPECT_EQ(Text(stored.cardForm, 16), "IGNORED");
}

}  // namespace
}  // namespace bwps::test

namespace bwps::test {
namespace {

TEST_F(StationFormsTest, PrinterTableComesFromTheSessionStation)
{
    // An empty table gets the built-in printer even when the read fails.
    StationPrinterEntry table[3] = {};
    fs::remove(base_ / "BPOSKEY.DB");
    EXPECT_NE(GetDefaultProfileName(table), 0);
    EXPECT_EQ(Text(table[0].name, 15), "IBM-Default   ");
    EXPECT_EQ(int(table[0].normalCodes[0]), 18);
    EXPECT_EQ(int(table[0].condensedCodes[0]), 15);
    EXPECT_EQ(Text(GetSessionPaths()->StationId, 16), "DEFAULT       ");
    fs::copy_file(bwpstest::BuiltBaseFolder() / "BPOSKEY.DB", base_ / "BPOSKEY.DB");

    StationRecord till{};
    BuildDefaultStationRecord(&till, "/p/");
    std::memcpy(till.id, "TILL5         ", 15);
    Put(till.printers[2].name, "THIRD");
    Put(till.printers[3].name, "FOURTH");
    WriteOldFile(StationPath(), 1573, {Bytes(till)});
    Copy(GetSessionPaths()->StationId, "TILL5         ");

    ASSERT_EQ(ReadStationDefaultForm(), 0);
    const auto* session = reinterpret_cast<const StationPrinterEntry*>(GetSessionPaths()->StationPrinters);
    EXPECT_EQ(Text(session[0].name, 15), "IBM-Default   ");
    EXPECT_EQ(Text(session[2].name, 15), "THIRD");

    Copy(GetSessionPaths()->StationId, "NOSUCH        ");
    EXPECT_EQ(GetDefaultProfileName(table), B_KEY_NOT_FOUND);
}

}  // namespace
}  // namespace bwps::test
