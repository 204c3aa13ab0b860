#pragma once

#include "phonebook/PopColumn.h"

#include <array>
#include <string_view>

namespace tarvo {

// For each canonical column, the position in a POP line where the reader
// finds it. Identity until a "#HDR" line says otherwise; a header then stays
// in effect for every later line and every file read later through the same
// phonebook (the customer file and the handheld's copy included).
class ColumnMap final {
public:
    ColumnMap() { reset(); }

    void reset();

    // The position of `column` in a line (0..27).
    [[nodiscard]] int position(PopColumn column) const { return m_position[static_cast<std::size_t>(column)]; }
    [[nodiscard]] const std::array<int, kPopColumnCount>& positions() const { return m_position; }

    // The header check every comment line of a POP file goes through: a line
    // beginning with "#HDR" is taken as a header and true is returned.
    // Names start after "#HDR" and one separator character. Each known name
    // moves its column to the position where the name stands; a column the
    // header does not name keeps the position it had, names outside the
    // column table are ignored, and of a name given twice the later position
    // wins.
    bool applyHeader(std::string_view line);

    [[nodiscard]] bool isIdentity() const;

private:
    std::array<int, kPopColumnCount> m_position{};
};

} // namespace tarvo
