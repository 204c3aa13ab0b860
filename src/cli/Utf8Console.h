#pragma once

namespace tarvo::cli {

// The program writes UTF-8 with LF line ends. A Windows console shows its
// output in the console's own code page, so while this object lives the
// console takes UTF-8, and its code page comes back afterwards (the console
// outlives the program); and the standard streams write their bytes as
// they are, so a list written to a file is the same file on both systems.
// Nothing to do on Linux.
class Utf8Console final {
public:
    Utf8Console();
    Utf8Console(const Utf8Console&) = delete;
    Utf8Console& operator=(const Utf8Console&) = delete;
    ~Utf8Console();

private:
    unsigned m_previous = 0; // 0: nothing changed
};

} // namespace tarvo::cli
