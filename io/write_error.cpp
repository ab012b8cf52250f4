#include "io/write_error.h"

#include <cstring>

namespace varlen {

std::string DescribeWriteError(const WriteError& why) {
    switch (why.limit) {
        case WriteLimit::kTooLarge:
            return "the file would be larger than 4 GiB, the most its format can hold";
        case WriteLimit::kNotEncodable:
            return "the image cannot be stored in this file type";
        case WriteLimit::kNotRegularFile:
            return "it is not a regular file";
        case WriteLimit::kProtectedLink:
            return "it is a symbolic link in a shared sticky folder, owned by another user "
                   "(not followed)";
        case WriteLimit::kNone:
            break;
    }
    if (why.error == 0) {
        return "unknown error";
    }
    return std::strerror(why.error);
}

}  // namespace varlen
