// What the form printers of this folder share: the state resets and the
// line reader's last line as text.
#ifndef BWPS_REPORTS_FORMS_INTERNAL_H
#define BWPS_REPORTS_FORMS_INTERNAL_H

#include <string>

#include "fx.h"

namespace bwps::forms {

// Frees the table of form variables (tests and FormVarsFree).
void ResetFormVariables();
// Deletes the kept temporary layout of the form tools.
void ResetFormTools();
// The line the reader read last, NUL bytes turned into blanks.
std::string ReaderLine(const FxTextReader& reader);

}  // namespace bwps::forms

#endif
