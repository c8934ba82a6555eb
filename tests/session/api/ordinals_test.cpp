// The ordinal table: entries by number, as bwpos-1 and the host reach them.
#include <gtest/gtest.h>

#include "bwps/ordinals.h"
#include "bwps/users.h"

namespace {

TEST(Ordinals, UserChecksAreReachableByTheirNumbers)
{
    struct Row {
        int ordinal;
        void* entry;
    };
    const Row rows[] = {
        {400, reinterpret_cast<void*>(&ReadPasswordsRecord)},
        {401, reinterpret_cast<void*>(&CheckSessionCommandAccess)},
        {402, reinterpret_cast<void*>(&GetPasswordEntry)},
        {403, reinterpret_cast<void*>(&CheckUserAccess)},
        {404, reinterpret_cast<void*>(&SetUserRight)},
        {405, reinterpret_cast<void*>(&UserFileIsEmpty)},
        {406, reinterpret_cast<void*>(&PromptUserPassword)},
        {407, reinterpret_cast<void*>(&CheckUserGroupAccess)},
        {860, reinterpret_cast<void*>(&CheckUserWarehouseAccess)},
        {861, reinterpret_cast<void*>(&PasswordsInForce)},
        {4102, reinterpret_cast<void*>(&ValidateUserPassword)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.ordinal);
        EXPECT_EQ(BWPSOrdinal(row.ordinal), row.entry);
        EXPECT_NE(BWPSOrdinalName(row.ordinal), nullptr);
    }
}

TEST(Ordinals, UnknownNumbersGiveNothingAndTheFirstRegistrationStays)
{
    EXPECT_EQ(BWPSOrdinal(-1), nullptr);
    EXPECT_EQ(BWPSOrdinal(99999), nullptr);
    void* before = BWPSOrdinal(403);
    EXPECT_EQ(BWPSRegisterOrdinal(403, reinterpret_cast<void*>(&PasswordsInForce), "other"), 0);
    EXPECT_EQ(BWPSOrdinal(403), before);
    EXPECT_STREQ(BWPSOrdinalName(403), "CheckUserAccess");
}

}  // namespace
