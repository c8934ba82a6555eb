// Register detail sources, register files and the station device block.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "bwps/records/sales.h"
#include "bwps/files.h"
#include "bwps/catalogue.h"
#include "bwps/stations.h"
#include "fx.h"
#include "tests/setup/station_fixture.h"

namespace bwps::test {
namespace {

constexpr int kLine = 182;

class RegisterDetailTest : public InstallationTest {
protected:
    void CreateFile(int fileNumber)
    {
        uint8_t spec[FILE_SPEC_SIZE] = {};
        ASSERT_EQ(CreateDataFile(fileNumber, 0, nullptr, nullptr, spec), 0);
    }

    // A detail line: the invoice number, the line number and a marker.
    static std::string Line(const char* invoice, int16_t number, const char* marker)
    {
        std::string line(kLine, '\0');
        std::memcpy(line.data(), invoice, std::strlen(invoice));
        std::memcpy(line.data() + 11, &number, sizeof number);
        std::memcpy(line.data() + 40, marker, std::strlen(marker));
        return line;
    }

    static std::string Marker(const InvDetailSource& source)
    {
        return std::string(reinterpret_cast<const char*>(source.line) + 40);
    }

    void WriteRegisterFile(int number, const std::string& bytes)
    {
        std::ofstream out(data_ / ("REG" + std::to_string(number) + ".db"), std::ios::binary);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }

    static InvDetailSource Source(const char* invoice, int16_t registerNumber, uint16_t flags,
                                  int32_t lineOffset)
    {
        InvDetailSource source{};
        source.handle = -1;
        source.fd = -1;
        std::memcpy(source.header, invoice, std::strlen(invoice));
        std::memcpy(source.header + offsetof(TagSalesHdr, RegisterNumber), &registerNumber, 2);
        std::memcpy(source.header + offsetof(TagSalesHdr, Flags), &flags, 2);
        std::memcpy(source.header + offsetof(TagSalesHdr, FirstLineOffset), &lineOffset, 4);
        return source;
    }
};

TEST_F(RegisterDetailTest, RegisterFilePathAndSourceChoice)
{
    char path[FOLDER_BUFFER_SIZE];
    EXPECT_EQ(std::string(BuildRegisterDetailPath(7, path)), (data_ / "REG7.db").string());

    const struct {
        uint16_t flags;
        int32_t offset;
        int registerFile;
    } cases[] = {{0, 0, 1}, {0, 364, 1}, {0, -1, 0}, {2, 0, 0}, {2, 364, 0}, {3, 0, 0}, {4, 0, 1}};
    for (const auto& c : cases) {
        InvDetailSource source = Source("INV1", 1, c.flags, c.offset);
        EXPECT_EQ(InvDetailUsesRegisterFile(source.header), c.registerFile)
            << c.flags << " " << c.offset;
        EXPECT_EQ(IsRegisterFileMode(source.header), c.registerFile == 1);
    }
}

TEST_F(RegisterDetailTest, LinesComeFromTheRegisterFileFromTheSaleOffset)
{
    CreateFile(37);
    WriteRegisterFile(3, Line("INV0", 1, "other sale") + Line("INV1", 1, "first") +
                             Line("INV1", 2, "second"));
    InvDetailSource source = Source("INV1", 3, 0, kLine);
    ASSERT_EQ(OpenInvDetailSource(&source), 1);
    EXPECT_EQ(source.mode, 1);
    EXPECT_EQ(source.openCount, 3);  // register file and data file
    ASSERT_TRUE(ReadInvDetailSource(&source, B_GET_GE));
    EXPECT_EQ(Marker(source), "first");
    ASSERT_TRUE(ReadInvDetailSource(&source, B_GET_NEXT));
    EXPECT_EQ(Marker(source), "second");
    EXPECT_FALSE(ReadInvDetailSource(&source, B_GET_NEXT));
    EXPECT_EQ(ReadInvDetailSourceAt(&source, B_GET_NEXT), B_END_OF_FILE);
    // Get-equal starts over at the sale's first line.
    EXPECT_EQ(ReadInvDetailSourceAt(&source, B_GET_EQUAL), 0);
    EXPECT_EQ(Marker(source), "first");
    CloseInvDetailSource(&source);
    EXPECT_EQ(source.openCount, 0);
}

TEST_F(RegisterDetailTest, PostedSaleReadsTheSalesDetailFile)
{
    CreateFile(37);
    uint16_t handle = 0;
    ASSERT_EQ(BtrOpenFile(&handle, GetDataFilePath(bwps::No(bwps::FileNo::SalesDetail)), 0, 0), 0);
    for (auto line : {Line("INV1", 1, "stored one"), Line("INV1", 2, "stored two")}) {
        char key[255] = {};
        ASSERT_EQ(BtrWrite(B_INSERT, handle, key, line.data(), kLine), 0);
    }
    BtrCloseFile(handle);
    // A register file exists, but the flag says the lines were moved.
    WriteRegisterFile(1, Line("INV1", 1, "register"));

    InvDetailSource source = Source("INV1", 1, 2, 0);
    ASSERT_EQ(OpenInvDetailSource(&source), 1);
    EXPECT_EQ(source.mode, 0);
    EXPECT_EQ(source.openCount, 1);
    ASSERT_TRUE(ReadInvDetailSource(&source, B_GET_GE));
    EXPECT_EQ(Marker(source), "stored one");
    ASSERT_TRUE(ReadInvDetailSource(&source, B_GET_NEXT));
    EXPECT_EQ(Marker(source), "stored two");
    EXPECT_FALSE(ReadInvDetailSource(&source, B_GET_NEXT));
    CloseInvDetailSource(&source);
    EXPECT_EQ(source.openCount, 0);
}

TEST_F(RegisterDetailTest, MissingRegisterFileIsAFailureAndEntersTheRegister)
{
    CreateFile(32);
    CreateFile(37);
    int fd = 5;
    EXPECT_EQ(OpenRegisterDetailFile(9, &fd, 0), 0);
    EXPECT_EQ(fd, -1);
    using RegisterRecord = std::array<char, 777>;
    EXPECT_TRUE(ReadAll<RegisterRecord>(data_ / "BPOSREGS.DB").empty());

    fd = 5;
    EXPECT_EQ(OpenRegisterDetailFile(9, &fd, 1), 0);
    EXPECT_EQ(fd, -1);
    EXPECT_EQ(OpenRegisterDetailFile(9, &fd, 1), 0);  // entered once only
    const auto registers = ReadAll<RegisterRecord>(data_ / "BPOSREGS.DB");
    ASSERT_EQ(registers.size(), 1u);
    EXPECT_EQ(std::string(registers[0].data()), "REG9       ");

    // A sale whose register file is missing cannot be read.
    InvDetailSource source = Source("INV1", 9, 0, 0);
    EXPECT_EQ(OpenInvDetailSource(&source), 0);
    EXPECT_EQ(source.openCount, 0);

    WriteRegisterFile(9, Line("INV1", 1, "now there"));
    EXPECT_EQ(OpenRegisterDetailFile(9, &fd, 1), 1);
    EXPECT_GE(fd, 0);
    FxFileClose(fd);
}

TEST_F(RegisterDetailTest, FailedRegisterEntryNamesTheRegisterFile)
{
    int fd = 0;
    EXPECT_EQ(OpenRegisterDetailFile(4, &fd, 1), 0);  // BPOSREGS.DB does not exist
    EXPECT_NE(Transcript().find("BPOSREGS.DB"), std::string::npos) << Transcript();
}

TEST_F(RegisterDetailTest, CashDrawerFileIsCreatedOnceWithItsSeed)
{
    ASSERT_EQ(CreateStationFiles(), 1);
    auto drawers = ReadAll<CashRegisterRecord>(base_ / "BPOSDRWR.DB");
    ASSERT_EQ(drawers.size(), 1u);
    EXPECT_EQ(int(drawers[0].registerNumber), 1);
    EXPECT_EQ(int(drawers[0].drawerPort), 0);
    EXPECT_EQ(int(drawers[0].drawerCodes[0]), 7);
    EXPECT_EQ(int(drawers[0].display.portCode), 1);
    EXPECT_EQ(int(drawers[0].display.cursorCommand), 16);

    // An existing file is left as it is.
    uint16_t handle = 0;
    ASSERT_EQ(BtrOpenFile(&handle, (base_ / "BPOSDRWR.DB").c_str(), 0, 0), 0);
    CashRegisterRecord second = drawers[0];
    second.registerNumber = 2;
    char key[255] = {};
    ASSERT_EQ(BtrWrite(B_INSERT, handle, key, &second, sizeof second), 0);
    BtrCloseFile(handle);
    ASSERT_EQ(CreateStationFiles(), 1);
    EXPECT_EQ(ReadAll<CashRegisterRecord>(base_ / "BPOSDRWR.DB").size(), 2u);
}

TEST_F(RegisterDetailTest, CashDrawerFileWithoutKeyDefinitionsFails)
{
    fs::remove(base_ / "BPOSKEY.DB");
    EXPECT_EQ(CreateStationFiles(), 0);
    EXPECT_FALSE(fs::exists(base_ / "BPOSDRWR.DB"));
    EXPECT_NE(Transcript().find("BPOSKEY.DB"), std::string::npos) << Transcript();
}

TEST_F(RegisterDetailTest, DeviceBlockDefaultsPortsAndPositions)
{
    DeviceSettings settings;
    std::memset(&settings, 0x5A, sizeof settings);
    EXPECT_EQ(ClearDeviceSettings(&settings), 0);
    EXPECT_EQ(int(settings.portCode), 1);
    EXPECT_EQ(int(settings.speedCode), 0xE0);
    EXPECT_EQ(int(settings.dataBits), 3);
    EXPECT_EQ(int(settings.stopBits), 0);
    EXPECT_EQ(int(settings.parity), 0);
    EXPECT_EQ(settings.flag, 'N');
    EXPECT_EQ(int(settings.initCodes[0]), 31);
    EXPECT_EQ(int(settings.initCodes[1]), 0);
    EXPECT_EQ(int(settings.secondCodes[0]), 19);
    EXPECT_EQ(int(settings.thirdCodes[0]), 20);
    EXPECT_EQ(int(settings.cursorCommand), 16);
    EXPECT_EQ(settings.texts[3][20], '\0');
    EXPECT_EQ(DeviceSerialInitByte(&settings), 0xE3);
    settings.speedCode = 0x80;
    settings.dataBits = 2;
    settings.stopBits = 4;
    settings.parity = 0x18;
    EXPECT_EQ(DeviceSerialInitByte(&settings), 0x9E);

    const struct {
        int code, index, serial;
    } ports[] = {{1, -1, 0}, {2, 0, 0}, {4, 2, 0}, {5, 0, 1}, {7, 2, 1}, {8, -1, 0}, {0, -1, 0}};
    for (const auto& p : ports) {
        int serial = -1;
        EXPECT_EQ(MapPortCode(p.code, &serial), p.index) << p.code;
        EXPECT_EQ(serial, p.serial) << p.code;
    }
    EXPECT_EQ(DeviceDisplayPosition(2, 1), 20);
    EXPECT_EQ(DeviceDisplayPosition(1, 20), 19);
    EXPECT_EQ(DeviceDisplayPosition(1, 1), 0);

    // A code without a port becomes "none"; "none" needs no port.
    ClearDeviceSettings(&settings);
    settings.portCode = 8;
    EXPECT_EQ(OpenDevicePort(&settings), 1);
    EXPECT_EQ(int(settings.portCode), 1);
    EXPECT_EQ(StationDevicePortIo(&settings, 1, 1, "HELLO"), 1);
    EXPECT_EQ(CloseDevicePort(&settings), 1);
}

}  // namespace
}  // namespace bwps::test

namespace bwps::test {
namespace {

std::string ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string Words(std::initializer_list<int32_t> words)
{
    std::string bytes;
    for (int32_t w : words)
        bytes.append(reinterpret_cast<const char*>(&w), sizeof w);
    return bytes;
}

TEST_F(RegisterDetailTest, DisplayTextGoesToTheDevicePortAtItsPosition)
{
    FxSetDeviceFolder(Folder(root_).c_str());
    DeviceSettings display;
    ClearDeviceSettings(&display);

    // Parallel: the positioning block, then the text.
    display.portCode = 3;  // LPT2
    ASSERT_EQ(OpenDevicePort(&display), 1);
    ASSERT_EQ(StationDevicePortIo(&display, 2, 1, "HELLO"), 1);
    EXPECT_EQ(ReadBytes(root_ / "LPT2.out"), Words({16, 20, 0}) + "HELLO");
    EXPECT_EQ(CloseDevicePort(&display), 1);
    EXPECT_EQ(display.portCode, 3);

    // Serial: the initialisation codes at opening; positioning command and
    // position one byte each ahead of the text; two configured lines.
    display.portCode = 5;  // COM1
    ASSERT_EQ(OpenDevicePort(&display), 1);
    ASSERT_EQ(StationDevicePortIo(&display, 1, 20, "X"), 1);
    ASSERT_EQ(ConfigureDevicePort(&display, "AB", "  CD  "), 1);
    const std::string init(reinterpret_cast<const char*>(display.initCodes), 10);
    EXPECT_EQ(ReadBytes(root_ / "COM1.out"),
              init + std::string("\x10\x13", 2) + "X" + init + "AB\n\rCD");
}

}  // namespace
}  // namespace bwps::test
