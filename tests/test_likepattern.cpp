#include "data/catalogue.h"
#include "data/likepattern.h"
#include "data/textfold.h"

#include <gtest/gtest.h>

using refdata::LikePattern;

namespace {

bool Like(const char* text, const char* pattern)
{
    return LikePattern(pattern).Matches(text);
}

TEST(LikePattern, WildcardsAndLiterals)
{
    EXPECT_TRUE(Like("ROMA", "ROMA"));
    EXPECT_FALSE(Like("ROMANO", "ROMA")); // a whole-value match
    EXPECT_TRUE(Like("ROMANO", "ROMA*"));
    EXPECT_TRUE(Like("ROMA", "ROMA*"));
    EXPECT_TRUE(Like("CASTEL SANT'ANGELO", "*SANT?ANGELO"));
    EXPECT_TRUE(Like("SANT'ANGELO", "SANT?ANGELO"));
    EXPECT_TRUE(Like("SANTXANGELO", "SANT?ANGELO"));
    EXPECT_FALSE(Like("SANTANGELO", "SANT?ANGELO"));
    EXPECT_TRUE(Like("MONTE SAN SAVINO", "M*S*O"));
    EXPECT_FALSE(Like("MONTE SAN SAVINI", "M*S*O"));
    EXPECT_TRUE(Like("", "*"));
    EXPECT_TRUE(Like("", ""));
    EXPECT_FALSE(Like("A", ""));
    EXPECT_TRUE(Like("00186", "00###"));
    EXPECT_FALSE(Like("0018A", "00###"));
    EXPECT_TRUE(Like("AXB", "A?B"));
    EXPECT_TRUE(Like("AÈB", "A?B")); // an accented letter is one character
    EXPECT_TRUE(Like("aaaaaaaaaaaaaaaaaaaaaaaaaaaaab", "*a*a*a*a*a*b"));
    EXPECT_FALSE(Like("aaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", "*a*a*a*a*a*b"));
}

TEST(LikePattern, CaseIsIgnoredAccentedLettersIncluded)
{
    EXPECT_TRUE(Like("ROMA", "roma"));
    EXPECT_TRUE(Like("roma", "ROMA"));
    EXPECT_TRUE(Like("AGLIÈ", "agliè"));
    EXPECT_TRUE(Like("città", "CITTÀ"));
    EXPECT_FALSE(Like("AGLIE", "AGLIÈ")); // the accent itself still counts
    EXPECT_TRUE(Like("ŁÓDŹ", "łódź"));
    EXPECT_TRUE(Like("ΑΘΗΝΑ", "αθηνα"));
}

TEST(LikePattern, BracketedLists)
{
    EXPECT_TRUE(Like("B", "[ABC]"));
    EXPECT_TRUE(Like("b", "[ABC]"));
    EXPECT_FALSE(Like("D", "[ABC]"));
    EXPECT_TRUE(Like("M", "[a-z]"));
    EXPECT_FALSE(Like("5", "[a-z]"));
    EXPECT_TRUE(Like("5", "[!a-z]"));
    EXPECT_FALSE(Like("M", "[!a-z]"));
    EXPECT_TRUE(Like("ROMA", "[PR]OMA"));
    EXPECT_TRUE(Like("*", "[*]")); // wildcards lose their meaning inside a list
    EXPECT_FALSE(Like("X", "[*]"));
    EXPECT_TRUE(Like("?", "[?]"));
    EXPECT_TRUE(Like("-", "[a-]"));
    EXPECT_TRUE(Like("È", "[àèé]"));
}

TEST(LikePattern, MalformedPatternsHaveADefinedMeaning)
{
    EXPECT_TRUE(Like("[A", "[A")); // an unclosed "[" stands for itself
    EXPECT_FALSE(Like("A", "[A"));
    EXPECT_TRUE(Like("A]", "A]"));     // so does a lone "]"
    EXPECT_TRUE(Like("AB", "A[]B"));   // "[]" takes no character
    EXPECT_TRUE(Like("AXB", "A[!]B")); // "[!]" takes any one
    EXPECT_FALSE(Like("M", "[z-a]"));  // a reversed range holds nothing
    EXPECT_TRUE(Like("x[", "*["));
    EXPECT_TRUE(Like("\xFF", "?")); // an invalid byte is one character
    EXPECT_FALSE(Like("\xC3", "\xC3\xA0"));
}

TEST(SostituisciApici, ReplacesEveryApostropheAndNothingElse)
{
    EXPECT_EQ(refdata::SostituisciApici("SANT'ANGELO"), "SANT?ANGELO");
    EXPECT_EQ(refdata::SostituisciApici("''a'"), "??a?");
    EXPECT_EQ(refdata::SostituisciApici("*[#]?\"’"), "*[#]?\"’");
    EXPECT_EQ(refdata::SostituisciApici(""), "");
    EXPECT_EQ(refdata::SostituisciApici(std::string(40000, '\'')), std::string(40000, '?'));
}

TEST(NameOrder, IgnoresCaseAndAccentsThenFallsBackToBytes)
{
    EXPECT_LT(refdata::CompareNames("agliè", "AGLIO"), 0);
    EXPECT_LT(refdata::CompareNames("ÀBACO", "ABETE"), 0);
    EXPECT_LT(refdata::CompareNames("AGLIE", "AGLIÈ"), 0);
    EXPECT_GT(refdata::CompareNames("AGLIÈ", "AGLIE"), 0);
    EXPECT_EQ(refdata::CompareNames("ROMA", "ROMA"), 0);
    EXPECT_LT(refdata::CompareNames("ROMA", "roma"), 0);
    EXPECT_LT(refdata::CompareNames("ROM", "ROMA"), 0);
    EXPECT_LT(refdata::CompareNames("ÖSTERREICH", "PARIGI"), 0);
}

} // namespace
