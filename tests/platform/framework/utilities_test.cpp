// Texts, amounts, pictures, quantities and the stored character transform.
#include "fx.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>
#include <string>

namespace {

TEST(Amounts, RoundHalfAwayFromZero) {
    struct Case {
        double value;
        int decimals;
        double expected;
    };
    const Case cases[] = {
        {0.005, 2, 0.01},     {-0.005, 2, -0.01},   {1.005, 2, 1.01},     {-1.005, 2, -1.01},
        {2.675, 2, 2.68},     {0.004999, 2, 0.0},   {-0.004999, 2, 0.0},  {1234567.125, 2, 1234567.13},
        {0.12345, 4, 0.1235}, {2.5, 0, 3.0},        {-2.5, 0, -3.0},      {0.1 + 0.2, 2, 0.3},
        {19.99 * 3, 2, 59.97}, {-0.0, 2, 0.0},
    };
    for (const Case& c : cases) {
        double r = FxRound(c.value, c.decimals);
        EXPECT_DOUBLE_EQ(c.expected, r) << c.value << " to " << c.decimals;
        EXPECT_FALSE(std::signbit(r) && r == 0.0) << "negative zero from " << c.value;
    }
}

TEST(Amounts, FormatZeroTestAndComparisons) {
    char out[64];
    EXPECT_STREQ("0.01", FxFormatAmount(0.005, out, 2));
    EXPECT_STREQ("-0.01", FxFormatAmount(-0.005, out, 2));
    EXPECT_STREQ("0.00", FxFormatAmount(-0.001, out, 2)); // no "-0.00"
    EXPECT_STREQ("1234.5000", FxFormatAmount(1234.5, out, 4));
    EXPECT_STREQ("-12", FxFormatAmount(-12.4, out, 0));

    struct ZeroCase {
        double value;
        int zero;
        double after;
    };
    const ZeroCase zeros[] = {
        {0.0, 1, 0.0}, {0.0009, 1, 0.0}, {-0.0009, 1, 0.0}, {0.002, 0, 0.002}, {-0.01, 0, -0.01}, {NAN, 1, 0.0},
    };
    for (const ZeroCase& z : zeros) {
        double v = z.value;
        EXPECT_EQ(z.zero, FxIsZeroAmount(&v) ? 1 : 0) << z.value;
        EXPECT_DOUBLE_EQ(z.after, v) << z.value;
    }
    EXPECT_NE(0, FxAmountsEqual(10.10, 10.1 + 1e-9));
    EXPECT_EQ(0, FxAmountsEqual(10.10, 10.11));
    EXPECT_NE(0, FxIsNegativeAmount(-0.01));
    EXPECT_EQ(0, FxIsNegativeAmount(-0.0005));
    EXPECT_DOUBLE_EQ(2.5, FxDivide(5.0, 2.0));
    EXPECT_DOUBLE_EQ(0.0, FxDivide(5.0, 0.0)); // no infinity stored
    EXPECT_DOUBLE_EQ(123.45, FxLongToAmount(12345, 2));
    EXPECT_DOUBLE_EQ(-0.07, FxLongToAmount(-7, 2));
}

TEST(Pictures, WidthsTypesAndMasks) {
    struct Case {
        const char* picture;
        int width;
        int numeric;
    };
    const Case cases[] = {
        {"%-14sC", 14, 0}, {"%-30s", 30, 0}, {"%6lu", 6, 1},       {"%-4u", 4, 1},        {"%11.4fu", 11, 1},
        {"%10.2f", 10, 1}, {"%12.4f", 12, 1}, {"nn/nn/nn", 8, 0},  {"nn/nn/nnnn", 10, 0}, {"%-10sm", 10, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.width, FxPictureWidth(c.picture)) << c.picture;
        EXPECT_EQ(c.numeric, FxPictureIsNumeric(c.picture) ? 1 : 0) << c.picture;
    }
    int dec = -1, width = -1, sign = -1;
    EXPECT_EQ(0, FxPictureNumberInfo("%11.4fu", &dec, &width, &sign));
    EXPECT_EQ(4, dec);
    EXPECT_EQ(11, width);
    EXPECT_EQ(0, sign);
    EXPECT_EQ(0, FxPictureNumberInfo("%10.2f", &dec, &width, &sign));
    EXPECT_EQ(1, sign);
    EXPECT_NE(0, FxPictureNumberInfo("%-30s", &dec, &width, &sign));

    EXPECT_EQ(0, FxPictureMatch("(555) 123-4567", "(nnn) nnn-nnnn"));
    EXPECT_NE(0, FxPictureMatch("(555) 123-45x7", "(nnn) nnn-nnnn"));
    EXPECT_NE(0, FxPictureMatch("555-1234", "(nnn) nnn-nnnn"));
    EXPECT_EQ(0, FxPictureMatch("12/31/99", "nn/nn/nn"));

    char fmt[16] = "%11.4fF";
    EXPECT_STREQ("%11.4f", FxPictureAdjust(0, fmt));

    char out[64];
    double amount = -1234.5;
    int32_t count = 42;
    char text[] = "ABC";
    int32_t date = 20240229;
    EXPECT_STREQ("  -1234.50", FxFormatValue(out, "%10.2f", 10, &amount));
    EXPECT_STREQ("  42", FxFormatValue(out, "%4d", 7, &count));
    EXPECT_STREQ("ABC  ", FxFormatValue(out, "%-5s", 2, text));
    EXPECT_STREQ("02/29/24", FxFormatValue(out, "nn/nn/nn", 3, &date));
    EXPECT_STREQ("02/29/2024", FxFormatValue(out, "nn/nn/nnnn", 3, &date));
}

TEST(Quantities, PacksRoundTrip) {
    struct Case {
        double quantity;
        int pack;
        const char* text;
    };
    const Case cases[] = {
        {25.0, 12, "2/1.0000"}, {-25.0, 12, "-2/1.0000"}, {5.5, 12, "5.5000"},
        {24.0, 12, "2/0.0000"}, {7.25, 1, "7.2500"},      {12.5, 0, "12.5000"},
    };
    for (const Case& c : cases) {
        char out[64];
        ASSERT_EQ(0, FxFormatNumber(out, "%11.4fF", 0, c.pack, c.quantity));
        std::string s = out;
        EXPECT_EQ(c.text, s.substr(s.find_first_not_of(' '))) << c.quantity << " in packs of " << c.pack;
        EXPECT_EQ(11u, s.size());
        double back = 0;
        ASSERT_EQ(0, FxParseNumber(out, c.pack, &back));
        EXPECT_DOUBLE_EQ(c.quantity, back);
    }
    char out[64];
    FxFormatNumber(out, "%11.4f", 0, 12, 25.0); // no 'F': plain units
    EXPECT_STREQ("    25.0000", out);
    double v = 1;
    EXPECT_EQ(-1, FxParseNumber("12abc", 1, &v));
    EXPECT_EQ(0, FxParseNumber("  ", 1, &v));
    EXPECT_DOUBLE_EQ(0.0, v);
    EXPECT_EQ(0, FxParseNumber("1,234.5", 1, &v));
    EXPECT_DOUBLE_EQ(1234.5, v);
}

TEST(Texts, TrimsPaddingAndAlignment) {
    struct Trim {
        int mode;
        const char* in;
        const char* out;
    };
    const Trim trims[] = {
        {5, "  CODE   ", "  CODE"}, {1, "  CODE   ", "CODE   "}, {4, "  CODE   ", "CODE"},
        {7, " C:\\POS\\DATA ", "C:/POS/DATA"}, {5, "    ", ""}, {5, "", ""},
    };
    for (const Trim& t : trims) {
        char buf[64];
        std::strcpy(buf, t.in);
        EXPECT_STREQ(t.out, FxTrimText(t.mode, buf)) << t.mode << " '" << t.in << "'";
    }
    EXPECT_NE(0, FxIsEmpty(""));
    EXPECT_NE(0, FxIsEmpty("   "));
    EXPECT_NE(0, FxIsEmpty(nullptr));
    EXPECT_EQ(0, FxIsEmpty("  x "));

    char buf[64] = "POS";
    EXPECT_STREQ("POS    ", FxPadBlanks(buf, 8)); // width 8: 7 characters
    std::strcpy(buf, "TOOLONGTEXT");
    EXPECT_STREQ("TOOLO", FxPadBlanks(buf, 6));
    std::strcpy(buf, "AB");
    EXPECT_STREQ("AB********", FxPadString(buf, 10, '*'));

    char field[] = "        ";
    EXPECT_STREQ("REF     ", FxLeftAlign(field, "  REF "));
    EXPECT_STREQ("     REF", FxRightAlign(field, "REF"));
    EXPECT_STREQ("  REF   ", FxCenterText(field, "REF"));
    EXPECT_STREQ("TOOLONGR", FxLeftAlign(field, "TOOLONGREFERENCE")); // the field keeps its width

    std::strcpy(buf, " 42");
    EXPECT_STREQ("        42", FxRightAlignNumber(buf, 10));
    std::strcpy(buf, "1234567");
    EXPECT_STREQ("      1,234,567", FxGroupThousands(buf, 15));
    std::strcpy(buf, "-1234.50");
    EXPECT_STREQ("-1,234.50", FxGroupThousands(buf, 0));
    std::strcpy(buf, "  0.00");
    EXPECT_STREQ("      ", FxBlankZero(buf, '.'));
    std::strcpy(buf, "  0.05");
    EXPECT_STREQ("  0.05", FxBlankZero(buf, '.'));

    const char dial[] = "(555) 123-4567";
    std::string digits;
    for (const char* p = dial; *p; ++p)
        if (!FxIsFillerChar(*p)) digits += *p;
    EXPECT_EQ("5551234567", digits);
}

TEST(Transform, RoundTripOverAllBytes) {
    std::set<int> images;
    int fixed = 0;
    for (int b = 0; b < 256; ++b) {
        char c = static_cast<char>(b);
        FxCharTransform89(&c);
        int stored = static_cast<unsigned char>(c);
        images.insert(stored);
        if (b != 0 && stored == b) ++fixed;
        FxCharTransform88(&c);
        EXPECT_EQ(b, static_cast<unsigned char>(c)) << "byte " << b;
    }
    EXPECT_EQ(256u, images.size()); // a permutation
    EXPECT_EQ(0, fixed);            // no character is stored as itself
    char zero = 0;
    FxCharTransform89(&zero);
    EXPECT_EQ(0, zero); // stored texts keep their terminating zero
    // A stored password read back character by character.
    char password[] = "Secret1";
    for (char* p = password; *p; ++p) FxCharTransform89(p);
    EXPECT_STRNE("Secret1", password);
    EXPECT_EQ(7u, std::strlen(password));
    for (char* p = password; *p; ++p) FxCharTransform88(p);
    EXPECT_STREQ("Secret1", password);
}

TEST(Lists, AddWalkClear) {
    FxList list;
    FxListInit(&list);
    EXPECT_EQ(nullptr, FxListWalk(&list, 1, 0, 0));
    struct Entry {
        char key[15];
        int amount;
    };
    Entry a{"A100", 5}, b{"B200", 7};
    Entry* copy = static_cast<Entry*>(FxListAdd(&list, &a, sizeof a));
    ASSERT_NE(nullptr, copy);
    a.amount = 99; // the list keeps its own copy
    FxListAdd(&list, &b, sizeof b);
    EXPECT_EQ(2, list.count);
    Entry* e = static_cast<Entry*>(FxListWalk(&list, 1, 0, 0));
    ASSERT_NE(nullptr, e);
    EXPECT_STREQ("A100", e->key);
    EXPECT_EQ(5, e->amount);
    EXPECT_EQ(list.first->data, e); // a node's second word is its data
    e = static_cast<Entry*>(FxListWalk(&list, 2, 0, 0));
    EXPECT_STREQ("B200", e->key);
    EXPECT_EQ(nullptr, FxListWalk(&list, 2, 0, 0));
    FxListClear(&list);
    EXPECT_EQ(0, list.count);
    EXPECT_EQ(nullptr, FxListWalk(&list, 1, 0, 0));

    int* block = static_cast<int*>(FxAlloc(4, sizeof(int)));
    ASSERT_NE(nullptr, block);
    EXPECT_EQ(0, block[3]);
    FxFree(block);
    EXPECT_EQ(nullptr, FxAlloc(0, 4));
}

} // namespace
