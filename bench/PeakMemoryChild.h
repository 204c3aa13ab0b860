#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tarvo::bench {

// Peak memory is measured in a process of its own, so that the generator,
// earlier sizes and the benchmark library do not count: the benchmark
// program starts itself again with a mode argument that its `main` answers
// before any benchmark runs, the child does the work and prints one line of
// figures, and this side reads that line.
//
// This program started again with `args` after its own path: what it
// printed on stdout, once it has ended; nothing when it could not be
// started or did not exit 0.
std::optional<std::string> runSelf(const std::vector<std::string>& args);

} // namespace tarvo::bench
