#pragma once

#include <cstdint>
#include <vector>

namespace tarvo {

class ReadOnlyFile;

// Offsets that cut the first `size` bytes of an open file into at most
// `parts` parts of about equal size for readers working side by side. Each
// cut lies just after an LF: a line that LineReader hands out never spans
// two parts (an LF always ends the line it is in, however long the line or
// whatever stands before it), so reading the parts one after the other
// gives the lines of the whole file. In increasing order, each inside the
// file; fewer cuts when LFs are too far apart or the file cannot be read
// where the next cut is looked for.
std::vector<std::uint64_t> findLineCuts(const ReadOnlyFile& file, std::uint64_t size, unsigned parts);

} // namespace tarvo
