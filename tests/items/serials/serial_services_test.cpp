// The serial-number services over real files: availability and dates as
// movements come and go, link numbers drawn once across stations, the
// movements of a document removed all or nothing, undo at a date whose low
// byte is 0xFF.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#include "bwps/records/sales.h"
#include "bwps/serials.h"
#include "bwps/table.h"
#include "tests/items/frame/editor_fixture.h"

namespace bwps::test {
namespace {

TagSerialMovement Movement(const char* code, const char* serial, char effect, int32_t date, char kind = 'P',
                           char subKind = 'I', const char* document = "D1")
{
    TagSerialMovement m{};
    std::snprintf(m.Code, sizeof m.Code, "%s", code);
    std::snprintf(m.Serial, sizeof m.Serial, "%s", serial);
    m.Kind = kind;
    m.SubKind = subKind;
    std::snprintf(m.Document, sizeof m.Document, "%s", document);
    m.Effect = effect;
    m.Date = date;
    return m;
}

struct Unit {
    std::string serial;
    char available;
    int32_t date;
    bool operator==(const Unit&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Unit& u)
{
    return os << u.serial << " " << (u.available ? u.available : '0') << " " << u.date;
}

class SerialServicesTest : public EditorTest {
protected:
    void SetUp() override
    {
        EditorTest::SetUp();
        Create(FileNo::SerialNumbers);
        Create(FileNo::SerialDetail);
    }
    void OpenBoth()
    {
        ASSERT_TRUE(units_.Open(FileNo::SerialNumbers).Ok());
        ASSERT_TRUE(movements_.Open(FileNo::SerialDetail).Ok());
    }
    int Add(TagSerialMovement m, TagSalesDetail* line = nullptr)
    {
        const int answer = AddSerialMovement(movements_.Handle(), units_.Handle(), &m, line);
        last_ = m;
        return answer;
    }
    std::vector<Unit> Units()
    {
        std::vector<Unit> out;
        for (const TagSerialNumber& u : ReadAll<TagSerialNumber>(Path(FileNo::SerialNumbers)))
            out.push_back({u.Serial, u.Available, u.Date});
        return out;
    }
    std::vector<TagSerialMovement> Movements() { return ReadAll<TagSerialMovement>(Path(FileNo::SerialDetail)); }
    std::vector<uint32_t> Links()
    {
        std::vector<uint32_t> out;
        for (const TagSerialMovement& m : Movements())
            out.push_back(+m.Link);
        return out;
    }

    Table units_{FileNo::SerialNumbers};
    Table movements_{FileNo::SerialDetail};
    TagSerialMovement last_{};
};

TEST_F(SerialServicesTest, AddingMovementsKeepsTheUnitsAvailabilityAndDate)
{
    OpenBoth();
    struct Step {
        char effect;
        int32_t date;
        Unit unit;
    } const steps[] = {
        {'A', 100, {"S1", 'Y', 100}},  // an unknown serial becomes a unit
        {'R', 120, {"S1", 'N', 120}},
        {'A', 90, {"S1", 'Y', 90}},    // the unit takes the written movement's date
        {'\0', 130, {"S1", 'N', 130}}, // no letter: not in stock
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.date);
        ASSERT_EQ(Add(Movement("TV", "S1", s.effect, s.date)), 1) << Transcript();
        EXPECT_EQ(Units(), std::vector<Unit>{s.unit});
    }
}

TEST_F(SerialServicesTest, MergeAppliesAMovementInMemoryOnly)
{
    struct Case {
        char available;
        int32_t date;
        char effect;
        int32_t movementDate;
        char availableAfter;
        int32_t dateAfter;
    } const cases[] = {
        {'Y', 100, 'R', 120, 'N', 120}, {'N', 100, 'A', 90, 'Y', 100}, {'Y', 100, 'A', 120, 'Y', 120},
        {'N', 100, 'R', 80, 'N', 100},  {'Y', 100, '\0', 200, 'Y', 100},
    };
    for (const Case& c : cases) {
        TagSerialNumber unit{};
        unit.Available = c.available;
        unit.Date = c.date;
        const TagSerialMovement m = Movement("TV", "S1", c.effect, c.movementDate);
        EXPECT_EQ(MergeSerialAvailability(&unit, &m), 0);
        EXPECT_EQ(unit.Available, c.availableAfter) << c.effect << " " << c.movementDate;
        EXPECT_EQ(+unit.Date, c.dateAfter) << c.effect << " " << c.movementDate;
    }
    EXPECT_TRUE(Units().empty());
}

TEST_F(SerialServicesTest, MovementsOfOneDocumentShareTheNextLinkNumber)
{
    OpenBoth();
    // an empty file starts at 1; without a document every movement draws
    ASSERT_EQ(Add(Movement("TV", "S1", 'A', 100)), 1);
    ASSERT_EQ(Add(Movement("TV", "S2", 'A', 100)), 1);
    EXPECT_EQ(Links(), (std::vector<uint32_t>{1, 2}));
    // a document line without a number (0, or -1 from a conversion) draws
    // the next and keeps it for its further movements
    for (int32_t none : {0, -1}) {
        TagSalesDetail line{};
        line.HasSerials = 'Y';
        std::memcpy(&line.SerialLink, &none, sizeof none);
        ASSERT_EQ(Add(Movement("TV", "S3", 'R', 110), &line), 1);
        ASSERT_EQ(Add(Movement("TV", "S4", 'R', 110), &line), 1);
        const uint32_t expected = none == 0 ? 3 : 4;
        EXPECT_EQ(+line.SerialLink, expected);
        EXPECT_EQ(+last_.Link, expected);
    }
    std::vector<uint32_t> links = Links();
    std::sort(links.begin(), links.end());
    EXPECT_EQ(links, (std::vector<uint32_t>{1, 2, 3, 3, 4, 4}));
}

// Two stations writing movements at once never draw the same number.
TEST_F(SerialServicesTest, TwoStationsNeverDrawTheSameLinkNumber)
{
    constexpr int kEach = 25;
    pid_t children[2];
    for (int c = 0; c < 2; ++c) {
        children[c] = fork();
        if (children[c] == 0) {
            Table units, movements;
            if (!units.Open(FileNo::SerialNumbers).Ok() || !movements.Open(FileNo::SerialDetail).Ok())
                _exit(2);
            for (int i = 0; i < kEach; ++i) {
                TagSerialMovement m = Movement("TV", ("C" + std::to_string(c) + "-" + std::to_string(i)).c_str(),
                                               'A', 100 + i);
                if (AddSerialMovement(movements.Handle(), units.Handle(), &m, nullptr) != 1)
                    _exit(1);
            }
            _exit(0);
        }
    }
    for (pid_t child : children) {
        int status = -1;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    std::vector<uint32_t> links = Links();
    ASSERT_EQ(links.size(), 2u * kEach);
    const std::set<uint32_t> distinct(links.begin(), links.end());
    EXPECT_EQ(distinct.size(), links.size());
    EXPECT_EQ(*distinct.rbegin(), 2u * kEach);
    EXPECT_EQ(Units().size(), 2u * kEach);
}

TEST_F(SerialServicesTest, DeletingADocumentsMovementsUndoesThemOnTheirUnits)
{
    OpenBoth();
    // S1 received (link 1) and sold on document link 2; S2 only sold on 2
    ASSERT_EQ(Add(Movement("TV", "S1", 'A', 100)), 1);
    TagSalesDetail line{};
    ASSERT_EQ(Add(Movement("TV", "S1", 'R', 150, 'B'), &line), 1);
    ASSERT_EQ(Add(Movement("TV", "S2", 'R', 150, 'B'), &line), 1);
    ASSERT_EQ(+line.SerialLink, 2u);
    EXPECT_EQ(Units(), (std::vector<Unit>{{"S1", 'N', 150}, {"S2", 'N', 150}}));
    units_.Close();
    movements_.Close();

    uint32_t link = line.SerialLink;
    EXPECT_EQ(DeleteSerialMovementsOfDocument(&link), 0) << Transcript();
    EXPECT_EQ(link, 0u);
    // S1 is back in stock with the date of its receipt; S2 had nothing else
    EXPECT_EQ(Units(), (std::vector<Unit>{{"S1", 'Y', 100}}));
    EXPECT_EQ(Links(), (std::vector<uint32_t>{1}));
    // nothing left of that number: done, and no number, nothing to do
    link = 2;
    EXPECT_EQ(DeleteSerialMovementsOfDocument(&link), 0);
    EXPECT_EQ(link, 0u);
    EXPECT_EQ(DeleteSerialMovementsOfDocument(&link), 0);
    EXPECT_EQ(DeleteSerialMovementsOfDocument(nullptr), 0);
    EXPECT_EQ(Links(), (std::vector<uint32_t>{1}));
}

// A movement another station holds locked cannot go: the delete stops at
// it, answers its status, and the document keeps every movement.
TEST_F(SerialServicesTest, AFailedDeleteLeavesTheDocumentsMovementsWhole)
{
    OpenBoth();
    TagSalesDetail line{};
    ASSERT_EQ(Add(Movement("TV", "S1", 'R', 150, 'B'), &line), 1);
    ASSERT_EQ(Add(Movement("TV", "S2", 'R', 150, 'B'), &line), 1);
    units_.Close();
    movements_.Close();
    const std::vector<TagSerialMovement> before = Movements();
    const std::vector<Unit> unitsBefore = Units();

    int ready[2], done[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(done), 0);
    const pid_t station = fork();
    if (station == 0) {
        Table movements;
        char byte = 'n';
        if (movements.Open(FileNo::SerialDetail).Ok()) {
            KeyBuffer key;
            key.Clear();
            std::memcpy(key.bytes, "TV", 2);
            std::memcpy(key.bytes + 15, "S2", 2);
            TagSerialMovement m{};
            if (movements.Get(B_GET_EQUAL + B_LOCK_MULTI_NOWAIT, key, m).Ok())
                byte = 'y';
        }
        (void)!::write(ready[1], &byte, 1);
        (void)!::read(done[0], &byte, 1);
        _exit(0);
    }
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    ASSERT_EQ(byte, 'y');
    uint32_t link = line.SerialLink;
    const int status = DeleteSerialMovementsOfDocument(&link);
    (void)!::write(done[1], "x", 1);
    ::waitpid(station, nullptr, 0);
    for (int fd : {ready[0], ready[1], done[0], done[1]})
        ::close(fd);
    EXPECT_NE(status, 0);
    EXPECT_EQ(link, +line.SerialLink);
    EXPECT_EQ(Movements().size(), before.size());
    EXPECT_EQ(Units(), unitsBefore);
}

// 20230911 is 0x0134B2FF: a search date made by adding one to the low byte
// would wrap to 0x0134B200, before every movement of the unit.
TEST_F(SerialServicesTest, UndoAtADateEndingIn0xFFFindsTheLatestRemainingMovement)
{
    OpenBoth();
    constexpr int32_t kEarlier = 20230900;
    constexpr int32_t kDate = 20230911;
    static_assert((kDate & 0xFF) == 0xFF);
    ASSERT_EQ(Add(Movement("TV", "S1", 'A', kEarlier)), 1);
    ASSERT_EQ(Add(Movement("TV", "S1", 'R', kDate, 'B')), 1);
    ASSERT_EQ(Add(Movement("TV", "S2", 'A', kDate + 5)), 1);  // another unit after it
    EXPECT_EQ(Units(), (std::vector<Unit>{{"S1", 'N', kDate}, {"S2", 'Y', kDate + 5}}));

    // the sale is the current record of the movements handle
    KeyBuffer key;
    key.Clear();
    TagSerialMovement sale{};
    movements_.SetKey(SERIAL_KEY_LINK);
    uint32_t two = 2;
    key.Set(two);
    ASSERT_TRUE(movements_.Get(B_GET_EQUAL, key, sale).Ok());
    movements_.SetKey(SERIAL_KEY_UNIT);
    TagSerialNumber unit{};
    EXPECT_EQ(DeleteSerialMovement(units_.Handle(), movements_.Handle(), 0, &unit, &sale), 0) << Transcript();
    EXPECT_EQ(Units(), (std::vector<Unit>{{"S1", 'Y', kEarlier}, {"S2", 'Y', kDate + 5}}));
    EXPECT_EQ(movements_.Key(), SERIAL_KEY_UNIT);
}

TEST_F(SerialServicesTest, UndoingTheOnlyMovementDeletesOrKeepsTheUnit)
{
    for (int deleteEmpty : {1, 0}) {
        SCOPED_TRACE(deleteEmpty);
        OpenBoth();
        ASSERT_EQ(Add(Movement("TV", "S1", 'A', 100)), 1);
        KeyBuffer key;
        key.Clear();
        std::memcpy(key.bytes, "TV", 2);
        std::memcpy(key.bytes + 15, "S1", 2);
        TagSerialMovement m{};
        ASSERT_TRUE(movements_.Get(B_GET_EQUAL, key, m).Ok());
        TagSerialNumber unit{};
        EXPECT_EQ(DeleteSerialMovement(units_.Handle(), movements_.Handle(), deleteEmpty, &unit, &m), 0);
        const std::vector<Unit> kept = deleteEmpty ? std::vector<Unit>{} : std::vector<Unit>{{"S1", 'N', 0}};
        EXPECT_EQ(Units(), kept);
        EXPECT_TRUE(Movements().empty());
        units_.Close();
        movements_.Close();
        fs::remove(Path(FileNo::SerialNumbers));
        Create(FileNo::SerialNumbers);
    }
}

TEST_F(SerialServicesTest, DeletingAUnitTakesAllItsMovementsOrNothingWhenDeclined)
{
    OpenBoth();
    ASSERT_EQ(Add(Movement("TV", "S1", 'A', 100)), 1);
    ASSERT_EQ(Add(Movement("TV", "S1", 'R', 110, 'B')), 1);
    ASSERT_EQ(Add(Movement("TV", "S2", 'A', 100)), 1);
    EXPECT_TRUE(SerialHasMovements(movements_.Handle(), "TV\0\0\0\0\0\0\0\0\0\0\0\0\0S1\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0"));
    struct Case {
        const char* answer;
        int status;
        size_t movementsLeft;
    } const cases[] = {{"No", SERIAL_DELETE_DECLINED, 3}, {"Yes", 0, 1}};
    for (const Case& c : cases) {
        KeyBuffer key;
        key.Clear();
        std::memcpy(key.bytes, "TV", 2);
        std::memcpy(key.bytes + 15, "S1", 2);
        TagSerialNumber unit{};
        ASSERT_TRUE(units_.Get(B_GET_EQUAL, key, unit).Ok());
        TagSerialMovement work{};
        SerialDeleteResult result{};
        ASSERT_EQ(FxScriptLoad((std::string("answer ") + c.answer + "\n").c_str()), 0);
        EXPECT_EQ(DeleteSerialNumber(units_.Handle(), movements_.Handle(), &unit, &work, &result, 1), c.status);
        EXPECT_EQ(Movements().size(), c.movementsLeft) << c.answer << Transcript();
    }
    EXPECT_EQ(Units(), (std::vector<Unit>{{"S2", 'Y', 100}}));
    EXPECT_FALSE(SerialHasMovements(movements_.Handle(), "TV\0\0\0\0\0\0\0\0\0\0\0\0\0S1\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0"));
}

}  // namespace
}  // namespace bwps::test
