#pragma once

#include <filesystem>
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

} // namespace text
