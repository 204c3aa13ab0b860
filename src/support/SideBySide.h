#pragma once

#include <cstddef>
#include <exception>
#include <system_error>
#include <thread>

namespace tarvo {

// Work on long lists split in two and done on two processors at once.

// True when work on `size` items is worth two threads: at least
// `minItems` of them, and two processors to run the threads.
inline bool worthTwoThreads(std::size_t size, std::size_t minItems)
{
    static const bool twoProcessors = std::thread::hardware_concurrency() >= 2;
    return twoProcessors && size >= minItems && size >= 2;
}

// Runs `there` on a thread of its own while `here` runs on this one, and
// joins it; `split` false, or no thread to be had, runs both here, one
// after the other. An exception of `there` is thrown here once both are
// done.
template <class Here, class There>
void runSideBySide(bool split, Here here, There there)
{
    std::exception_ptr failure;
    {
        std::jthread other;
        if (split) {
            try {
                other = std::jthread([&there, &failure] {
                    try {
                        there();
                    } catch (...) {
                        failure = std::current_exception();
                    }
                });
            } catch (const std::system_error&) {
                split = false;
            }
        }
        here();
    }
    if (!split)
        there();
    if (failure)
        std::rethrow_exception(failure);
}

// Sorting a long list on two processors: `sortPart(from, to)` sorts the
// items [from, to) of a list of `size`. For a list worth two threads it
// runs for the two halves side by side; otherwise once for the whole list.
// Returns where the second half begins (`size` when the list was not cut);
// `mergeRuns` then makes one order of the two.
template <class SortPart>
std::size_t sortInHalves(std::size_t size, std::size_t minItems, SortPart sortPart)
{
    const bool split = worthTwoThreads(size, minItems);
    const std::size_t middle = split ? size / 2 : size;
    runSideBySide(
        split, [&] { sortPart(std::size_t{0}, middle); }, [&] { sortPart(middle, size); });
    return middle;
}

// Merges the sorted runs [first, middle) and [middle, last), handing each
// item to `out` in order. Of equal items, those of the first run come
// first, so two halves stably sorted merge into the order one stable sort
// of the whole gives.
template <class It, class Less, class Out>
void mergeRuns(It first, It middle, It last, Less less, Out out)
{
    It a = first;
    It b = middle;
    while (a != middle && b != last) {
        if (less(*b, *a))
            out(*b++);
        else
            out(*a++);
    }
    for (; a != middle; ++a)
        out(*a);
    for (; b != last; ++b)
        out(*b);
}

} // namespace tarvo
