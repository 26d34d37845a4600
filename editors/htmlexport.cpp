#include "editors/htmlexport.h"

#include "text/files.h"

#include <QFile>

#include <string_view>

namespace htmlexport {
namespace {

QString escaped(QString value)
{
    value.replace(u'&', QStringLiteral("&amp;"));
    value.replace(u'<', QStringLiteral("&lt;"));
    value.replace(u'>', QStringLiteral("&gt;"));
    return value;
}

// Windows-1252 bytes 0x80-0x9F and the characters they stand for (0 where the byte is unused).
constexpr char32_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

int windows1252Byte(char32_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
        return static_cast<int>(c);
    }
    for (int i = 0; i < 32; ++i) {
        if (kHighControls[i] != 0 && kHighControls[i] == c) {
            return 0x80 + i;
        }
    }
    return -1;
}

} // namespace

QStringList pageLines(const Layout& layout, const std::vector<Row>& rows)
{
    QStringList lines = {
        QStringLiteral("<html>"),
        QStringLiteral("<head>"),
        QStringLiteral("<body>"),
        QString::fromUtf8(layout.title),
        QStringLiteral("<p>"),
        QStringLiteral("<table cellpadding=1 cellspacing=1  align=left border=0 BGCOLOR=black>"),
        QStringLiteral("<tr BGCOLOR=yellow>"),
        QStringLiteral("<td width=%1 height=17 align=left>").arg(layout.firstWidth),
        QStringLiteral("<Font STYLE=font-size:18 face=  Arial color= >"),
        QStringLiteral(" %1 </td>").arg(QString::fromUtf8(layout.firstHeading)),
        QStringLiteral("<td width=%1 height=17 align=left>").arg(layout.secondWidth),
        QStringLiteral("<Font STYLE=font-size:18 face= Arial Color= > "),
        QStringLiteral(" %1 </td>").arg(QString::fromUtf8(layout.secondHeading)),
        QStringLiteral("</font></tr>"),
    };
    for (const auto& [first, second] : rows) {
        lines << QStringLiteral("<tr  > <td BGCOLOR=white align=left>")
              << QStringLiteral("<Font STYLE=font-size:10 face= Arial color= >")
              << escaped(first) + QStringLiteral("</td>")
              << QStringLiteral("<td BGCOLOR=white align=left>")
              << QStringLiteral("<Font STYLE=font-size:10 face= Arial color= >")
              << escaped(second) + QStringLiteral("</td>") << QStringLiteral("</font></tr>");
    }
    lines << QStringLiteral("</body>") << QStringLiteral("</html>");
    return lines;
}

QByteArray pageBytes(const QStringList& lines)
{
    QByteArray bytes;
    for (const QString& line : lines) {
        for (char32_t c : line.toUcs4()) {
            const int byte = windows1252Byte(c);
            if (byte >= 0) {
                bytes += static_cast<char>(byte);
            } else {
                bytes += "&#" + QByteArray::number(static_cast<quint32>(c)) + ';';
            }
        }
        bytes += "\r\n";
    }
    return bytes;
}

QString writePage(const QString& fileName, const QStringList& lines)
{
    const QByteArray bytes = pageBytes(lines);
    return QString::fromStdString(text::replaceFile(QFile::encodeName(fileName).toStdString(),
                                                    std::string_view(bytes.data(), bytes.size())));
}

} // namespace htmlexport
