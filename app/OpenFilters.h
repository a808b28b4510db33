// The file-type filter of the two open-file dialogs of the add commands.
#pragma once

#include <QString>

namespace app {

// The entries joined as shown text "|" patterns "|", one after the other (ending with "|"); the
// first entry is shown first.
QString OpenFilterText();

}  // namespace app
