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
//
// WizardCanStart answers whether the wizard could open a window.
#pragma once

#include <string>
#include <string_view>

namespace varlen {

bool StderrIsTerminal();

// Whether a graphical session is there for the wizard. On X11/Wayland systems: a display
// is named (DISPLAY or WAYLAND_DISPLAY), or a Qt platform is chosen explicitly
// (QT_QPA_PLATFORM, e.g. offscreen), which Qt then answers for. Elsewhere always true.
bool WizardCanStart();

// The one line shown instead of starting the wizard when WizardCanStart is false.
inline constexpr char kNoGraphicalSession[] =
    "varlen: the wizard needs a graphical session (neither DISPLAY nor WAYLAND_DISPLAY is "
    "set); see 'varlen --help' for the command-line front end";

std::string EscapedName(std::string_view name);

}  // namespace varlen
