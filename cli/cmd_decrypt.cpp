#include <cstdio>

#include "cli/commands.h"
#include "platform/decrypt.h"
#include "platform/file_io.h"

namespace icoforge::cli {
namespace {

constexpr const char* kUsage =
    "usage: icoforge decrypt [-a 1|2] -k KEY IN OUT\n"
    "  Deciphers the bytes of IN under the key text KEY and writes them to OUT.\n"
    "  -a 1  DES in ECB mode over a length-prefixed block (the default)\n"
    "  -a 2  RC4 (the same operation enciphers)\n"
    "  Prints OUT; exits with 1, OUT not written, when IN is empty or does not decipher\n"
    "  to a valid block under KEY.\n";

constexpr OptionRule kOptions[] = {{"-a", true}, {"-k", true}};

// The input and its plain text are held side by side; at this size both stay within the
// 256 MiB any one command may use.
constexpr std::uint64_t kMaxInputBytes = 128ull * 1024 * 1024;

}  // namespace

int RunDecrypt(const Args& args) {
    CommandLine line;
    std::string problem;
    if (!ParseCommandLine(args, kOptions, line, problem)) return UsageError(problem, kUsage);
    if (line.help) return ShowHelp(kUsage);
    std::int32_t algorithm = 1;
    if (const std::string* value = line.Value("-a")) {
        if (*value != "1" && *value != "2") return UsageError("-a takes 1 or 2", kUsage);
        algorithm = *value == "2" ? 2 : 1;
    }
    const std::string* key = line.Value("-k");
    if (key == nullptr) return UsageError("decrypt needs -k KEY", kUsage);
    if (line.operands.size() != 2) return UsageError("decrypt takes IN and OUT", kUsage);
    const std::string& in = line.operands[0];
    const std::string& out = line.operands[1];
    if (IsSameFile(in, out)) return OutputIsSource(in, out);

    const auto data = ReadWholeFile(in, kMaxInputBytes);
    if (!data) return ReportFailure(data.error());
    const ByteBuffer plain = DecryptData(*data, *key, algorithm);
    if (plain.empty()) {
        return Failure(Quoted(in) +
                       (data->empty() ? " is empty" : " does not decipher to a valid block under this key"));
    }
    if (const auto written = WriteWholeFile(out, plain); !written) return ReportFailure(written.error());
    return PrintPath(out);
}

}  // namespace icoforge::cli
