#include "cli/batchinput.h"

#include "text/files.h"

#include <cerrno>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace cfcalc {
namespace {

constexpr std::size_t kPiece = 64 * 1024;

// What a file that is not a regular one is, as a message says it: "è una cartella".
std::string whatItIs(mode_t mode)
{
    if (S_ISDIR(mode)) {
        return "è una cartella";
    }
    if (S_ISFIFO(mode)) {
        return "è una FIFO (un canale tra programmi)";
    }
    if (S_ISSOCK(mode)) {
        return "è un socket";
    }
    return "è un dispositivo";
}

} // namespace

DescriptorInput::DescriptorInput(int descriptor, bool owned)
    : descriptor_(descriptor), owned_(owned), buffer_(kPiece)
{}

DescriptorInput::~DescriptorInput()
{
    if (owned_) {
        ::close(descriptor_);
    }
}

DescriptorInput::int_type DescriptorInput::underflow()
{
    ssize_t count = 0;
    do {
        count = ::read(descriptor_, buffer_.data(), buffer_.size());
    } while (count < 0 && errno == EINTR);
    if (count < 0) {
        throw std::system_error(errno, std::generic_category()); // the stream goes bad
    }
    setg(buffer_.data(), buffer_.data(), buffer_.data() + count);
    return count == 0 ? traits_type::eof() : traits_type::to_int_type(buffer_[0]);
}

DescriptorInput::pos_type DescriptorInput::seekoff(off_type offset, std::ios_base::seekdir from,
                                                   std::ios_base::openmode)
{
    if (from == std::ios_base::cur) {
        offset -= egptr() - gptr(); // read ahead, not yet taken
    }
    const int whence = from == std::ios_base::beg   ? SEEK_SET
                       : from == std::ios_base::cur ? SEEK_CUR
                                                    : SEEK_END;
    const off_t position = ::lseek(descriptor_, offset, whence);
    if (position < 0) {
        return pos_type(off_type(-1));
    }
    setg(buffer_.data(), buffer_.data(), buffer_.data());
    return pos_type(position);
}

DescriptorInput::pos_type DescriptorInput::seekpos(pos_type position, std::ios_base::openmode which)
{
    return seekoff(off_type(position), std::ios_base::beg, which);
}

BatchInput openBatchInput(const std::string& name)
{
    if (name == "-") {
        return {std::make_unique<DescriptorInput>(STDIN_FILENO, false), {}};
    }
    // Not blocking: opening a FIFO would wait for a writer.
    const int descriptor = ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) {
        const std::string why = errno == ENOENT ? "il file non esiste" : text::fileFailure(errno);
        return {nullptr, "Impossibile leggere il file \"" + name + "\": " + why + "."};
    }
    struct stat status {};
    const bool known = ::fstat(descriptor, &status) == 0;
    if (!known || !S_ISREG(status.st_mode)) {
        const std::string why =
            known ? whatItIs(status.st_mode) + ", non un file" : text::fileFailure(errno);
        ::close(descriptor);
        return {nullptr, "Impossibile leggere \"" + name + "\": " + why +
                             ". Indicare un file CSV, o \"-\" per lo standard input."};
    }
    ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
    return {std::make_unique<DescriptorInput>(descriptor, true), {}};
}

} // namespace cfcalc
