// The double-quoted debug text of a name in the result classes.
#pragma once

#include <string>
#include <string_view>

namespace forvela {

// The name in double quotes with \" \\ \t \r \n \0 escaped, and characters
// that are not printable or are combining marks written as \u{hex}.
void append_debug_quoted(std::string& out, std::string_view text);

}  // namespace forvela
