#pragma once

#include <algorithm>
#include <cstddef>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

namespace tarvo {

// Work on long lists split in parts and done on several processors at once.

// The processors this process may count on, asked once.
inline unsigned processorCount()
{
    static const unsigned count = std::max(std::thread::hardware_concurrency(), 1U);
    return count;
}

// True when work on `size` items is worth two threads: at least
// `minItems` of them, and two processors to run the threads.
inline bool worthTwoThreads(std::size_t size, std::size_t minItems)
{
    return processorCount() >= 2 && size >= minItems && size >= 2;
}

// Runs `there(k)` for each k below `count` on a thread of its own while
// `here` runs on this one, and joins them. A `there(k)` no thread could be
// started for (a process at its limit of threads or of address space) runs
// here afterwards, in order. The first exception of a thread is thrown here
// once all are done.
template <class Here, class There>
void runBeside(std::size_t count, Here here, There there)
{
    std::vector<std::exception_ptr> failures(count);
    std::size_t started = 0;
    {
        std::vector<std::jthread> threads;
        threads.reserve(count);
        try {
            for (; started < count; ++started)
                threads.emplace_back([&there, &failures, k = started] {
                    try {
                        there(k);
                    } catch (...) {
                        failures[k] = std::current_exception();
                    }
                });
        } catch (const std::system_error&) {
        }
        here();
    }
    for (std::size_t k = started; k < count; ++k)
        there(k);
    for (const std::exception_ptr& failure : failures)
        if (failure)
            std::rethrow_exception(failure);
}

// Runs `there` on a thread of its own while `here` runs on this one;
// `split` false, or no thread to be had, runs both here, one after the
// other. An exception of `there` is thrown here once both are done.
template <class Here, class There>
void runSideBySide(bool split, Here here, There there)
{
    runBeside(
        split ? 1 : 0, here, [&there](std::size_t) { there(); });
    if (!split)
        there();
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
