// The one platform call of the command line: whether standard error is a terminal (the
// progress line is shown only there).
#pragma once

namespace varlen {

bool StderrIsTerminal();

}  // namespace varlen
