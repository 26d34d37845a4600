#pragma once

#include "batch/batchfile.h"
#include "text/files.h"

#include <exception>
#include <memory>
#include <ostream>
#include <string>

namespace batch {

// The input of a batch, or why there is none.
struct [[nodiscard]] BatchInput {
    std::unique_ptr<text::DescriptorInput> buffer; // null when refused
    std::string refusal;                           // a whole sentence, in Italian
};

// Whether "-" names standard input, as on the command line, or a file, as from a window.
enum class StandardInput { Offered, NotOffered };

// Opens the batch input `name`: standard input for "-" when offered, else a regular file (a link
// to one will do). A folder, a FIFO, a device or a socket is refused at once, without waiting for
// a writer or reading anything; so is a file that cannot be opened.
BatchInput openBatchInput(const std::string& name,
                          StandardInput standardInput = StandardInput::Offered);

// What a batch on the file `name` says when it could not read the file, a whole sentence in
// Italian: the file refused for its header ("Il file "x" non è stato elaborato: ..."), or its input
// unreadable; empty for a batch that ran, was stopped or could not write its answer (who writes it
// tells why).
std::string batchFailure(const std::string& name, const BatchSummary& summary);

// Writes to `out` why the work stopped on the exception `failure`, a whole sentence in Italian:
// "Memoria insufficiente: elaborazione interrotta.", or an unexpected error named as it came.
// Nothing is allocated on the way, so that it can tell that memory ran out.
void tellStop(std::ostream& out, const std::exception_ptr& failure);

} // namespace batch
