// The small text helpers every part uses: which blanks are left out around a text, and quoting.
#include "text/textfold.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace {

TEST(Text, TrimmedLeavesOutTheAsciiBlanksAroundAndNothingElse)
{
    const struct {
        std::string_view text;
        std::string_view trimmed;
    } cases[] = {
        {"", ""},
        {" \t\r\n\v\f", ""},
        {" ROSSI ", "ROSSI"},
        {"\tRSSMRA74A01H501W\r\n", "RSSMRA74A01H501W"},
        {"DE  ROSSI", "DE  ROSSI"},                         // blanks inside stay
        {"\x01ROSSI\x7F", "\x01ROSSI\x7F"},                 // control characters are not blanks
        {"\xC2\xA0ROSSI\xC2\xA0", "\xC2\xA0ROSSI\xC2\xA0"}, // nor is the no-break space
    };
    for (const auto& c : cases) {
        EXPECT_EQ(text::trimmed(c.text), c.trimmed) << c.text;
    }
}

TEST(Text, QuotedPutsTheTextBetweenDoubleQuotesAsItIs)
{
    EXPECT_EQ(text::quoted(""), "\"\"");
    EXPECT_EQ(text::quoted("AA1.mdb"), "\"AA1.mdb\"");
    EXPECT_EQ(text::quoted("/home/anna/\"dati\" e più"), "\"/home/anna/\"dati\" e più\"");
}

} // namespace
