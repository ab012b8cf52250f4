// varlen: the program. With any option (anything starting with "-" but the wizard's "-del")
// it runs the command-line front end, which needs no display and never loads Qt, so a
// mistyped option is a usage error and never a window. Without a graphical session the
// wizard is not started: one line, exit 2 (an explicit QT_QPA_PLATFORM counts as one).
// Otherwise it becomes the wizard program, varlen-wizard (exec with the same arguments:
// the same process, so exit status, signals and standard streams are the wizard's), looked
// for beside this program and then at its installed place relative to it. A batch run
// removes its temporary file when SIGINT, SIGTERM or SIGHUP ends it, and reports a write
// beyond the file-size limit instead of dying of SIGXFSZ.
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "cli/batch.h"
#include "cli/terminal.h"
#include "io/temporary_files.h"

namespace {

// The directory of this program's file.
std::filesystem::path ProgramDirectory(const char* argv0) {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        return self.parent_path();
    }
    return std::filesystem::path(argv0 != nullptr ? argv0 : "").parent_path();
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (varlen::IsBatchInvocation(args)) {
        varlen::RemoveTemporaryFilesOnSignals();
        return varlen::BatchMain(args, std::cout, std::cerr);
    }
    if (!varlen::WizardCanStart()) {
        std::cerr << varlen::kNoGraphicalSession << "\n";
        return varlen::kExitUsage;
    }
    const std::filesystem::path dir = ProgramDirectory(argc > 0 ? argv[0] : nullptr);
    const std::filesystem::path candidates[] = {dir / "varlen-wizard",
                                                dir / VARLEN_WIZARD_FROM_BINDIR};
    int error = ENOENT;
    for (const std::filesystem::path& wizard : candidates) {
        execv(wizard.c_str(), argv);
        error = errno;  // only reached when the exec failed
    }
    std::cerr << "varlen: cannot start the wizard program varlen-wizard: " << std::strerror(error)
              << "\n";
    return varlen::kExitFailed;
}
