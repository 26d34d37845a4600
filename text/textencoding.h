#pragma once

#include <cstddef>
#include <cstdint>
#include <istream>
#include <ostream>
#include <streambuf>
#include <string>
#include <string_view>
#include <vector>

// Text files as spreadsheets save them: UTF-8 with or without a byte order mark, UTF-16 with one,
// or Windows-1252. The program reads them as UTF-8 and writes its answer back in the encoding the
// file came in, so that the spreadsheet reads back what it wrote and no file mixes two encodings.
namespace text {

// Ascii: no character beyond ASCII yet, whose bytes are the same in UTF-8 and Windows-1252.
enum class Encoding { Ascii, Utf8, Windows1252, Utf16LE, Utf16BE };

// The character of a byte in Windows-1252; U+FFFD for the five bytes it leaves undefined.
char32_t fromWindows1252(unsigned char byte);

// The byte of `c` in Windows-1252; -1 for a character it cannot hold.
int toWindows1252(char32_t c);

// The encoding of one file, shared by the decoder that reads it and the encoder that writes the
// answer: what the decoder recognised, or UTF-8 once the answer had to write a character beyond
// ASCII before the file showed one.
class FileEncoding {
public:
    Encoding encoding() const { return encoding_; }
    bool byteOrderMark() const { return byteOrderMark_; } // the file began with one

    // The answer is in Windows-1252 for a Windows-1252 file, else in UTF-8; it begins with a byte
    // order mark when the file was UTF-16 or UTF-8 with one.
    bool writesWindows1252() const { return encoding_ == Encoding::Windows1252; }
    bool writesByteOrderMark() const;

    // The first character of the UTF-8 `text` that the answer cannot hold; 0 when there is none.
    char32_t firstUnwritable(std::string_view text) const;

    // "UTF-8", "Windows-1252" or "UTF-16", for messages.
    std::string_view name() const;

private:
    friend class TextDecoder;
    friend class TextEncoder;
    Encoding encoding_ = Encoding::Ascii;
    bool byteOrderMark_ = false;
};

// Reads the bytes of `raw` as UTF-8 text. A byte order mark tells UTF-8 or UTF-16 (little or big
// endian) and is left out. Without one, the first character beyond ASCII decides: the file is
// UTF-8 when, from there to the end of the piece read, well-formed UTF-8 characters beyond ASCII
// are at least as many as the bytes that are not UTF-8, else Windows-1252. When the first piece
// is all ASCII and `raw` can be read again from there (a file, not a pipe), that character is
// sought in the rest of the input first, so that the encoding is known before the answer begins.
//
// The input is read in pieces of a fixed size: memory does not grow with it. What is not text in
// the file's encoding (a byte that is not UTF-8 in a UTF-8 file, one of the five bytes that
// Windows-1252 leaves undefined, half of a UTF-16 surrogate pair) is read as U+FFFD and counted.
// A read that fails ends the text; `raw` is then bad.
class TextDecoder : public std::streambuf {
public:
    TextDecoder(std::istream& raw, FileEncoding& file);

    // Bytes read from `raw` so far: for a measure of progress.
    std::uint64_t bytesRead() const { return bytesRead_; }

    // How many times something that is not text was read as U+FFFD.
    std::uint64_t replacements() const { return replacements_; }

protected:
    int_type underflow() override;

private:
    static constexpr std::size_t kPiece = 64 * 1024;

    void readPiece();
    std::size_t skipByteOrderMark();
    void lookAhead();
    std::size_t decode(std::size_t from);
    std::size_t decodeUtf8(std::size_t from);
    std::size_t decodeUtf16(std::size_t from, bool bigEndian);
    void decodeWindows1252(std::size_t from);
    void appendReplacement();
    void show(char* begin, char* end) { setg(begin, begin, end); }
    void showText() { show(text_.data(), text_.data() + text_.size()); }

    std::istream& raw_;
    FileEncoding& file_;
    std::vector<char> bytes_; // a piece of `raw`, after the bytes kept from the one before
    std::size_t size_ = 0;    // bytes in bytes_
    std::size_t kept_ = 0;    // the end of a character cut by the piece's end, for the next one
    std::string text_;        // the piece decoded, when it is not shown in place
    bool started_ = false;
    bool ended_ = false; // the last piece has been read
    std::uint64_t bytesRead_ = 0;
    std::uint64_t replacements_ = 0;
};

// Writes UTF-8 text to `out` in the encoding of the answer (see FileEncoding), beginning with a
// byte order mark when it should. A character that Windows-1252 cannot hold is written as "?":
// who writes checks with FileEncoding::firstUnwritable first. The text is gathered and written in
// large pieces; flushing the stream writes what is left, and flushes `out`.
class TextEncoder : public std::streambuf {
public:
    TextEncoder(std::ostream& out, FileEncoding& file);
    ~TextEncoder() override;
    TextEncoder(const TextEncoder&) = delete;
    TextEncoder& operator=(const TextEncoder&) = delete;

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* data, std::streamsize size) override;
    int sync() override;

private:
    static constexpr std::size_t kPiece = 64 * 1024;

    bool writeOut();
    bool writeText(std::string_view text);

    std::ostream& out_;
    FileEncoding& file_;
    std::vector<char> buffer_;
    std::string bytes_; // a piece in Windows-1252
    bool started_ = false;
};

} // namespace text
