#include "batch/batchinput.h"

#include "text/files.h"
#include "text/textfold.h"

#include <cerrno>
#include <new>

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

BatchInput openBatchInput(const std::string& name, StandardInput standardInput)
{
    const bool offered = standardInput == StandardInput::Offered;
    if (offered && name == "-") {
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
                             (offered ? ". Indicare un file CSV, o \"-\" per lo standard input."
                                      : ". Indicare un file CSV.")};
    }
    ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
    return {std::make_unique<text::DescriptorInput>(descriptor, true), {}};
}

std::string batchFailure(const std::string& name, const BatchSummary& summary)
{
    switch (summary.end) {
    case BatchEnd::Refused:
        return "Il file " + text::quoted(name) + " non è stato elaborato: " + summary.refusal + ".";
    case BatchEnd::InputFailed:
        return "Errore di lettura del file " + text::quoted(name) + ": elaborazione interrotta.";
    case BatchEnd::Finished:
    case BatchEnd::Stopped:
    case BatchEnd::OutputFailed:
        break;
    }
    return {};
}

void tellStop(std::ostream& out, const std::exception_ptr& failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const std::bad_alloc&) {
        out << "Memoria insufficiente: elaborazione interrotta.";
    } catch (const std::exception& error) {
        out << "Errore imprevisto (" << error.what() << "): elaborazione interrotta.";
    } catch (...) {
        out << "Errore imprevisto: elaborazione interrotta.";
    }
}

} // namespace batch
