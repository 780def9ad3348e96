#pragma once
// A subcommand as one row of the table in cli/main.cpp: its name, what it is for, its
// options and operands, and its entry point. The table is the whole description: the
// parser, the checks of every value and the help are made from it, so an entry point only
// reads what it was given. A new command is one row there and one file cli/cmd_NAME.cpp
// that defines the entry point and its options, operands and messages.

#include <cstdint>
#include <limits>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cli/console.h"
#include "cli/messages.h"

namespace icoforge::cli {

// What a value must be; the parser refuses anything else as a usage error, before the
// command reads a file.
struct ValueRule {
    enum class Kind : std::uint8_t { kText, kWholeNumber, kChoice } kind = Kind::kText;
    std::int64_t min = 0;  // kWholeNumber: the range, both ends included
    std::int64_t max = 0;
    std::span<const std::string_view> choices = {};  // kChoice
};

inline constexpr ValueRule kAnyText{};
// Indices and counts people say: 1 for the first, nothing below.
inline constexpr ValueRule kIndexRule{ValueRule::Kind::kWholeNumber, 1, std::numeric_limits<std::int32_t>::max()};
constexpr ValueRule NumberFrom(std::int64_t min, std::int64_t max) {
    return {ValueRule::Kind::kWholeNumber, min, max};
}
constexpr ValueRule OneOf(std::span<const std::string_view> choices) {
    return {ValueRule::Kind::kChoice, 0, 0, choices};
}

struct OptionRow {
    std::string_view short_name;  // "-s", or empty
    std::string_view long_name;   // "--size": the name the entry point asks for
    std::string_view value_name;  // "SIZE"; empty for a flag
    Message help;
    ValueRule rule = kAnyText;
};

enum class Arity : std::uint8_t { kOne, kOptional, kOneOrMore, kAny };  // kAny: none or more

struct OperandRow {
    std::string_view name;  // "FILE", as the usage line shows it
    Arity arity = Arity::kOne;
    ValueRule rule = kAnyText;
};

class Invocation;

struct Subcommand {
    std::string_view name;
    Message summary;      // one line, for the list of commands
    Message description;  // the help's paragraph
    std::span<const OptionRow> options;
    std::span<const OperandRow> operands;
    int (*run)(const Invocation&);
};

// What the parser found for one run of a subcommand, by the names the table gives. Values
// have passed their rules.
class Invocation {
public:
    Invocation(const Subcommand& command, Console& console) : command_(command), console_(console) {}

    const Subcommand& command() const { return command_; }
    Console& console() const { return console_; }

    bool Has(std::string_view long_name) const { return values_.contains(std::string(long_name)); }
    // The value of an option (the last one given), or nothing.
    std::optional<std::string> Value(std::string_view long_name) const;
    // A whole-number option or operand, already checked against its rule.
    std::optional<std::int64_t> Number(std::string_view name) const;
    // The one value of an operand (empty when an optional one was left out).
    const std::string& Operand(std::string_view name) const;
    // Every value of an operand, in order.
    const std::vector<std::string>& Operands(std::string_view name) const;

    // Shorthands for the console's.
    std::string Text(const Message& message, std::initializer_list<std::string_view> arguments = {}) const {
        return console_.Text(message, arguments);
    }
    int Fail(std::string_view line) const { return console_.Fail(line); }
    int UsageError(std::string_view line) const { return console_.UsageError(line, command_.name); }

    // Filled by the parser.
    void SetOption(std::string long_name, std::string value) { values_[std::move(long_name)] = std::move(value); }
    void AddOperand(std::string_view name, std::string value) { operands_[std::string(name)].push_back(std::move(value)); }

private:
    const Subcommand& command_;
    Console& console_;
    std::map<std::string, std::string> values_;
    std::map<std::string, std::vector<std::string>> operands_;
};

// The usage error for a value against its rule, or nothing when it passes. `name` is how
// the user knows the value: the option's name or the operand's.
std::optional<std::string> CheckValue(const Console& console, std::string_view name, const ValueRule& rule,
                                      std::string_view value);

// A decimal whole number of the whole text (an optional sign, then digits), or nothing.
std::optional<std::int64_t> WholeNumber(std::string_view text);
// "X,Y": two whole numbers from `min` to `max` either side of the first comma, or nothing.
std::optional<std::pair<std::int64_t, std::int64_t>> WholeNumberPair(std::string_view text, std::int64_t min,
                                                                     std::int64_t max);

// The one name of `names` that `typed` most likely misspells, for a usage error to offer:
// the only one it starts (three letters at least), else the only one nearest to it in
// edits (a letter left out, added or changed, or two swapped), at most one edit for every
// three letters and two in all. Nothing when no name, or more than one, is that near.
std::optional<std::string_view> LikelyMeant(std::string_view typed, const std::vector<std::string_view>& names);

// The usage error for an option `given` that is none of `names` (long names), offering the
// one it likely misspells.
std::string UnknownOptionText(const Console& console, const std::string& given,
                              const std::vector<std::string_view>& names);

// The subcommand's help, generated from its row.
std::string HelpOf(const Console& console, const Subcommand& command);

// Parses `args` (after the subcommand's name; the program's own options given before it
// come first) for `command` and runs it. Usage errors end here with kExitUsage.
int RunSubcommand(const Subcommand& command, const std::vector<std::string>& args, Console& console);

}  // namespace icoforge::cli
