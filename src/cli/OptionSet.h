#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace tarvo::cli {

// One option of a verb as the verb describes it. The verbs bind their
// options to members of their own; the argument parser (CLI11, included by
// CliApp.cpp alone because it takes long to compile) reads these
// descriptions and fills the members.
struct Option {
    // Where the value goes: a bool is a flag, a vector takes the option as
    // often as it is given, an optional tells "not given" from "".
    using Target = std::variant<bool*, std::string*, std::optional<std::string>*, std::vector<std::string>*>;

    std::string name; // "--name", or NAME alone for an argument in place
    std::string help;
    Target target;
    std::vector<std::string> allowed; // the values it takes; empty: any
    bool required = false;
};

// The options of one verb, in the order its help lists them.
class OptionSet final {
public:
    // Describes one more option; the answer is for setting `allowed` or
    // `required`, before the next `add`.
    Option& add(std::string name, std::string help, Option::Target target);

    [[nodiscard]] const std::vector<Option>& options() const { return m_options; }

private:
    std::vector<Option> m_options;
};

} // namespace tarvo::cli
