#pragma once

#include <QString>

// What the program's own dialogs leave behind for the window that opened them. They live for the
// whole run and are never reset between uses.
namespace results {

inline QString RegioneScelta;      // the region picked on the map, or empty
inline QString TestoImmesso;       // the text accepted in the input box, or empty
inline int RicercaDescrizione = 0; // 1 when the input box's check box was ticked

} // namespace results
