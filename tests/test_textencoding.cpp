#include "tests/textbytes.h"
#include "text/textencoding.h"

#include <gtest/gtest.h>

#include <iterator>
#include <sstream>
#include <string>

using text::Encoding;

namespace {

// Input that cannot be read again, as from a pipe.
class Pipe : public std::streambuf {
public:
    explicit Pipe(std::string bytes) : bytes_(std::move(bytes))
    {
        setg(bytes_.data(), bytes_.data(), bytes_.data() + bytes_.size());
    }

private:
    std::string bytes_;
};

struct Decoded {
    std::string text;
    text::FileEncoding file;
    std::uint64_t replacements = 0;
};

Decoded decode(std::istream& raw)
{
    Decoded decoded;
    text::TextDecoder decoder(raw, decoded.file);
    std::istream in(&decoder);
    decoded.text.assign(std::istreambuf_iterator<char>(in), {});
    decoded.replacements = decoder.replacements();
    return decoded;
}

Decoded decode(const std::string& bytes)
{
    std::istringstream raw(bytes);
    return decode(raw);
}

// What the encoder writes for `text` in the encoding of a file that began with `bytes`.
std::string encode(const std::string& bytes, const std::string& text)
{
    Decoded decoded = decode(bytes);
    std::ostringstream out;
    {
        text::TextEncoder encoder(out, decoded.file);
        std::ostream(&encoder) << text;
    }
    return out.str();
}

TEST(TextDecoder, ReadsEveryEncodingAsUtf8)
{
    const struct {
        std::string bytes;
        std::string text;
        Encoding encoding;
        bool byteOrderMark;
        std::uint64_t replacements;
    } cases[] = {
        {"a;b\n", "a;b\n", Encoding::Ascii, false, 0},
        {"\xEF\xBB\xBFNICCOL\xC3\x92", "NICCOLÒ", Encoding::Utf8, true, 0},
        {"NICCOL\xC3\x92;FORL\xC3\x8C", "NICCOLÒ;FORLÌ", Encoding::Utf8, false, 0},
        {"NICCOL\xD2;FORL\xCC\r\n", "NICCOLÒ;FORLÌ\r\n", Encoding::Windows1252, false, 0},
        {"D\x92"
         "ANGELO \x80 \x81",
         "D’ANGELO € \uFFFD", Encoding::Windows1252, false, 1},
        // Mostly UTF-8: the stray byte is not text, the rest is read as written.
        {"CANT\xC3\x99 PER\xC3\x92 \xD2", "CANTÙ PERÒ \uFFFD", Encoding::Utf8, false, 1},
        {utf16(u"NICCOLÒ;FORLÌ 😀\r\n", false), "NICCOLÒ;FORLÌ 😀\r\n", Encoding::Utf16LE, true, 0},
        {utf16(u"NICCOLÒ;FORLÌ 😀\r\n", true), "NICCOLÒ;FORLÌ 😀\r\n", Encoding::Utf16BE, true, 0},
        // Half of a surrogate pair, an odd byte at the end.
        {utf16(u"\xD83D"
               u"a",
               false) +
             "b",
         "\uFFFDa\uFFFD", Encoding::Utf16LE, true, 2},
        {"", "", Encoding::Ascii, false, 0},
    };
    for (const auto& c : cases) {
        const Decoded decoded = decode(c.bytes);
        EXPECT_EQ(decoded.text, c.text) << c.bytes;
        EXPECT_EQ(decoded.file.encoding(), c.encoding) << c.bytes;
        EXPECT_EQ(decoded.file.byteOrderMark(), c.byteOrderMark) << c.bytes;
        EXPECT_EQ(decoded.replacements, c.replacements) << c.bytes;
    }
}

// The input is read in pieces of 64 KiB: a character cut by the end of a piece is read whole,
// wherever the cut falls, the first character beyond ASCII included.
TEST(TextDecoder, ReadsCharactersCutByTheEndOfAPiece)
{
    const struct {
        std::string (*bytes)(const std::string& ascii);
        std::string tail; // as read
        Encoding encoding;
    } encodings[] = {
        {[](const std::string& a) { return a + "ÒÌ😀€"; }, "ÒÌ😀€", Encoding::Utf8},
        {[](const std::string& a) { return a + "\xD2\xCC?\x80"; }, "ÒÌ?€", Encoding::Windows1252},
        {[](const std::string& a) {
             return utf16(std::u16string(a.begin(), a.end()) + u"ÒÌ😀€", false);
         },
         "ÒÌ😀€", Encoding::Utf16LE},
    };
    for (const auto& e : encodings) {
        for (std::size_t size = 64 * 1024 - 8; size <= 64 * 1024 + 2; ++size) {
            const std::string ascii(size, 'a');
            const Decoded decoded = decode(e.bytes(ascii));
            EXPECT_TRUE(decoded.text == ascii + e.tail) << e.tail << " after " << size;
            EXPECT_EQ(decoded.file.encoding(), e.encoding) << size;
            EXPECT_EQ(decoded.replacements, 0u) << size;
        }
    }
}

// A file whose accents come late: when it can be read again, its encoding is known before its
// first row is answered; from a pipe, once the accents come, unless the answer has had to write
// one first: then UTF-8 it is, and the file's other bytes are not text.
TEST(TextDecoder, RecognisesLateAccentsBeforeTheAnswerBegins)
{
    const std::string ascii = std::string(200'000, 'a') + "\n";
    const std::string bytes = ascii + "NICCOL\xD2\n";
    const auto firstCharacter = [](std::istream& raw, bool answerWritesAnAccent) {
        Decoded decoded;
        text::TextDecoder decoder(raw, decoded.file);
        std::istream in(&decoder);
        in.get();
        const Encoding early = decoded.file.encoding();
        if (answerWritesAnAccent) {
            std::ostringstream out;
            text::TextEncoder encoder(out, decoded.file);
            std::ostream(&encoder) << "FORLÌ" << std::flush;
        }
        decoded.text = "a" + std::string(std::istreambuf_iterator<char>(in), {});
        decoded.replacements = decoder.replacements();
        return std::pair(early, decoded);
    };

    std::istringstream file(bytes);
    const auto [fromFile, readFromFile] = firstCharacter(file, true);
    EXPECT_EQ(fromFile, Encoding::Windows1252);
    EXPECT_TRUE(readFromFile.text == ascii + "NICCOLÒ\n");

    Pipe quiet(bytes);
    std::istream fromQuiet(&quiet);
    const auto [early, readFromQuiet] = firstCharacter(fromQuiet, false);
    EXPECT_EQ(early, Encoding::Ascii);
    EXPECT_TRUE(readFromQuiet.text == ascii + "NICCOLÒ\n");
    EXPECT_EQ(readFromQuiet.file.encoding(), Encoding::Windows1252);

    Pipe answered(bytes);
    std::istream fromAnswered(&answered);
    const auto [before, readFromAnswered] = firstCharacter(fromAnswered, true);
    EXPECT_TRUE(readFromAnswered.text == ascii + "NICCOL\uFFFD\n");
    EXPECT_EQ(readFromAnswered.file.encoding(), Encoding::Utf8);
    EXPECT_EQ(readFromAnswered.replacements, 1u);
}

TEST(TextEncoder, WritesTheAnswerInTheEncodingOfTheFile)
{
    const std::string text = "CANTÙ;ČEPOVAN\n";
    const struct {
        std::string file;
        std::string written;
        char32_t unwritable;
    } cases[] = {
        {"a\n", text, 0},
        {"\xEF\xBB\xBF", "\xEF\xBB\xBF" + text, 0},
        {"CANT\xC3\x99", text, 0},
        {utf16(u"a", true), "\xEF\xBB\xBF" + text, 0},
        {"CANT\xD9", "CANT\xD9;?EPOVAN\n", 0x10C},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(encode(c.file, text), c.written) << c.file;
        EXPECT_EQ(decode(c.file).file.firstUnwritable(text), c.unwritable) << c.file;
    }
    EXPECT_EQ(encode("\xEF\xBB\xBF", ""), ""); // nothing written, not even the mark
}

TEST(TextEncoder, GivesBackTheBytesOfAWindows1252File)
{
    std::string bytes = "\xC8\n"; // È: the file is Windows-1252
    for (int byte = 1; byte < 256; ++byte) {
        if (text::fromWindows1252(static_cast<unsigned char>(byte)) != 0xFFFD) {
            bytes += static_cast<char>(byte);
        }
    }
    EXPECT_EQ(bytes.size(), 2u + 255u - 5u);
    EXPECT_EQ(encode(bytes, decode(bytes).text), bytes);
}

} // namespace
