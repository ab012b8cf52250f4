// What FromDataObject reads from: a clipboard or drag-and-drop payload seen as named byte
// blocks. The GUI adapts its mime data to this; tests give a map.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace varlen {

class DataSource {
  public:
    virtual ~DataSource() = default;
    // The bytes offered under format (a name from io/clipboard_formats.h), or nothing when
    // the format is not offered. An offered format may hold no bytes at all.
    virtual std::optional<std::vector<std::uint8_t>> GetData(std::string_view format) const = 0;
};

}  // namespace varlen
