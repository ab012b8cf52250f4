// Whether standard error is a terminal, through the platform's isatty.
#include "cli/terminal.h"

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

}  // namespace varlen
