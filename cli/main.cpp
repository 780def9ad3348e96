// icoforge: the command-line front end. Each subcommand runs one engine or command.

#include <algorithm>
#include <array>
#include <cstdio>
#include <exception>
#include <new>
#include <string>

#include "cli/commands.h"
#include "cli/console.h"
#include "platform/console_language.h"
#include "platform/replacing_file.h"

namespace icoforge::cli {
namespace {

int RunHelp(const Invocation& run);

constexpr OperandRow kHelpOperands[] = {{"COMMAND", Arity::kOptional}};
const Subcommand kHelpCommand{"help", msg::kHelpSummary, msg::kHelpDescription, {}, kHelpOperands, RunHelp};

// The table: one row for each subcommand, in the order the help lists them.
constexpr std::array kSubcommands = {
    &kExtractCommand, &kListCommand,    &kMakeCommand,   &kThumbnailCommand, &kCountCommand,
    &kGroupCommand,   &kIconCommand,    &kConvertCommand, &kRenderCommand,   &kResolveCommand,
    &kFolderCommand,  &kDecryptCommand, &kScanCommand,   &kIndexCommand,     &kHelpCommand,
};

const Subcommand* Find(std::string_view name) {
    const auto found = std::ranges::find_if(kSubcommands, [&](const Subcommand* c) { return c->name == name; });
    return found == kSubcommands.end() ? nullptr : *found;
}

// The program's own options. Those passed on may also stand before a command, which then
// takes them as its own.
struct ProgramOption {
    std::string_view short_name;
    std::string_view long_name;
    const Message* help;
    bool passed_on;
};
constexpr ProgramOption kProgramOptions[] = {
    {"-h", "--help", &msg::kHelpOption, false},   {"-V", "--version", &msg::kVersionOption, false},
    {"-q", "--quiet", &msg::kQuietOption, true},  {"-v", "--verbose", &msg::kVerboseOption, true},
    {"-0", "--null", &msg::kNullOption, true},
};

// The usage error for a name no command has, offering the command it likely misspells.
std::string UnknownCommandText(const Console& console, const std::string& name) {
    std::vector<std::string_view> names;
    for (const Subcommand* known : kSubcommands) names.push_back(known->name);
    if (const auto meant = LikelyMeant(name, names))
        return console.Text(msg::kUnknownSubcommandMeant, {Quoted(name), Quoted(*meant)});
    return console.Text(msg::kUnknownSubcommand, {Quoted(name)});
}

std::string MainHelp(const Console& console) {
    std::string help = console.Text(msg::kUsage, {"icoforge [OPTIONS] COMMAND [ARGS...]"}) + "\n";
    help += console.Text(msg::kMainDescription) + "\n\n" + console.Text(msg::kCommandsHeading) + "\n";
    for (const Subcommand* command : kSubcommands) {
        std::string name(command->name);
        name.resize(10, ' ');
        help.append("  ").append(name).append(console.Text(command->summary)).append("\n");
    }
    // Appended piece by piece: GCC 12 warns falsely about `"text" + string`.
    help.append("\n").append(console.Text(msg::kOptionsHeading)).append("\n");
    for (const ProgramOption& option : kProgramOptions) {
        std::string names(option.short_name);
        names.append(", ").append(option.long_name).resize(15, ' ');
        help.append("  ").append(names).append(console.Text(*option.help)).append("\n");
    }
    return help.append("\n").append(console.Text(msg::kMainFooter)).append("\n");
}

int RunHelp(const Invocation& run) {
    const std::string& name = run.Operand("COMMAND");
    if (name.empty()) {
        run.console().Help(MainHelp(run.console()));
        return kExitSuccess;
    }
    const Subcommand* command = Find(name);
    if (command == nullptr) return run.UsageError(UnknownCommandText(run.console(), name));
    run.console().Help(HelpOf(run.console(), *command));
    return kExitSuccess;
}

bool IsPassedOn(std::string_view arg) {
    return std::ranges::any_of(kProgramOptions, [&](const ProgramOption& option) {
        return option.passed_on && (arg == option.short_name || arg == option.long_name);
    });
}

}  // namespace

int Main(const std::vector<std::string>& argv, Console& console) {
    // The program's own options may stand before the command; they are handed on to it.
    std::size_t at = 0;
    while (at < argv.size() && IsPassedOn(argv[at])) ++at;
    if (at == argv.size()) return console.UsageError(console.Text(msg::kNoSubcommand), "");
    const std::string& first = argv[at];
    if (first == "-h" || first == "--help") {
        console.Help(MainHelp(console));
        return kExitSuccess;
    }
    if (first == "-V" || first == "--version") {
        console.Answer("icoforge " ICOFORGE_VERSION);
        return kExitSuccess;
    }
    const Subcommand* command = Find(first);
    if (command == nullptr) {
        if (first.starts_with('-')) {
            std::vector<std::string_view> names;
            for (const ProgramOption& option : kProgramOptions) names.push_back(option.long_name);
            return console.UsageError(UnknownOptionText(console, first, names), "");
        }
        return console.UsageError(UnknownCommandText(console, first), "");
    }
    std::vector<std::string> args(argv.begin(), argv.begin() + static_cast<std::ptrdiff_t>(at));
    args.insert(args.end(), argv.begin() + static_cast<std::ptrdiff_t>(at) + 1, argv.end());
    return RunSubcommand(*command, args, console);
}

}  // namespace icoforge::cli

int main(int argc, char** argv) {
    using namespace icoforge::cli;
    const icoforge::Utf8ConsoleOutput utf8_console;
    Console console(UserLanguage(), stdout, stderr);
    int status = kExitFailure;
    // Whatever escapes a subcommand still ends as one line and status 1, never an abort.
    try {
        icoforge::LetFileSizeLimitFailWrites();
        status = Main(Utf8Arguments(argc, argv), console);
    } catch (const std::bad_alloc&) {
        status = console.Fail(console.Text(msg::kOutOfMemory));
    } catch (const std::exception& failure) {
        status = console.Fail(console.Text(msg::kUnexpected, {failure.what()}));
    } catch (...) {
        status = console.Fail(console.Text(msg::kUnexpected, {"?"}));
    }
    return console.Finish(status);
}
