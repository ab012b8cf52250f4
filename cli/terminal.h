// What the command line prints about names and the terminal it prints to.
//
// Contract: EscapedName makes any byte string safe to print on one line of a terminal:
// printable ASCII and valid UTF-8 sequences of printable characters stay as they are; the
// backslash becomes "\\"; tab, newline and carriage return become "\t", "\n" and "\r";
// every other control byte (C0, DEL), every C1 control and every byte that is not part of
// a valid UTF-8 sequence becomes "\xHH". So no escape sequence, line break or cursor
// movement from a file name reaches the terminal, and two different names never print the
// same.
//
// Traps: C1 controls (U+0080 ... U+009F) are two-byte UTF-8 sequences that some terminals
// obey as escapes; overlong forms, surrogates and code points above U+10FFFF are not valid
// UTF-8 and are escaped byte by byte.
#pragma once

#include <string>
#include <string_view>

namespace varlen {

bool StderrIsTerminal();

std::string EscapedName(std::string_view name);

}  // namespace varlen
