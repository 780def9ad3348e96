// The one parser of every subcommand: CLI11 splits the arguments by the table's row, and
// the values are checked here against their rules, so that every command refuses a bad
// argument the same way, in the user's language.

#include "cli/subcommand.h"

#include <algorithm>
#include <charconv>

#include <CLI/CLI.hpp>

namespace icoforge::cli {
namespace {

// Options every subcommand takes, beside its own.
constexpr OptionRow kCommonOptions[] = {
    {"-h", "--help", "", msg::kHelpOption},
    {"-q", "--quiet", "", msg::kQuietOption},
    {"-v", "--verbose", "", msg::kVerboseOption},
    {"-0", "--null", "", msg::kNullOption},
};

const std::string kNoValue;
const std::vector<std::string> kNoValues;

std::string CliNames(const OptionRow& option) {
    std::string names(option.short_name);
    if (!option.long_name.empty()) names.append(names.empty() ? "" : ",").append(option.long_name);
    return names;
}

std::string DisplayNames(const OptionRow& option) {
    std::string names(option.short_name);
    if (!option.long_name.empty()) names.append(names.empty() ? "" : ", ").append(option.long_name);
    if (!option.value_name.empty()) names.append(" ").append(option.value_name);
    return names;
}

std::string OperandUsage(const OperandRow& operand) {
    switch (operand.arity) {
        case Arity::kOne: return std::string(operand.name);
        case Arity::kOptional: return "[" + std::string(operand.name) + "]";
        case Arity::kOneOrMore: return std::string(operand.name) + "...";
        case Arity::kAny: return "[" + std::string(operand.name) + "...]";
    }
    return std::string(operand.name);
}

// CLI11 says which option lacked its value only in its English text; the option named
// there is found among the declared ones, the longest name first so that "-s" does not
// stand for "--size".
std::string OptionNamedIn(std::string_view text, std::span<const OptionRow> options) {
    std::string found;
    for (const auto& option : options)
        for (const std::string_view name : {option.long_name, option.short_name})
            if (!name.empty() && text.find(name) != std::string_view::npos && name.size() > found.size())
                found = name;
    return found;
}

}  // namespace

std::optional<std::int64_t> WholeNumber(std::string_view text) {
    if (text.starts_with('+')) text.remove_prefix(1);
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::optional<std::pair<std::int64_t, std::int64_t>> WholeNumberPair(std::string_view text, std::int64_t min,
                                                                     std::int64_t max) {
    const auto comma = text.find(',');
    if (comma == std::string_view::npos) return std::nullopt;
    const auto x = WholeNumber(text.substr(0, comma));
    const auto y = WholeNumber(text.substr(comma + 1));
    if (!x || !y || *x < min || *y < min || *x > max || *y > max) return std::nullopt;
    return std::pair{*x, *y};
}

std::optional<std::string> CheckValue(const Console& console, std::string_view name, const ValueRule& rule,
                                      std::string_view value) {
    switch (rule.kind) {
        case ValueRule::Kind::kText:
            return std::nullopt;
        case ValueRule::Kind::kWholeNumber: {
            const auto number = WholeNumber(value);
            if (number && *number >= rule.min && *number <= rule.max) return std::nullopt;
            if (number && rule.min == 1 && *number < 1) return console.Text(msg::kIndexFromOne, {name, value});
            return console.Text(msg::kNotAWholeNumber,
                                {name, std::to_string(rule.min), std::to_string(rule.max), Quoted(value)});
        }
        case ValueRule::Kind::kChoice: {
            if (std::ranges::find(rule.choices, value) != rule.choices.end()) return std::nullopt;
            std::string choices;
            for (const auto choice : rule.choices) choices.append(choices.empty() ? "" : ", ").append(choice);
            return console.Text(msg::kNotAChoice, {name, choices, Quoted(value)});
        }
    }
    return std::nullopt;
}

std::optional<std::string> Invocation::Value(std::string_view long_name) const {
    const auto found = values_.find(std::string(long_name));
    if (found == values_.end()) return std::nullopt;
    return found->second;
}

std::optional<std::int64_t> Invocation::Number(std::string_view name) const {
    if (const auto value = Value(name)) return WholeNumber(*value);
    const auto found = operands_.find(std::string(name));
    if (found == operands_.end() || found->second.empty()) return std::nullopt;
    return WholeNumber(found->second.front());
}

const std::string& Invocation::Operand(std::string_view name) const {
    const auto found = operands_.find(std::string(name));
    return found == operands_.end() || found->second.empty() ? kNoValue : found->second.front();
}

const std::vector<std::string>& Invocation::Operands(std::string_view name) const {
    const auto found = operands_.find(std::string(name));
    return found == operands_.end() ? kNoValues : found->second;
}

std::optional<std::string_view> LikelyMeant(std::string_view typed, const std::vector<std::string_view>& names) {
    // Optimal string alignment: edits, with a swap of neighbours counting as one.
    const auto distance = [&](std::string_view name) {
        std::vector<std::vector<std::size_t>> d(typed.size() + 1, std::vector<std::size_t>(name.size() + 1));
        for (std::size_t i = 0; i <= typed.size(); ++i) d[i][0] = i;
        for (std::size_t j = 0; j <= name.size(); ++j) d[0][j] = j;
        for (std::size_t i = 1; i <= typed.size(); ++i) {
            for (std::size_t j = 1; j <= name.size(); ++j) {
                d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (typed[i - 1] != name[j - 1])});
                if (i > 1 && j > 1 && typed[i - 1] == name[j - 2] && typed[i - 2] == name[j - 1])
                    d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
            }
        }
        return d[typed.size()][name.size()];
    };
    const auto only = [](const std::vector<std::string_view>& found) {
        return found.size() == 1 ? std::optional(found.front()) : std::nullopt;
    };
    const std::size_t letters = typed.size() - std::min(typed.find_first_not_of('-'), typed.size());
    std::vector<std::string_view> started;
    if (letters >= 3)
        for (const auto name : names)
            if (name.size() > typed.size() && name.starts_with(typed)) started.push_back(name);
    if (!started.empty()) return only(started);
    const std::size_t most = std::min<std::size_t>(2, letters / 3);
    std::vector<std::string_view> nearest;
    std::size_t nearest_edits = most + 1;
    for (const auto name : names) {
        const std::size_t edits = distance(name);
        if (edits == 0 || edits > most) continue;
        if (edits < nearest_edits) {
            nearest.clear();
            nearest_edits = edits;
        }
        if (edits == nearest_edits) nearest.push_back(name);
    }
    return only(nearest);
}

std::string UnknownOptionText(const Console& console, const std::string& given,
                              const std::vector<std::string_view>& names) {
    if (const auto meant = LikelyMeant(std::string_view(given).substr(0, given.find('=')), names))
        return console.Text(msg::kUnknownOptionMeant, {Quoted(given), Quoted(*meant)});
    return console.Text(msg::kUnknownOption, {Quoted(given)});
}

std::string HelpOf(const Console& console, const Subcommand& command) {
    std::string usage = "icoforge " + std::string(command.name) + " [OPTIONS]";
    for (const auto& operand : command.operands) usage += " " + OperandUsage(operand);
    std::string help = console.Text(msg::kUsage, {usage}) + "\n";
    help += console.Text(command.description) + "\n\n" + console.Text(msg::kOptionsHeading) + "\n";
    std::vector<const OptionRow*> options;
    for (const auto& option : command.options) options.push_back(&option);
    for (const auto& option : kCommonOptions) options.push_back(&option);
    std::size_t width = 0;
    for (const auto* option : options) width = std::max(width, DisplayNames(*option).size());
    for (const auto* option : options) {
        std::string names = DisplayNames(*option);
        names.resize(width, ' ');
        help += "  " + names + "  " + console.Text(option->help) + "\n";
    }
    return help;
}

int RunSubcommand(const Subcommand& command, const std::vector<std::string>& args, Console& console) {
    CLI::App parser;
    parser.set_help_flag();  // the table's own -h/--help, so that help speaks the catalogue
    parser.allow_extras();
    // CLI11 takes "/name" for an option on Windows; there it is as likely a path (/tmp/x,
    // a drive-relative /Users/...), and the command line's options are the same everywhere.
    parser.allow_windows_style_options(false);
    std::vector<OptionRow> options(command.options.begin(), command.options.end());
    options.insert(options.end(), std::begin(kCommonOptions), std::end(kCommonOptions));
    std::vector<std::string> values(options.size());
    std::vector<CLI::Option*> declared(options.size());
    for (std::size_t i = 0; i < options.size(); ++i) {
        const OptionRow& option = options[i];
        if (option.value_name.empty()) {
            declared[i] = parser.add_flag(CliNames(option));
        } else {
            declared[i] = parser.add_option(CliNames(option), values[i])
                              ->type_name(std::string(option.value_name))
                              ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
        }
    }
    std::vector<std::string> operands;
    parser.add_option("operands", operands);

    std::vector<std::string> reversed(args.rbegin(), args.rend());  // CLI11 takes them last first
    try {
        parser.parse(reversed);
    } catch (const CLI::ArgumentMismatch& mismatch) {
        const std::string name = OptionNamedIn(mismatch.what(), options);
        return console.UsageError(console.Text(msg::kNeedsValue, {name.empty() ? mismatch.what() : name}), command.name);
    } catch (const CLI::ConversionError& conversion) {
        const std::string name = OptionNamedIn(conversion.what(), options);
        return console.UsageError(console.Text(msg::kTakesNoValue, {name.empty() ? conversion.what() : name}),
                                  command.name);
    } catch (const CLI::ParseError& failure) {
        return console.UsageError(failure.what(), command.name);
    }

    Invocation invocation(command, console);
    const auto given = [&](std::string_view long_name) {
        for (std::size_t i = 0; i < options.size(); ++i)
            if (options[i].long_name == long_name) return declared[i]->count() > 0;
        return false;
    };
    console.set_verbosity(given("--quiet") ? Verbosity::kQuiet
                          : given("--verbose") ? Verbosity::kVerbose
                                               : Verbosity::kNormal);
    console.set_null_ends(given("--null"));
    if (given("--help")) {
        console.Help(HelpOf(console, command));
        return kExitSuccess;
    }
    for (const auto& extra : parser.remaining()) {
        if (extra == "--") continue;
        std::vector<std::string_view> names;
        for (const auto& option : options) names.push_back(option.long_name);
        return console.UsageError(UnknownOptionText(console, extra, names), command.name);
    }
    for (std::size_t i = 0; i < options.size(); ++i) {
        if (declared[i]->count() == 0) continue;
        const OptionRow& option = options[i];
        if (!option.value_name.empty()) {
            if (const auto problem = CheckValue(console, option.long_name, option.rule, values[i]))
                return console.UsageError(*problem, command.name);
        }
        invocation.SetOption(std::string(option.long_name), values[i]);
    }

    // The operands in the order of the row: the required ones are served first, the
    // optional ones from what is left, and a list takes the rest.
    std::size_t required = 0;
    for (const auto& operand : command.operands) required += operand.arity == Arity::kOptional || operand.arity == Arity::kAny ? 0 : 1;
    std::size_t spare = operands.size() > required ? operands.size() - required : 0;
    std::size_t next = 0;
    for (const auto& operand : command.operands) {
        std::size_t take = 1;
        if (operand.arity == Arity::kOptional) take = spare > 0 ? 1 : 0;
        if (operand.arity == Arity::kOneOrMore) take = 1 + spare;
        if (operand.arity == Arity::kAny) take = spare;
        if (operand.arity != Arity::kOne) spare -= take - (operand.arity == Arity::kOneOrMore ? 1 : 0);
        for (std::size_t n = 0; n < take; ++n, ++next) {
            if (next == operands.size())
                return console.UsageError(console.Text(msg::kMissingOperand, {operand.name}), command.name);
            if (const auto problem = CheckValue(console, operand.name, operand.rule, operands[next]))
                return console.UsageError(*problem, command.name);
            invocation.AddOperand(operand.name, operands[next]);
        }
    }
    if (next < operands.size())
        return console.UsageError(console.Text(msg::kExtraOperand, {Quoted(operands[next])}), command.name);
    return command.run(invocation);
}

}  // namespace icoforge::cli
