#include "Texts.h"

#include "win/Messages.h"
#include "win/SystemError.h"

namespace setup {

std::string Text(UINT id, std::initializer_list<std::string_view> fill) {
    return win::FormatPlaceholders(win::LoadResString(win::ThisModule(), id), fill);
}

std::string LastErrorText() { return win::SystemErrorText(GetLastError()); }

}  // namespace setup
