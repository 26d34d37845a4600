#include "text/files.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <system_error>
#include <utility>

#ifdef _WIN32
#include <fstream>
#include <io.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace text {
namespace {

// Writes every byte, going on after a write cut short; false with errno set when one fails.
bool writeAll(int descriptor, const char* data, std::size_t size)
{
    while (size > 0) {
#ifdef _WIN32
        const int written =
            ::_write(descriptor, data, static_cast<unsigned>(std::min<std::size_t>(size, 1 << 30)));
#else
        const ssize_t written = ::write(descriptor, data, size);
#endif
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

// A descriptor's input is read in pieces of this size.
constexpr std::size_t kInputPiece = 64 * 1024;

// Reads at most `size` bytes; the count, or -1 with errno set.
long long readSome(int descriptor, char* data, std::size_t size)
{
#ifdef _WIN32
    return ::_read(descriptor, data, static_cast<unsigned>(std::min<std::size_t>(size, 1 << 30)));
#else
    return ::read(descriptor, data, size);
#endif
}

// Moves the descriptor's position as lseek does; the new position, or -1.
long long seekTo(int descriptor, long long offset, int whence)
{
#ifdef _WIN32
    return ::_lseeki64(descriptor, offset, whence);
#else
    return ::lseek(descriptor, static_cast<off_t>(offset), whence);
#endif
}

void closeDescriptor(int descriptor)
{
#ifdef _WIN32
    ::_close(descriptor);
#else
    ::close(descriptor);
#endif
}

} // namespace

std::string fileFailure(int error)
{
    switch (error) {
    case ENOSPC:
        return "il disco è pieno";
#ifdef EDQUOT
    case EDQUOT:
        return "spazio su disco concesso all'utente esaurito";
#endif
    case EROFS:
        return "il disco è di sola lettura";
    case EACCES:
    case EPERM:
        return "accesso negato";
    case ENOTDIR:
    case EEXIST:
        return "nel percorso c'è un file al posto di una cartella";
    case ENOENT:
        return "la cartella non esiste";
    case EIO:
        return "errore del disco";
    case EFBIG:
        return "file troppo grande";
    default:
        return "errore di sistema n. " + std::to_string(error);
    }
}

#ifdef _WIN32

std::string replaceFile(const fs::path& file, std::string_view bytes)
{
    const fs::path temporary = file.string() + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out.flush()) {
            const int error = errno;
            out.close();
            std::error_code ignored;
            fs::remove(temporary, ignored);
            return fileFailure(error);
        }
    }
    std::error_code error;
    fs::rename(temporary, file, error);
    if (error) {
        fs::remove(temporary, error);
        return "accesso negato";
    }
    return {};
}

#else

namespace {

// The permissions a new file gets: everything the user's file mode creation mask allows.
mode_t newFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// A temporary file beside the one it will replace, removed unless it took that file's place.
class TemporaryFile {
public:
    explicit TemporaryFile(const fs::path& beside)
        : name_((beside.parent_path() / ("." + beside.filename().string() + ".XXXXXX")).string())
    {
        descriptor_ = ::mkstemp(name_.data());
    }
    ~TemporaryFile()
    {
        if (descriptor_ >= 0) {
            ::close(descriptor_);
        }
        if (!renamed_) {
            ::unlink(name_.c_str());
        }
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    bool created() const { return descriptor_ >= 0; }
    int descriptor() const { return descriptor_; }
    bool close()
    {
        const int descriptor = std::exchange(descriptor_, -1);
        return ::close(descriptor) == 0;
    }
    bool renameTo(const fs::path& file)
    {
        renamed_ = ::rename(name_.c_str(), file.c_str()) == 0;
        return renamed_;
    }

private:
    std::string name_;
    int descriptor_ = -1;
    bool renamed_ = false;
};

} // namespace

std::string replaceFile(const fs::path& file, std::string_view bytes)
{
    // What stands at the name now, never followed: a link is replaced, not what it leads to.
    struct stat old {};
    const bool replacing = ::lstat(file.c_str(), &old) == 0;
    if (replacing && S_ISDIR(old.st_mode)) {
        return "al suo posto c'è una cartella";
    }
    const bool ownFile = replacing && S_ISREG(old.st_mode) && old.st_uid == ::geteuid();
    if (ownFile && ::access(file.c_str(), W_OK) != 0) {
        return errno == EACCES ? "il file è di sola lettura" : fileFailure(errno);
    }
    TemporaryFile temporary(file.has_parent_path() ? file : fs::path(".") / file);
    if (!temporary.created()) {
        const int error = errno;
        return error == EACCES || error == EPERM || error == EROFS ? "la cartella è di sola lettura"
                                                                   : fileFailure(error);
    }
    const int descriptor = temporary.descriptor();
    if (ownFile) {
        // The group too, where the system allows it.
        [[maybe_unused]] const int grouped =
            ::fchown(descriptor, static_cast<uid_t>(-1), old.st_gid);
    }
    if (::fchmod(descriptor, ownFile ? old.st_mode & 0777 : newFileMode()) != 0 ||
        !writeAll(descriptor, bytes.data(), bytes.size()) || ::fsync(descriptor) != 0 ||
        !temporary.close() || !temporary.renameTo(file)) {
        return fileFailure(errno);
    }
    return {};
}

#endif

DescriptorOutput::DescriptorOutput(int descriptor) : descriptor_(descriptor)
{
    buffer_.reserve(64 * 1024);
}

DescriptorOutput::~DescriptorOutput()
{
    drain();
}

bool DescriptorOutput::writeOut(const char* data, std::size_t size)
{
    if (error_ != 0) {
        return false;
    }
    if (!writeAll(descriptor_, data, size)) {
        error_ = errno;
        return false;
    }
    return true;
}

bool DescriptorOutput::drain()
{
    const bool written = writeOut(buffer_.data(), buffer_.size());
    buffer_.clear();
    return written;
}

DescriptorOutput::int_type DescriptorOutput::overflow(int_type c)
{
    if (traits_type::eq_int_type(c, traits_type::eof())) {
        return drain() ? traits_type::not_eof(c) : traits_type::eof();
    }
    const char byte = traits_type::to_char_type(c);
    return xsputn(&byte, 1) == 1 ? c : traits_type::eof();
}

std::streamsize DescriptorOutput::xsputn(const char* data, std::streamsize size)
{
    const auto count = static_cast<std::size_t>(size);
    if (buffer_.size() + count > buffer_.capacity()) {
        if (!drain()) {
            return 0;
        }
        if (count >= buffer_.capacity()) {
            return writeOut(data, count) ? size : 0;
        }
    }
    buffer_.insert(buffer_.end(), data, data + count);
    return size;
}

int DescriptorOutput::sync()
{
    return drain() ? 0 : -1;
}

DescriptorInput::DescriptorInput(int descriptor, bool owned)
    : descriptor_(descriptor), owned_(owned), buffer_(kInputPiece)
{}

DescriptorInput::~DescriptorInput()
{
    if (owned_) {
        closeDescriptor(descriptor_);
    }
}

DescriptorInput::int_type DescriptorInput::underflow()
{
    long long count = 0;
    do {
        count = readSome(descriptor_, buffer_.data(), buffer_.size());
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
    const long long position = seekTo(descriptor_, offset, whence);
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

} // namespace text
