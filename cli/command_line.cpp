// What every subcommand shares: one way to split arguments, one way to word a failure.

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "cli/commands.h"

namespace icoforge::cli {
namespace {

bool IsNegativeNumber(std::string_view arg) {
    if (arg.size() < 2 || arg[0] != '-') return false;
    for (const char c : arg.substr(1))
        if (c < '0' || c > '9') return false;
    return true;
}

}  // namespace

bool CommandLine::Has(std::string_view name) const { return Value(name) != nullptr; }

const std::string* CommandLine::Value(std::string_view name) const {
    const std::string* value = nullptr;
    for (const auto& [option, given] : options)
        if (option == name) value = &given;
    return value;
}

bool ParseCommandLine(const Args& args, std::span<const OptionRule> options, CommandLine& line, std::string& problem) {
    line = {};
    bool options_ended = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (options_ended || arg.size() < 2 || arg[0] != '-' || IsNegativeNumber(arg)) {
            line.operands.push_back(arg);
            continue;
        }
        if (arg == "--") {
            options_ended = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            line.help = true;
            continue;
        }
        const OptionRule* rule = nullptr;
        for (const auto& candidate : options)
            if (candidate.name == arg) rule = &candidate;
        if (rule == nullptr) {
            problem = "unknown option " + Quoted(arg);
            return false;
        }
        if (!rule->takes_value) {
            line.options.emplace_back(arg, std::string());
            continue;
        }
        if (i + 1 == args.size()) {
            problem = arg + " needs a value";
            return false;
        }
        line.options.emplace_back(arg, args[++i]);
    }
    return true;
}

int ShowHelp(const char* usage) {
    std::fputs(usage, stdout);
    return kExitSuccess;
}

int UsageError(const std::string& message, const char* usage) {
    std::fprintf(stderr, "icoforge: %s\n%s", message.c_str(), usage);
    return kExitUsage;
}

int Failure(const std::string& reason) {
    std::fprintf(stderr, "icoforge: %s\n", reason.c_str());
    return kExitFailure;
}

std::string Quoted(std::string_view path) {
    std::string quoted = "'";
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            char escape[5];
            std::snprintf(escape, sizeof escape, "\\x%02X", byte);
            quoted += escape;
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}

int CannotRead(std::string_view path, std::string_view reason) {
    return Failure("cannot read " + Quoted(path) + ": " + std::string(reason));
}

int ReportFailure(const icoforge::Failure& failure) {
    if (failure.path.empty()) return Failure(failure.reason);
    return Failure("cannot " + failure.what + " " + Quoted(failure.path) + ": " + failure.reason);
}

int CannotWrite(std::string_view path, std::string_view reason) {
    return Failure("cannot write " + Quoted(path) + ": " + std::string(reason));
}

int OutputIsSource(std::string_view source, std::string_view output) {
    return CannotWrite(output, "it is the same file as the source " + Quoted(source));
}

int PrintPath(std::string_view path) {
    std::printf("%.*s\n", static_cast<int>(path.size()), path.data());
    return kExitSuccess;
}

bool ParseInt(const std::string& text, long long& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || end != text.c_str() + text.size()) return false;
    value = v;
    return true;
}

}  // namespace icoforge::cli
