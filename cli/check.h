// varlen --check: the icon and cursor checker's report, as text or as one JSON document.
#pragma once

#include <ostream>
#include <span>
#include <string>

#include "io/icon_check.h"

namespace varlen {

// Checks every file and prints the report to out (problems reading a file go to err).
// Returns 0 when no file has an error, 1 when one has or is not an icon or cursor at all
// or cannot be read.
int RunCheck(std::span<const std::string> files, bool json, std::ostream& out, std::ostream& err);

// The report of one checked file, as RunCheck prints it.
void PrintCheckText(const std::string& file, const IconCheckResult& result, std::ostream& out);

// A JSON string literal of text (quotes, backslashes, control characters escaped; bytes
// that are not UTF-8 replaced by U+FFFD).
std::string JsonString(std::string_view text);

}  // namespace varlen
