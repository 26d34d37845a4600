#include "batch/batchinput.h"

#include "text/files.h"
#include "text/textfold.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace batch {
namespace {

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

BatchInput openBatchInput(const std::string& name)
{
    if (name == "-") {
        return {std::make_unique<text::DescriptorInput>(STDIN_FILENO, false), {}};
    }
    // Not blocking: opening a FIFO would wait for a writer.
    const int descriptor = ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) {
        const std::string why = errno == ENOENT ? "il file non esiste" : text::fileFailure(errno);
        return {nullptr, "Impossibile leggere il file " + text::quoted(name) + ": " + why + "."};
    }
    struct stat status {};
    const bool known = ::fstat(descriptor, &status) == 0;
    if (!known || !S_ISREG(status.st_mode)) {
        const std::string why =
            known ? whatItIs(status.st_mode) + ", non un file" : text::fileFailure(errno);
        ::close(descriptor);
        return {nullptr, "Impossibile leggere " + text::quoted(name) + ": " + why +
                             ". Indicare un file CSV, o \"-\" per lo standard input."};
    }
    ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
    return {std::make_unique<text::DescriptorInput>(descriptor, true), {}};
}

} // namespace batch
