#pragma once

#include <string>

namespace tarvo {

// Keeps a log file bounded; the update log calls it with 50000 and 1.5 at
// program end.
//
// The rule: a file of at most `size` * `factor` bytes is left alone (a
// factor below 1 counts as 1). A larger file keeps only its newest `size`
// bytes, moved forward to the first line start among them so no half line
// opens the file (when those bytes hold no line end at all, they are kept as
// they are). The slack between `size` and `size` * `factor` means the file is
// rewritten once per that many bytes of growth, not on every run.
//
// The file is replaced atomically: on any failure it stays as it was. True
// when the file is within the bound afterwards (a missing file is); false
// when it could not be read or replaced, or `size` is negative.
bool limitFileSize(const std::string& path, long size, float factor);

} // namespace tarvo
