#pragma once

#include <filesystem>
#include <memory>
#include <streambuf>
#include <string>
#include <string_view>
#include <vector>

// Files the program reads and writes, and the reasons, in Italian, why a read or write failed.
namespace text {

// Why a read or write failed with the system's error number `error`, as a message can end:
// "il disco è pieno", "accesso negato", ...
std::string fileFailure(int error);

// Replaces `file` (a new file, or one that exists) by `bytes`: they are written to a new
// temporary file in the folder of `file`, which is renamed over that name only once complete and
// on the disk. Whatever stands at the name is never opened: a symbolic link there is replaced as a
// link, and the file it leads to stays untouched. A regular file of the user's own that is
// replaced keeps its permissions; any other page gets the usual ones of a new file. Returns an
// empty text, or the reason nothing was written: the file is then as it was and no temporary file
// is left.
[[nodiscard]] std::string replaceFile(const std::filesystem::path& file, std::string_view bytes);

// An output buffer that writes to an open file descriptor (standard output) in large pieces and
// remembers the error of a write that failed; the stream it serves then goes bad.
class DescriptorOutput : public std::streambuf {
public:
    explicit DescriptorOutput(int descriptor);
    ~DescriptorOutput() override;
    DescriptorOutput(const DescriptorOutput&) = delete;
    DescriptorOutput& operator=(const DescriptorOutput&) = delete;

    // The system's error number of the write that failed; 0 while none has.
    int error() const { return error_; }

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* data, std::streamsize size) override;
    int sync() override;

private:
    bool writeOut(const char* data, std::size_t size);
    bool drain();

    int descriptor_;
    int error_ = 0;
    std::vector<char> buffer_;
};

// Reads an open file descriptor in large pieces. A read that fails makes the stream it serves
// bad. It can be sought in when the descriptor can (a file, not a pipe).
class DescriptorInput : public std::streambuf {
public:
    // `owned`: closed with the buffer.
    DescriptorInput(int descriptor, bool owned);
    ~DescriptorInput() override;
    DescriptorInput(const DescriptorInput&) = delete;
    DescriptorInput& operator=(const DescriptorInput&) = delete;

protected:
    int_type underflow() override;
    pos_type seekoff(off_type offset, std::ios_base::seekdir from,
                     std::ios_base::openmode which) override;
    pos_type seekpos(pos_type position, std::ios_base::openmode which) override;

private:
    int descriptor_;
    bool owned_;
    std::vector<char> buffer_;
};

// A new file written in pieces, which takes a name only once complete and on the disk: its bytes
// go to a temporary file in the folder of `beside`, with the usual permissions of a new file, and
// that file is renamed once finished (replaceFile is made with it). A new file dropped before it
// has a name leaves nothing behind.
class NewFile {
public:
    explicit NewFile(const std::filesystem::path& beside);
    ~NewFile();
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;

    // Empty, or why the file could not be made or written: "la cartella è di sola lettura".
    const std::string& failure() const { return failure_; }

    // Where its bytes go, gathered and written in large pieces; a write that fails makes the
    // stream it serves bad, and finish() tells why.
    std::streambuf& bytes() { return *output_; }

    // Writes out what is gathered and puts the file on the disk; false when that fails (see
    // failure()).
    bool finish();

    // Gives the finished file the name `name` in its folder, over whatever stands there: a link
    // is replaced as a link. False when that fails (see failure()).
    bool replace(const std::filesystem::path& name);

    // Gives the finished file the name `name` in its folder only when nothing stands there, not
    // even a link: false when something does (the file is then still without a name, for another
    // one) or when naming it fails (see failure()).
    bool takeFreeName(const std::filesystem::path& name);

private:
    friend std::string replaceFile(const std::filesystem::path& file, std::string_view bytes);

    bool failed(int error);

    std::string name_; // the temporary file's
    int descriptor_ = -1;
    bool made_ = false;
    std::unique_ptr<DescriptorOutput> output_;
    bool named_ = false;
    std::string failure_;
};

} // namespace text
