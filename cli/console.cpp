#include "cli/console.h"

#include <cerrno>
#include <cstring>

#include "platform/console_args.h"

namespace icoforge::cli {

void Console::Write(std::FILE* stream, std::string_view text) {
    int& error = stream == out_ ? out_error_ : err_error_;
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), stream) != text.size() && error == 0) error = errno ? errno : EIO;
}

void Console::Path(std::string_view path) {
    Write(out_, path);
    Write(out_, null_ends_ ? std::string_view("\0", 1) : std::string_view("\n"));
}

void Console::Answer(std::string_view text) {
    Write(out_, text);
    Write(out_, "\n");
}

void Console::Help(std::string_view text) { Write(out_, text); }

void Console::ErrorLine(std::string_view line) {
    // Standard output first, so that the paths and the lines about them keep their order
    // when both streams go to one terminal or file.
    FlushOut();
    Write(err_, "icoforge: ");
    // A library's words may end in a line end of their own (libheif's do): one is enough.
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    Write(err_, line);
    Write(err_, "\n");
}

void Console::Progress(std::string_view line) {
    if (verbosity_ != Verbosity::kQuiet) ErrorLine(line);
}

void Console::Detail(std::string_view line) {
    if (verbosity_ == Verbosity::kVerbose) ErrorLine(line);
}

int Console::Fail(std::string_view line) {
    ErrorLine(line);
    return kExitFailure;
}

int Console::UsageError(std::string_view line, std::string_view command) {
    ErrorLine(line);
    const std::string hint = command.empty() ? Text(msg::kTryHelpAll) : Text(msg::kTryHelp, {command});
    Write(err_, hint);
    Write(err_, "\n");
    return kExitUsage;
}

void Console::FlushOut() {
    errno = 0;
    if (std::fflush(out_) != 0 && out_error_ == 0) out_error_ = errno ? errno : EIO;
}

int Console::Finish(int status) {
    FlushOut();
    if (std::ferror(out_) && out_error_ == 0) out_error_ = EIO;
    if (out_error_ != 0) {
        ErrorLine(Text(msg::kStandardOutputFailed, {std::strerror(out_error_)}));
        status = kExitFailure;
    }
    if (std::fflush(err_) != 0 || std::ferror(err_) || err_error_ != 0) status = kExitFailure;
    return status;
}

std::vector<std::string> Utf8Arguments(int argc, char** argv) { return CommandLineUtf8(argc, argv); }

}  // namespace icoforge::cli
