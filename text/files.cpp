#include "text/files.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#else
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

namespace {

// The folder a new file beside `file` is made in.
fs::path folderOf(const fs::path& file)
{
    return file.has_parent_path() ? file.parent_path() : fs::path(".");
}

#ifdef _WIN32

int makeTemporary(std::string& name)
{
    name += ".tmp";
    return ::_open(name.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _S_IREAD | _S_IWRITE);
}

int syncDescriptor(int descriptor)
{
    return ::_commit(descriptor);
}

int renameOver(const std::string& from, const fs::path& to)
{
    std::error_code error;
    fs::rename(from, to, error);
    return error ? (errno = EACCES, -1) : 0;
}

// 0 when renamed, 1 when something stands at `to`, -1 with errno set when the rename fails.
int renameIfFree(const std::string& from, const fs::path& to)
{
    std::error_code error;
    if (fs::exists(fs::symlink_status(to, error))) {
        return 1;
    }
    return std::rename(from.c_str(), to.string().c_str()) == 0 ? 0 : -1;
}

#else

// The permissions a new file gets: everything the user's file mode creation mask allows.
mode_t newFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

int makeTemporary(std::string& name)
{
    name += ".XXXXXX";
    const int descriptor = ::mkstemp(name.data());
    if (descriptor >= 0 && ::fchmod(descriptor, newFileMode()) != 0) {
        const int error = errno;
        ::close(descriptor);
        ::unlink(name.c_str());
        errno = error;
        return -1;
    }
    return descriptor;
}

int syncDescriptor(int descriptor)
{
    return ::fsync(descriptor);
}

int renameOver(const std::string& from, const fs::path& to)
{
    return ::rename(from.c_str(), to.c_str());
}

// 0 when renamed, 1 when something stands at `to`, -1 with errno set when the rename fails. A
// file system that cannot rename without replacing gets a second link, and one that has no links
// a look at the name first.
int renameIfFree(const std::string& from, const fs::path& to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno == EEXIST) {
        return 1;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return -1;
    }
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return 0;
    }
    if (errno == EEXIST) {
        return 1;
    }
    if (errno != EPERM && errno != EOPNOTSUPP) {
        return -1;
    }
    struct stat standing {};
    if (::lstat(to.c_str(), &standing) == 0) {
        return 1;
    }
    return errno == ENOENT ? ::rename(from.c_str(), to.c_str()) : -1;
}

#endif

} // namespace

NewFile::NewFile(const fs::path& beside)
    : name_((folderOf(beside) / ("." + beside.filename().string())).string())
{
    descriptor_ = makeTemporary(name_);
    made_ = descriptor_ >= 0;
    if (!made_) {
        const int error = errno;
        failure_ = error == EACCES || error == EPERM || error == EROFS
                       ? "la cartella è di sola lettura"
                       : fileFailure(error);
    }
    output_ = std::make_unique<DescriptorOutput>(descriptor_);
}

NewFile::~NewFile()
{
    output_.reset(); // before its descriptor is closed
    if (descriptor_ >= 0) {
        closeDescriptor(descriptor_);
    }
    if (made_ && !named_) {
        std::remove(name_.c_str());
    }
}

bool NewFile::failed(int error)
{
    failure_ = fileFailure(error);
    return false;
}

bool NewFile::finish()
{
    if (!failure_.empty()) {
        return false;
    }
    if (output_->pubsync() != 0) {
        return failed(output_->error());
    }
    if (syncDescriptor(descriptor_) != 0) {
        return failed(errno);
    }
    const int descriptor = std::exchange(descriptor_, -1);
    closeDescriptor(descriptor);
    return true;
}

bool NewFile::replace(const fs::path& name)
{
    named_ = renameOver(name_, name) == 0;
    return named_ || failed(errno);
}

bool NewFile::takeFreeName(const fs::path& name)
{
    const int renamed = renameIfFree(name_, name);
    named_ = renamed == 0;
    return named_ || (renamed < 0 && failed(errno));
}

std::string replaceFile(const fs::path& file, std::string_view bytes)
{
#ifndef _WIN32
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
#endif
    NewFile page(file);
    if (!page.failure().empty()) {
        return page.failure();
    }
#ifndef _WIN32
    if (ownFile) {
        // The group too, where the system allows it.
        [[maybe_unused]] const int grouped =
            ::fchown(page.descriptor_, static_cast<uid_t>(-1), old.st_gid);
        if (::fchmod(page.descriptor_, old.st_mode & 0777) != 0) {
            return fileFailure(errno);
        }
    }
#endif
    page.bytes().sputn(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!page.finish() || !page.replace(file)) {
        return page.failure();
    }
    return {};
}

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
