#pragma once

#include "text/files.h"

#include <memory>
#include <string>

namespace batch {

// The input of a batch, or why there is none.
struct [[nodiscard]] BatchInput {
    std::unique_ptr<text::DescriptorInput> buffer; // null when refused
    std::string refusal;                           // a whole sentence, in Italian
};

// Opens the batch input `name`: standard input for "-", else a regular file (a link to one will
// do). A folder, a FIFO, a device or a socket is refused at once, without waiting for a writer or
// reading anything; so is a file that cannot be opened.
BatchInput openBatchInput(const std::string& name);

} // namespace batch
