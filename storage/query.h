#pragma once

#include <string>
#include <vector>

namespace storage {

// A condition on one column. Its value is bound to the statement as a parameter, never written
// into the statement's text: any text, quotes and NUL bytes included, is looked for as it is.
struct Criterion {
    enum class Test {
        Matches,            // the column's text matches the value as a pattern (text::LikePattern)
        EqualsIgnoringCase, // the column's text is the value, letter case aside
    };
    std::string column;
    Test test;
    std::string value;
};

// The rows of one table that a window reads, with every column: those that meet every criterion,
// ordered by the column `orderBy`, or in the table's order when it is empty; rows of equal value
// keep the table's order among them.
struct Query {
    std::string table;
    std::vector<Criterion> criteria;
    std::string orderBy;
};

} // namespace storage
