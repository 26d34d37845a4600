#include "text/likepattern.h"
#include "text/textfold.h"

#include <gtest/gtest.h>

using text::LikePattern;

namespace {

bool like(const char* text, const char* pattern)
{
    return LikePattern(pattern).matches(text);
}

TEST(LikePattern, WildcardsAndLiterals)
{
    EXPECT_TRUE(like("ROMA", "ROMA"));
    EXPECT_FALSE(like("ROMANO", "ROMA")); // a whole-value match
    EXPECT_TRUE(like("ROMANO", "ROMA*"));
    EXPECT_TRUE(like("ROMA", "ROMA*"));
    EXPECT_TRUE(like("CASTEL SANT'ANGELO", "*SANT?ANGELO"));
    EXPECT_TRUE(like("SANT'ANGELO", "SANT?ANGELO"));
    EXPECT_TRUE(like("SANTXANGELO", "SANT?ANGELO"));
    EXPECT_FALSE(like("SANTANGELO", "SANT?ANGELO"));
    EXPECT_TRUE(like("MONTE SAN SAVINO", "M*S*O"));
    EXPECT_FALSE(like("MONTE SAN SAVINI", "M*S*O"));
    EXPECT_TRUE(like("", "*"));
    EXPECT_TRUE(like("", ""));
    EXPECT_FALSE(like("A", ""));
    EXPECT_TRUE(like("00186", "00###"));
    EXPECT_FALSE(like("0018A", "00###"));
    EXPECT_TRUE(like("AXB", "A?B"));
    EXPECT_TRUE(like("AÈB", "A?B")); // an accented letter is one character
    EXPECT_TRUE(like("aaaaaaaaaaaaaaaaaaaaaaaaaaaaab", "*a*a*a*a*a*b"));
    EXPECT_FALSE(like("aaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", "*a*a*a*a*a*b"));
}

TEST(LikePattern, CaseIsIgnoredAccentedLettersIncluded)
{
    EXPECT_TRUE(like("ROMA", "roma"));
    EXPECT_TRUE(like("roma", "ROMA"));
    EXPECT_TRUE(like("AGLIÈ", "agliè"));
    EXPECT_TRUE(like("città", "CITTÀ"));
    EXPECT_FALSE(like("AGLIE", "AGLIÈ")); // the accent itself still counts
    EXPECT_TRUE(like("ŁÓDŹ", "łódź"));
    EXPECT_TRUE(like("ΑΘΗΝΑ", "αθηνα"));
}

TEST(LikePattern, BracketedLists)
{
    EXPECT_TRUE(like("B", "[ABC]"));
    EXPECT_TRUE(like("b", "[ABC]"));
    EXPECT_FALSE(like("D", "[ABC]"));
    EXPECT_TRUE(like("M", "[a-z]"));
    EXPECT_FALSE(like("5", "[a-z]"));
    EXPECT_TRUE(like("5", "[!a-z]"));
    EXPECT_FALSE(like("M", "[!a-z]"));
    EXPECT_TRUE(like("ROMA", "[PR]OMA"));
    EXPECT_TRUE(like("*", "[*]")); // wildcards lose their meaning inside a list
    EXPECT_FALSE(like("X", "[*]"));
    EXPECT_TRUE(like("?", "[?]"));
    EXPECT_TRUE(like("-", "[a-]"));
    EXPECT_TRUE(like("È", "[àèé]"));
}

TEST(LikePattern, MalformedPatternsHaveADefinedMeaning)
{
    EXPECT_TRUE(like("[A", "[A")); // an unclosed "[" stands for itself
    EXPECT_FALSE(like("A", "[A"));
    EXPECT_TRUE(like("A]", "A]"));     // so does a lone "]"
    EXPECT_TRUE(like("AB", "A[]B"));   // "[]" takes no character
    EXPECT_TRUE(like("AXB", "A[!]B")); // "[!]" takes any one
    EXPECT_FALSE(like("M", "[z-a]"));  // a reversed range holds nothing
    EXPECT_TRUE(like("x[", "*["));
    EXPECT_TRUE(like("\xFF", "?")); // an invalid byte is one character
    EXPECT_FALSE(like("\xC3", "\xC3\xA0"));
}

// An apostrophe stands for any one character, so that a name matches whatever apostrophe it is
// written with; inside a list it is a character like any other.
TEST(LikePattern, AnApostropheIsAnyOneCharacter)
{
    const struct {
        const char* text;
        const char* pattern;
        bool matches;
    } cases[] = {
        {"SANT'ANGELO", "SANT'ANGELO", true},
        {"SANT’ANGELO", "sant'angelo", true},
        {"SANT ANGELO", "SANT'ANGELO", true},
        {"SANTANGELO", "SANT'ANGELO", false},
        {"L'AQUILA", "L'A*", true},
        {"'", "[']", true},
        {"X", "[']", false},
    };
    for (const auto& [text, pattern, matches] : cases) {
        EXPECT_EQ(like(text, pattern), matches) << text << " / " << pattern;
    }
}

TEST(CaseIgnored, TheSameTextButForLetterCase)
{
    const struct {
        const char* a;
        const char* b;
        int order; // of a against b
    } cases[] = {
        {"ROMA", "roma", 0},  {"città", "CITTÀ", 0}, {"ŁÓDŹ", "łódź", 0}, {"CITTA", "CITTÀ", -1},
        {"ROM*", "ROMA", -1}, {"ROMA", "ROMA ", -1}, {"", "", 0},         {"RO\xFF", "ro\xFF", 0},
        {"ROMA", "ROM", 1},
    };
    for (const auto& [a, b, order] : cases) {
        const int found = text::compareIgnoringCase(a, b);
        EXPECT_EQ((found > 0) - (found < 0), order) << a << " / " << b;
        EXPECT_EQ(text::sameIgnoringCase(a, b), order == 0) << a << " / " << b;
        EXPECT_EQ(text::compareIgnoringCase(b, a), -found) << a << " / " << b;
    }
}

TEST(Capitals, OnlyTheLettersAToZChange)
{
    EXPECT_EQ(text::capitals("rossi d'angelo-2"), "ROSSI D'ANGELO-2");
    EXPECT_EQ(text::capitals("nicolò"), "NICOLò");       // accented letters are left as they are
    EXPECT_EQ(text::capitals("e\u0300va"), "E\u0300VA"); // a separate accent mark stays one
    EXPECT_EQ(text::capitals(""), "");
}

TEST(NameOrder, IgnoresCaseAndAccentsThenFallsBackToBytes)
{
    EXPECT_LT(text::compareNames("agliè", "AGLIO"), 0);
    EXPECT_LT(text::compareNames("ÀBACO", "ABETE"), 0);
    EXPECT_LT(text::compareNames("AGLIE", "AGLIÈ"), 0);
    EXPECT_GT(text::compareNames("AGLIÈ", "AGLIE"), 0);
    EXPECT_EQ(text::compareNames("ROMA", "ROMA"), 0);
    EXPECT_LT(text::compareNames("ROMA", "roma"), 0);
    EXPECT_LT(text::compareNames("ROM", "ROMA"), 0);
    EXPECT_LT(text::compareNames("ÖSTERREICH", "PARIGI"), 0);
}

} // namespace
