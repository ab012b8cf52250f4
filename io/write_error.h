// Why a file could not be written: a system error number, or one of our own limits.
#pragma once

#include <string>

namespace varlen {

enum class WriteLimit {
    kNone,            // the reason is the system error in WriteError::error
    kTooLarge,        // the file would exceed the 4 GiB that its 32-bit fields can address
    kNotEncodable,    // the image has no form in this file type (or its encoder failed)
    kNotRegularFile,  // the target exists and is a device, pipe or socket
    kProtectedLink,   // a link in a shared sticky folder, owned by someone else
};

struct WriteError {
    int error = 0;  // errno, when limit is kNone
    WriteLimit limit = WriteLimit::kNone;
};

// The reason in words, for "cannot write 'X': <reason>" (English; the system's own
// strerror text for system errors).
std::string DescribeWriteError(const WriteError& why);

}  // namespace varlen
