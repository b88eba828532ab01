// Texts as a terminal shows them: how many columns they take (wide East Asian
// characters take two, combining marks none), cutting them to fit a width, and
// keeping text that came from a server from steering the terminal.
//
// Pure functions on UTF-8; any thread.
#pragma once

#include <string>
#include <string_view>

namespace ld {

// Columns the text takes on a terminal. Malformed bytes count one column each.
int displayWidth(std::string_view utf8);

// The longest leading part of the text that takes at most `columns` columns,
// never cutting a character in two.
std::string fitToColumns(std::string_view utf8, int columns);

// The text with every control character (C0, DEL, C1) replaced by a blank, so
// a title or address cannot move the cursor, clear the screen or end a line;
// malformed bytes become U+FFFD.
std::string printableText(std::string_view utf8);

}  // namespace ld
