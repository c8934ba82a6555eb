// A company folder for the record editors: the general settings file, the
// audit log and the sales-code files, a headless framework and helpers to
// put and read records and to run a screen from a script.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "bwps/editor_frame.h"
#include "bwps/records/audit.h"
#include "bwps/records/general.h"
#include "bwps/records/masters.h"
#include "bwps/records/options.h"
#include "bwps/records/users.h"
#include "bwps/users.h"
#include "tests/setup/station_fixture.h"

namespace bwps::test {

class EditorTest : public InstallationTest {
protected:
    void SetUp() override
    {
        InstallationTest::SetUp();
        CreateGeneralFile();
        for (FileNo f : {FileNo::Terms, FileNo::ShipVia, FileNo::AuditLog})
            Create(f);
        FxTranscriptClear();
    }

    void Create(FileNo file)
    {
        uint8_t spec[FILE_SPEC_SIZE] = {};
        ASSERT_EQ(CreateDataFile(No(file), 0, Folder(data_).c_str(), nullptr, spec), 0);
    }

    static std::string Path(FileNo file) { return GetDataFilePath(No(file)); }

    static TagTermsRecord Terms(const char* code, const char* description, char mode, int16_t first,
                                int16_t second, int16_t third = 0, float rate = 0.0f, char flag = 'N')
    {
        TagTermsRecord r{};
        std::strncpy(r.Code, code, sizeof r.Code - 1);
        std::strncpy(r.Description, description, sizeof r.Description - 1);
        r.Mode = mode;
        r.NextMonth = flag;
        std::memcpy(&r.DiscountPercent, &rate, sizeof rate);
        r.DiscountDay = first;
        r.DueDay = second;
        r.CutOffDay = third;
        return r;
    }
    void PutTerms(const TagTermsRecord& r)
    {
        ASSERT_EQ(bwpstest::PutRecord(Path(FileNo::Terms), r.Code, sizeof r.Code, &r, sizeof r), 0);
    }
    std::vector<TagTermsRecord> StoredTerms() { return ReadAll<TagTermsRecord>(Path(FileNo::Terms)); }

    static ShipViaRecord ShipVia(const char* code, const char* description, const char* phone = kBlankTelephone)
    {
        ShipViaRecord r{};
        std::strncpy(r.Code, code, sizeof r.Code - 1);
        std::strncpy(r.Description, description, sizeof r.Description - 1);
        std::strncpy(r.Telephone, phone, sizeof r.Telephone - 1);
        return r;
    }
    void PutShipVia(const ShipViaRecord& r)
    {
        ASSERT_EQ(bwpstest::PutRecord(Path(FileNo::ShipVia), r.Code, sizeof r.Code, &r, sizeof r), 0);
    }
    std::vector<ShipViaRecord> StoredShipVia() { return ReadAll<ShipViaRecord>(Path(FileNo::ShipVia)); }

    // The audit entries as "entity change key", one a line.
    std::string Audit()
    {
        std::string out;
        for (const TagAuditRecord& r : ReadAll<TagAuditRecord>(Path(FileNo::AuditLog)))
            out += std::to_string(r.EntityType) + " " + std::to_string(r.ChangeType) + " " +
                   std::string(r.KeyText, strnlen(r.KeyText, sizeof r.KeyText)) + "\n";
        return out;
    }

    // Passwords in force (the audit log is kept only then) and the
    // supervisor signed in.
    void PasswordsOn()
    {
        Create(FileNo::Users);
        TagSysInterface iface{};
        std::memcpy(iface.Key, GENERAL_KEY_SYSINTERFACE, GENERAL_KEY_SIZE - 1);
        iface.PasswordsInForce = 'Y';
        PutGeneralRecord(&iface, sizeof iface);
        TagLastNumbers numbers{};
        std::memcpy(numbers.Key, GENERAL_KEY_LASTNUMBERS, GENERAL_KEY_SIZE - 1);
        PutGeneralRecord(&numbers, sizeof numbers);
        GetSessionPaths()->UserLevel = BWPS_SUPERVISOR_LEVEL;
    }

    // Passwords in force, and a signed-in user with exactly these rights.
    void SignInWithRights(const char* id, const std::vector<int>& rights)
    {
        PasswordsOn();
        UserRecord user{};
        MakeUserIdKey(user.UserId, id);
        user.UserId[14] = '\0';
        std::strncpy(user.Password, "PW", 8);
        std::memset(user.Rights, 'N', sizeof user.Rights);
        for (int right : rights)
            user.Rights[right - 1] = 'Y';
        PlainToStoredText(user.Password, sizeof user.Password);
        for (char& c : user.Rights)
            FxCharTransform89(&c);
        ASSERT_EQ(bwpstest::PutRecord(Path(FileNo::Users), user.UserId, 15, &user, sizeof user), 0);
        SessionBlock* session = GetSessionPaths();
        std::memset(session->UserId, 0, sizeof session->UserId);
        std::strncpy(session->UserId, id, sizeof session->UserId - 1);
        session->UserLevel = 0;
    }

    // Runs a screen on a script; the transcript.
    std::string Run(const std::function<int()>& screen, const std::string& script, int* result = nullptr)
    {
        FxTranscriptClear();
        EXPECT_EQ(FxScriptLoad(script.c_str()), 0) << script;
        const int answer = screen();
        if (result != nullptr)
            *result = answer;
        return Transcript();
    }

    static bool Has(const std::string& transcript, const std::string& text)
    {
        return transcript.find(text) != std::string::npos;
    }
};

}  // namespace bwps::test
