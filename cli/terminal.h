// The platform questions of the command line: whether standard error is a terminal (the
// progress line is shown only there), and whether the wizard could open a window.
#pragma once

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

}  // namespace varlen
