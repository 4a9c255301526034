// Text from an archive or a file system, made fit to print on a terminal or to stand on one line
// of a log.
#pragma once

#include <string>

// The text with everything a terminal would act on or cannot show spelled out: bytes that start
// no UTF-8 character, the C0 controls and DEL as \xNN, the C1 controls as \u0080 to \u009F. A
// name that holds an escape sequence or a carriage return then cannot clear the screen,
// overwrite what was printed before it or pass for a line of its own. Every other character is
// left as it is.
std::string PrintableText(const std::string& text);
