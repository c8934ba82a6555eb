// An installation with the user files: the user file, the warehouses and
// the user warehouses in the company folder, the secured-function file in
// the base folder.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "bwps/files.h"
#include "bwps/records/users.h"
#include "bwps/user_access.h"
#include "bwps/users.h"
#include "tests/setup/station_fixture.h"

namespace bwps::test {

class RightsTest : public InstallationTest {
protected:
    void SetUp() override
    {
        InstallationTest::SetUp();
        for (FileNo file : {FileNo::Users, FileNo::Warehouses, FileNo::UserWarehouses})
            Create(file, data_);
        Create(FileNo::MenuRights, base_);
    }

    void Create(FileNo file, const fs::path& folder)
    {
        uint8_t spec[FILE_SPEC_SIZE] = {};
        ASSERT_EQ(CreateDataFile(No(file), 0, Folder(folder).c_str(), nullptr, spec), 0);
    }

    static std::string Path(FileNo file) { return GetDataFilePath(No(file)); }

    // A user record as the file keeps it: password and rights transformed.
    void PutUser(const char* id, const char* password, const std::string& granted, char flag = 'N')
    {
        UserRecord record{};
        MakeUserIdKey(record.UserId, id);
        record.UserId[14] = '\0';
        std::strncpy(record.Password, password, 8);
        std::memset(record.Rights, 'N', sizeof record.Rights);
        for (char c : granted)
            record.Rights[c - 'a'] = 'Y';  // 'a' is flag index 0
        record.WarehouseFlag = flag;
        PlainToStoredText(record.Password, sizeof record.Password);
        for (char& c : record.Rights)
            FxCharTransform89(&c);
        ASSERT_EQ(bwpstest::PutRecord(Path(FileNo::Users), record.UserId, 15, &record, sizeof record), 0);
    }

    std::vector<UserRecord> StoredUsers() { return ReadAll<UserRecord>(Path(FileNo::Users)); }

    // The stored user in plain form; found false when missing.
    UserRecord PlainUser(const char* id, bool* found = nullptr)
    {
        char key[16] = {};
        MakeUserIdKey(key, id);
        for (UserRecord r : StoredUsers())
            if (std::memcmp(r.UserId, key, 14) == 0) {
                StoredToPlainText(r.Password, sizeof r.Password);
                for (char& c : r.Rights)
                    FxCharTransform88(&c);
                if (found != nullptr)
                    *found = true;
                return r;
            }
        if (found != nullptr)
            *found = false;
        return UserRecord{};
    }

    // The flag indexes granted, as letters from 'a' (index 0) up to index 25.
    static std::string Granted(const UserRecord& plain, int upTo = 26)
    {
        std::string out;
        for (int i = 0; i < upTo; ++i)
            if (plain.Rights[i] == 'Y')
                out += static_cast<char>('a' + i);
        return out;
    }

    void PutFunction(int16_t number, const char* name, int16_t command = 0)
    {
        SecuredFunctionRecord f{};
        f.Right = number;
        std::snprintf(f.Name, sizeof f.Name, "%-30s", name);
        f.FlagIndex = static_cast<int16_t>(number > 1 ? number - 1 : 0);
        f.Command = command;
        uint16_t handle = 0;
        ASSERT_EQ(BtrOpenFile(&handle, Path(FileNo::MenuRights).c_str(), 0, 0), 0);
        char key[255] = {};
        EXPECT_EQ(BtrWrite(B_INSERT, handle, key, &f, sizeof f), 0);
        BtrCloseFile(handle);
    }

    std::vector<SecuredFunctionRecord> Functions()
    {
        return ReadAll<SecuredFunctionRecord>(Path(FileNo::MenuRights));
    }

    void PutWarehouse(const char* id)
    {
        uint8_t w[WAREHOUSE_RECORD_SIZE] = {};
        std::memcpy(w, id, std::strlen(id));
        ASSERT_EQ(bwpstest::PutRecord(Path(FileNo::Warehouses), w, 4, w, sizeof w), 0);
    }

    void GrantWarehouse(const char* user, const char* warehouse)
    {
        UserWarehouseRecord a{};
        MakeUserIdKey(a.UserId, user);
        a.UserId[14] = '\0';
        std::memcpy(a.WarehouseId, warehouse, std::strlen(warehouse));
        ASSERT_EQ(bwpstest::PutRecord(Path(FileNo::UserWarehouses), &a, sizeof a, &a, sizeof a), 0);
    }

    std::vector<UserWarehouseRecord> Access() { return ReadAll<UserWarehouseRecord>(Path(FileNo::UserWarehouses)); }
};

}  // namespace bwps::test
