#include "text/textencoding.h"

#include "text/textfold.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace text {
namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";

// The characters of the bytes 0x80 to 0x9F in Windows-1252; the rest beyond ASCII are Latin-1.
constexpr std::array<char32_t, 32> kWindows1252 = {
    0x20AC,       kReplacement, 0x201A, 0x0192, 0x201E, 0x2026,       0x2020, 0x2021,
    0x02C6,       0x2030,       0x0160, 0x2039, 0x0152, kReplacement, 0x017D, kReplacement,
    kReplacement, 0x2018,       0x2019, 0x201C, 0x201D, 0x2022,       0x2013, 0x2014,
    0x02DC,       0x2122,       0x0161, 0x203A, 0x0153, kReplacement, 0x017E, 0x0178,
};

// The position of the first byte from `from` on that is not ASCII; the text's size when none is.
// Eight bytes are tried at a time.
std::size_t firstBeyondAscii(std::string_view text, std::size_t from = 0)
{
    std::size_t pos = from;
    for (; pos + 8 <= text.size(); pos += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, text.data() + pos, sizeof word);
        if ((word & 0x8080808080808080ULL) != 0) {
            break;
        }
    }
    while (pos < text.size() && static_cast<unsigned char>(text[pos]) < 0x80) {
        ++pos;
    }
    return pos;
}

// The position of the first byte that is not UTF-8; the text's size when there is none.
std::size_t firstMalformed(std::string_view text)
{
    for (std::size_t pos = firstBeyondAscii(text); pos < text.size();
         pos = firstBeyondAscii(text, pos)) {
        const std::size_t at = pos;
        if (!isCharacter(nextCharacter(text, pos))) {
            return at;
        }
    }
    return text.size();
}

// How many bytes at the end of `text` begin a UTF-8 character that they do not finish: the rest
// of it may follow in the next piece.
std::size_t unfinishedLength(std::string_view text)
{
    for (std::size_t back = 1; back <= std::min<std::size_t>(3, text.size()); ++back) {
        const auto byte = static_cast<unsigned char>(text[text.size() - back]);
        if ((byte & 0xC0) == 0x80) {
            continue; // a continuation byte: its lead is further back
        }
        const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        return length > back ? back : 0;
    }
    return 0;
}

// The encoding of `bytes`, which begin with a byte beyond ASCII: UTF-8 when its well-formed
// characters beyond ASCII are at least as many as its bytes that are not UTF-8, else
// Windows-1252. Ascii (not known yet) when, `complete` false, they hold nothing but the start of
// a character that goes on past their end.
Encoding recognise(std::string_view bytes, bool complete)
{
    if (!complete) {
        bytes.remove_suffix(unfinishedLength(bytes));
    }
    std::size_t wellFormed = 0;
    std::size_t malformed = 0;
    for (std::size_t pos = firstBeyondAscii(bytes); pos < bytes.size();
         pos = firstBeyondAscii(bytes, pos)) {
        ++(isCharacter(nextCharacter(bytes, pos)) ? wellFormed : malformed);
    }
    if (wellFormed + malformed == 0) {
        return Encoding::Ascii;
    }
    return wellFormed >= malformed ? Encoding::Utf8 : Encoding::Windows1252;
}

} // namespace

char32_t fromWindows1252(unsigned char byte)
{
    return byte >= 0x80 && byte < 0xA0 ? kWindows1252[byte - 0x80] : byte;
}

int toWindows1252(char32_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
        return static_cast<int>(c);
    }
    const auto* found = std::find(kWindows1252.begin(), kWindows1252.end(), c);
    if (c == kReplacement || found == kWindows1252.end()) {
        return -1;
    }
    return 0x80 + static_cast<int>(found - kWindows1252.begin());
}

bool FileEncoding::writesByteOrderMark() const
{
    return (encoding_ == Encoding::Utf8 && byteOrderMark_) || encoding_ == Encoding::Utf16LE ||
           encoding_ == Encoding::Utf16BE;
}

char32_t FileEncoding::firstUnwritable(std::string_view text) const
{
    if (!writesWindows1252()) {
        return 0;
    }
    for (std::size_t pos = firstBeyondAscii(text); pos < text.size();
         pos = firstBeyondAscii(text, pos)) {
        const char32_t c = nextCharacter(text, pos);
        if (toWindows1252(c) < 0) {
            return c;
        }
    }
    return 0;
}

std::string_view FileEncoding::name() const
{
    switch (encoding_) {
    case Encoding::Windows1252:
        return "Windows-1252";
    case Encoding::Utf16LE:
    case Encoding::Utf16BE:
        return "UTF-16";
    case Encoding::Ascii:
    case Encoding::Utf8:
        break;
    }
    return "UTF-8";
}

TextDecoder::TextDecoder(std::istream& raw, FileEncoding& file)
    : raw_(raw), file_(file), bytes_(kPiece + 4)
{}

TextDecoder::int_type TextDecoder::underflow()
{
    while (gptr() == egptr() && !ended_) {
        readPiece();
        std::size_t from = 0;
        if (!started_) {
            started_ = true;
            from = skipByteOrderMark();
            lookAhead();
        }
        kept_ = decode(from);
    }
    return gptr() == egptr() ? traits_type::eof() : traits_type::to_int_type(*gptr());
}

// The next piece, after the bytes kept from the one before.
void TextDecoder::readPiece()
{
    std::memmove(bytes_.data(), bytes_.data() + size_ - kept_, kept_);
    raw_.read(bytes_.data() + kept_, kPiece);
    const auto count = static_cast<std::size_t>(raw_.gcount());
    bytesRead_ += count;
    size_ = kept_ + count;
    kept_ = 0;
    ended_ = count < kPiece;
}

// A byte order mark at the start tells the encoding; returns its length.
std::size_t TextDecoder::skipByteOrderMark()
{
    const struct {
        std::string_view mark;
        Encoding encoding;
    } marks[] = {{"\xEF\xBB\xBF", Encoding::Utf8},
                 {"\xFF\xFE", Encoding::Utf16LE},
                 {"\xFE\xFF", Encoding::Utf16BE}};
    const std::string_view start(bytes_.data(), size_);
    for (const auto& [mark, encoding] : marks) {
        if (start.starts_with(mark)) {
            file_.encoding_ = encoding;
            file_.byteOrderMark_ = true;
            return mark.size();
        }
    }
    return 0;
}

// A first piece all ASCII, of an input that goes on: when the input can be read again from
// here, its first character beyond ASCII is sought and decides; then reading goes on from here.
void TextDecoder::lookAhead()
{
    const std::string_view piece(bytes_.data(), size_);
    if (file_.encoding_ != Encoding::Ascii || ended_ || firstBeyondAscii(piece) < piece.size()) {
        return;
    }
    const auto here = raw_.tellg();
    if (here == std::istream::pos_type(-1)) {
        return;
    }
    text_.resize(kPiece);
    const auto read = [&] {
        raw_.read(text_.data(), kPiece);
        return std::string_view(text_.data(), static_cast<std::size_t>(raw_.gcount()));
    };
    for (std::streamoff offset = 0;;) {
        const std::string_view scanned = read();
        const std::size_t first = firstBeyondAscii(scanned);
        if (first < scanned.size()) {
            raw_.clear(raw_.rdstate() & std::ios::badbit); // the end reached, not an error
            raw_.seekg(here + offset + static_cast<std::streamoff>(first));
            const std::string_view window = read();
            file_.encoding_ = recognise(window, window.size() < kPiece);
            break;
        }
        if (scanned.size() < kPiece) {
            break;
        }
        offset += static_cast<std::streamoff>(kPiece);
    }
    if (raw_.bad()) {
        return; // the read that failed ends the text
    }
    raw_.clear();
    if (!raw_.seekg(here)) {
        raw_.setstate(std::ios::badbit); // the rest cannot be read: never a text cut short
    }
}

// Shows the text of bytes_ from `from` on; returns how many bytes at the end are kept for the
// next piece, as the start of a character that goes on there.
std::size_t TextDecoder::decode(std::size_t from)
{
    switch (file_.encoding_) {
    case Encoding::Ascii:
        break;
    case Encoding::Utf8:
        return decodeUtf8(from);
    case Encoding::Windows1252:
        decodeWindows1252(from);
        return 0;
    case Encoding::Utf16LE:
        return decodeUtf16(from, false);
    case Encoding::Utf16BE:
        return decodeUtf16(from, true);
    }
    const std::string_view piece(bytes_.data() + from, size_ - from);
    const std::size_t first = firstBeyondAscii(piece);
    if (first < piece.size()) {
        file_.encoding_ = recognise(piece.substr(first), ended_);
        if (file_.encoding_ != Encoding::Ascii) {
            return decode(from);
        }
    }
    // ASCII, and perhaps the start of a character that goes on in the next piece.
    show(bytes_.data() + from, bytes_.data() + from + first);
    return piece.size() - first;
}

std::size_t TextDecoder::decodeUtf8(std::size_t from)
{
    std::string_view piece(bytes_.data() + from, size_ - from);
    const std::size_t kept = ended_ ? 0 : unfinishedLength(piece);
    piece.remove_suffix(kept);
    const std::size_t malformed = firstMalformed(piece);
    if (malformed == piece.size()) {
        show(bytes_.data() + from, bytes_.data() + from + piece.size()); // as it is
        return kept;
    }
    text_.assign(piece.substr(0, malformed));
    for (std::size_t pos = malformed; pos < piece.size();) {
        const std::size_t at = pos;
        if (isCharacter(nextCharacter(piece, pos))) {
            text_.append(piece.substr(at, pos - at));
        } else {
            appendReplacement();
        }
    }
    showText();
    return kept;
}

void TextDecoder::decodeWindows1252(std::size_t from)
{
    const std::string_view piece(bytes_.data() + from, size_ - from);
    text_.clear();
    for (std::size_t pos = 0; pos < piece.size(); ++pos) {
        const std::size_t beyond = firstBeyondAscii(piece, pos);
        text_.append(piece.substr(pos, beyond - pos));
        if (beyond == piece.size()) {
            break;
        }
        pos = beyond;
        const char32_t c = fromWindows1252(static_cast<unsigned char>(piece[pos]));
        if (c == kReplacement) {
            appendReplacement();
        } else {
            appendUtf8(text_, c);
        }
    }
    showText();
}

std::size_t TextDecoder::decodeUtf16(std::size_t from, bool bigEndian)
{
    const auto unit = [&](std::size_t at) {
        const auto first = static_cast<unsigned char>(bytes_[at]);
        const auto second = static_cast<unsigned char>(bytes_[at + 1]);
        return static_cast<char32_t>(bigEndian ? first << 8 | second : second << 8 | first);
    };
    const auto isLow = [](char32_t c) {
        return c >= 0xDC00 && c <= 0xDFFF;
    };
    text_.clear();
    std::size_t pos = from;
    for (; pos + 2 <= size_; pos += 2) {
        const char32_t c = unit(pos);
        if (c < 0xD800 || c > 0xDFFF) {
            appendUtf8(text_, c);
            continue;
        }
        const bool paired = c < 0xDC00 && pos + 4 <= size_ && isLow(unit(pos + 2));
        if (c < 0xDC00 && pos + 4 > size_ && !ended_) {
            break; // its pair comes with the next piece
        }
        if (paired) {
            appendUtf8(text_, 0x10000 + ((c - 0xD800) << 10) + (unit(pos + 2) - 0xDC00));
            pos += 2;
        } else {
            appendReplacement();
        }
    }
    if (ended_ && pos < size_) {
        appendReplacement(); // an odd byte at the end
        pos = size_;
    }
    showText();
    return size_ - pos;
}

void TextDecoder::appendReplacement()
{
    text_ += kReplacementUtf8;
    ++replacements_;
}

TextEncoder::TextEncoder(std::ostream& out, FileEncoding& file)
    : out_(out), file_(file), buffer_(kPiece)
{
    setp(buffer_.data(), buffer_.data() + buffer_.size());
}

TextEncoder::~TextEncoder()
{
    writeOut();
}

TextEncoder::int_type TextEncoder::overflow(int_type c)
{
    if (!writeOut()) {
        return traits_type::eof();
    }
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
    }
    return traits_type::not_eof(c);
}

int TextEncoder::sync()
{
    return writeOut() && out_.flush() ? 0 : -1;
}

// Large pieces, as a CsvWriter writes them, go straight through.
std::streamsize TextEncoder::xsputn(const char* data, std::streamsize size)
{
    const std::string_view text(data, static_cast<std::size_t>(size));
    if (pptr() != pbase() || text.size() < kPiece) {
        return std::streambuf::xsputn(data, size);
    }
    const std::size_t kept = unfinishedLength(text);
    if (!writeText(text.substr(0, text.size() - kept))) {
        return 0;
    }
    std::memcpy(pptr(), text.data() + text.size() - kept, kept);
    pbump(static_cast<int>(kept));
    return size;
}

// Writes what was gathered, but for the start of a character that goes on in what comes next.
bool TextEncoder::writeOut()
{
    std::string_view text(pbase(), static_cast<std::size_t>(pptr() - pbase()));
    const std::size_t kept = unfinishedLength(text);
    text.remove_suffix(kept);
    const bool written = writeText(text);
    std::memmove(buffer_.data(), pptr() - kept, kept);
    setp(buffer_.data(), buffer_.data() + buffer_.size());
    pbump(static_cast<int>(kept));
    return written;
}

bool TextEncoder::writeText(std::string_view text)
{
    if (!text.empty() && !started_) {
        started_ = true;
        if (file_.writesByteOrderMark()) {
            out_.write("\xEF\xBB\xBF", 3);
        }
    }
    if (file_.encoding_ == Encoding::Ascii && firstBeyondAscii(text) < text.size()) {
        file_.encoding_ = Encoding::Utf8; // the file, read on, will be read as UTF-8 too
    }
    if (file_.writesWindows1252()) {
        bytes_.clear();
        for (std::size_t pos = 0; pos < text.size();) {
            const std::size_t beyond = firstBeyondAscii(text, pos);
            bytes_.append(text.substr(pos, beyond - pos));
            if (beyond == text.size()) {
                break;
            }
            pos = beyond;
            const int byte = toWindows1252(nextCharacter(text, pos));
            bytes_ += static_cast<char>(byte < 0 ? '?' : byte);
        }
        text = bytes_;
    }
    out_.write(text.data(), static_cast<std::streamsize>(text.size()));
    return static_cast<bool>(out_);
}

} // namespace text
