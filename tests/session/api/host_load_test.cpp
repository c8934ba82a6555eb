// The host's road through the library: load it with dlopen from a private
// program folder, start a session over a new company folder, create the
// company's data files from the base folder's key definitions, read and
// write settings records, show a numbered message, sign a user in and stop
// the session.
#include <dlfcn.h>
#include <stdlib.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "bwps/files.h"
#include "bwps/catalogue.h"
#include "bwps/messages.h"
#include "bwps/records.h"
#include "bwps/session.h"
#include "bwps/users.h"
#include "fx.h"
#include "recman.h"
#include "recman_testing.h"

namespace fs = std::filesystem;

namespace {

class Library {
public:
    explicit Library(const char* path) : handle_(dlopen(path, RTLD_NOW | RTLD_LOCAL)) {}
    ~Library()
    {
        if (handle_ != nullptr)
            dlclose(handle_);
    }
    bool loaded() const { return handle_ != nullptr; }

    template <typename F>
    F* get(const char* name)
    {
        void* entry = dlsym(handle_, name);
        EXPECT_NE(entry, nullptr) << name;
        return reinterpret_cast<F*>(entry);
    }

private:
    void* handle_;
};

struct Scratch {
    std::string path;
    Scratch()
    {
        char pattern[] = "/tmp/bwps-host-XXXXXX";
        path = mkdtemp(pattern);
    }
    ~Scratch()
    {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};

TEST(HostLoad, ASessionOverANewCompanyFromLoadToStop)
{
    RecmanReset();
    FxReset();
    FxUseScriptDriver();
    // A private program folder: the library and a copy of the base folder,
    // so that nothing of the build's own program folder is read or written.
    Scratch programFolder;
    const std::string program = fs::canonical(programFolder.path).string();
    fs::copy(BWPS_BASE_LIBRARY, program + "/libbwpsbase.so");
    // The libraries it needs come from its own folder only.
    for (const char* needed : {"libDuVaVedu.so", "libRuDeRivi.so", "librecman.so"})
        fs::copy(fs::path(BWPS_PROGRAM_FOLDER) / needed, program + "/" + needed);
    fs::copy(fs::path(BWPS_PROGRAM_FOLDER) / "RAZAVUR", program + "/RAZAVUR",
             fs::copy_options::recursive);
    Library lib((program + "/libbwpsbase.so").c_str());
    ASSERT_TRUE(lib.loaded()) << dlerror();

    auto getSession = lib.get<SessionBlock*()>("GetSessionPaths");
    auto start = lib.get<int(const char*, const char*)>("BWPSStartSession");
    auto stop = lib.get<int()>("BWPSStopSession");
    auto createMissing = lib.get<int(const char*)>("CreateMissingDataFiles");
    auto kindOf = lib.get<int(int)>("GetDataFileKind");
    auto lengthOf = lib.get<int32_t(int)>("GetDataFileRecordLength");
    auto pathOf = lib.get<char*(int)>("GetDataFilePath");
    auto writeHost = lib.get<int(const void*)>("WriteHostDefaults");
    auto readHost = lib.get<int(void*)>("ReadHostDefaults");
    auto readGeneral = lib.get<int(int, uint16_t, int, const char*, void*)>("ReadGeneralRecord");
    auto showMessage = lib.get<int(int, int)>("ShowMessage");
    auto readMessage = lib.get<int(int, uint16_t, char**, int*, int*, int)>("ReadMessageText");
    auto freeLines = lib.get<void(char**)>("FreeMessageLines");
    auto checkUser = lib.get<int(int*, const char*, int*, const char*, int*)>("BWPSCheckUser");
    auto ordinal = lib.get<void*(int)>("BWPSOrdinal");
    ASSERT_FALSE(::testing::Test::HasFailure());

    // Loading took the program folder from the library's own location.
    SessionBlock* session = getSession();
    EXPECT_EQ(std::string(session->ProgramPath), program);
    EXPECT_EQ(std::string(session->BasePath), program + "/RAZAVUR");

    Scratch company;
    ASSERT_EQ(start(nullptr, company.path.c_str()), 1);
    EXPECT_EQ(std::string(session->DataPath), company.path);

    // Every data file of kinds 1 and 2, from the key definitions.
    EXPECT_EQ(createMissing(company.path.c_str()), 0);
    int created = 0;
    for (int file = 1; file <= DATA_FILE_COUNT; ++file) {
        int kind = kindOf(file);
        if ((kind != FOLDER_DATA && kind != FOLDER_SHARED) || lengthOf(file) <= 0)
            continue;
        SCOPED_TRACE(file);
        const std::string path = pathOf(file);
        EXPECT_EQ(path.rfind(company.path + "/", 0), 0u) << path;
        uint16_t handle = 0;
        ASSERT_EQ(BtrOpenFile(&handle, path.c_str(), 0, 0), 0) << path;
        uint8_t stat[RECMAN_STAT_BUFFER] = {};
        ASSERT_EQ(BtrStat(handle, stat), 0);
        EXPECT_EQ(stat[0] | (stat[1] << 8), lengthOf(file));
        BtrCloseFile(handle);
        ++created;
    }
    EXPECT_GT(created, 50);

    // Settings records: one written and read back, one from its defaults.
    TagHostDefaults host{};
    std::memcpy(host.Key, "0hostdefaults  ", 16);
    for (size_t i = 0; i < sizeof host.Data; ++i)
        host.Data[i] = static_cast<uint8_t>(i);
    EXPECT_EQ(writeHost(&host), 1);
    TagHostDefaults back{};
    EXPECT_EQ(readHost(&back), 1);
    EXPECT_EQ(std::memcmp(&host, &back, sizeof host), 0);
    uint8_t periods[462] = {};
    EXPECT_EQ(readGeneral(0, 0, sizeof periods, "0Periods       ", periods), 0);

    // A numbered message of the shipped message file, shown by script.
    uint16_t messages = 0;
    ASSERT_EQ(BtrOpenFile(&messages, pathOf(bwps::No(bwps::FileNo::MessageTexts)), 0, 0), 0);
    char* lines[MESSAGE_ARRAY_SLOTS] = {};
    int width = 0, count = 0;
    ASSERT_EQ(readMessage(183, messages, lines, &width, &count, MESSAGE_ARRAY_SLOTS), 0);
    ASSERT_GT(count, 0);
    const std::string firstLine = lines[0];
    freeLines(lines);
    BtrCloseFile(messages);
    FxTranscriptClear();
    EXPECT_EQ(showMessage(183, MESSAGE_DEFAULT_CONTEXT), 0);
    EXPECT_NE(std::string(FxTranscript()).find(firstLine), std::string::npos) << FxTranscript();

    // A user signs in, silently and on the sign-in screen.
    uint16_t general = 0;
    ASSERT_EQ(BtrOpenFile(&general, pathOf(bwps::No(bwps::FileNo::General)), 0, 0), 0);
    TagSysInterface sys{};
    std::memcpy(sys.Key, "0sysinterface  ", 16);
    sys.PasswordsInForce = 'Y';
    char key[256] = "0sysinterface  ";
    ASSERT_EQ(BtrWrite(B_INSERT, general, key, &sys, sizeof sys), 0);
    PasswordsRecord passwords{};
    std::memcpy(passwords.Key, PASSWORDS_RECORD_KEY, 16);
    std::strcpy(key, PASSWORDS_RECORD_KEY);
    ASSERT_EQ(BtrWrite(B_INSERT, general, key, &passwords, sizeof passwords), 0);
    BtrCloseFile(general);

    uint16_t users = 0;
    ASSERT_EQ(BtrOpenFile(&users, pathOf(bwps::No(bwps::FileNo::Users)), 0, 0), 0);
    UserRecord alice{};
    std::memcpy(alice.UserId, "ALICE         ", 15);
    std::strcpy(alice.Password, "pw1");
    for (char* c = alice.Password; *c != '\0'; ++c)
        FxCharTransform89(c);
    std::memset(alice.Rights, 'N', sizeof alice.Rights);
    alice.Rights[4] = 'Y';
    for (char& c : alice.Rights)
        FxCharTransform89(&c);
    alice.WarehouseFlag = 'N';
    ASSERT_EQ(BtrWrite(B_INSERT, users, key, &alice, sizeof alice), 0);
    BtrCloseFile(users);

    int inForce = 0, idOk = 0, passwordOk = 0;
    EXPECT_EQ(checkUser(&inForce, "ALICE", &idOk, "pw1", &passwordOk), 1);
    EXPECT_EQ(inForce, 1);
    EXPECT_EQ(idOk, 1);
    EXPECT_EQ(passwordOk, 1);
    EXPECT_EQ(session->UserLevel, 0);
    EXPECT_STREQ(session->UserId, "ALICE         ");

    auto checkAccess = reinterpret_cast<int (*)(int, uint16_t, const char*, int)>(ordinal(403));
    ASSERT_NE(checkAccess, nullptr);
    EXPECT_EQ(checkAccess(5, 0, "ALICE", 0), 1);
    EXPECT_EQ(checkAccess(6, 0, "ALICE", 0), 0);

    std::memset(session->UserId, 0, sizeof session->UserId);
    auto prompt = reinterpret_cast<int (*)(const char*, const char*)>(ordinal(406));
    ASSERT_NE(prompt, nullptr);
    ASSERT_EQ(FxScriptLoad("field 1 ALICE\nfield 2 pw1\nkey F10"), 0);
    EXPECT_EQ(prompt(nullptr, nullptr), 1);
    EXPECT_STREQ(session->UserId, "ALICE         ");

    EXPECT_EQ(stop(), 1);
    SessionPathBlock block;
    std::memset(&block, 0x55, sizeof block);
    BtrGetClientConfig(&block);
    EXPECT_EQ(block.One, 0);
    EXPECT_EQ(block.ProgramPath[0], '\0');
}

}  // namespace
