#pragma once

// A file's name as a report shows it, the same in every front end: as it
// is, or, when it would not show as it is (empty, blanks only, a control
// character that a terminal acts on, bytes that are not UTF-8), in double
// quotes with C escapes, so that one name stays one line.

#include <string>
#include <string_view>

namespace ondrel {

std::string ShownName(std::string_view name);

}  // namespace ondrel
