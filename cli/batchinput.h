#pragma once

#include <memory>
#include <streambuf>
#include <string>
#include <vector>

namespace cfcalc {

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

// The input of a batch, or why there is none.
struct BatchInput {
    std::unique_ptr<DescriptorInput> buffer; // null when refused
    std::string refusal;                     // a whole sentence, in Italian
};

// Opens the batch input `name`: standard input for "-", else a regular file (a link to one will
// do). A folder, a FIFO, a device or a socket is refused at once, without waiting for a writer or
// reading anything; so is a file that cannot be opened.
BatchInput openBatchInput(const std::string& name);

} // namespace cfcalc
