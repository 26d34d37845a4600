#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

// The HTML page into which an editor exports its table: a title line and a two-column table.
namespace htmlexport {

struct Layout {
    const char* title; // the text above the table
    int firstWidth;    // column widths and headings
    const char* firstHeading;
    int secondWidth;
    const char* secondHeading;
};

using Row = std::pair<QString, QString>;

// Every line of the page, in order. Values are written as stored but with "&", "<" and ">"
// escaped, so that no name can break the page.
QStringList pageLines(const Layout& layout, const std::vector<Row>& rows);

// The page's bytes: each line followed by CR LF, in the Windows-1252 code page; a character that
// code page cannot hold becomes a numeric character reference.
QByteArray pageBytes(const QStringList& lines);

// Writes the page to `fileName` in the working folder, the database's, through a new temporary
// file that replaces the old page only once complete; a link at that name is replaced, never
// followed (see text::replaceFile). Returns an empty text, or the reason the page could not be
// written (the old page then stays as it was).
QString writePage(const QString& fileName, const QStringList& lines);

} // namespace htmlexport
