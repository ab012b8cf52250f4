#include "cli/terminal.h"

#include <cstdlib>
#include <initializer_list>

#if defined(_WIN32)
#include <io.h>
#define VARLEN_ISATTY _isatty
#define VARLEN_STDERR 2
#else
#include <unistd.h>
#define VARLEN_ISATTY isatty
#define VARLEN_STDERR STDERR_FILENO
#endif

namespace varlen {

bool StderrIsTerminal() {
    return VARLEN_ISATTY(VARLEN_STDERR) != 0;
}

bool WizardCanStart() {
#if defined(_WIN32) || defined(__APPLE__)
    return true;
#else
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') {
            return true;
        }
    }
    return false;
#endif
}

}  // namespace varlen
