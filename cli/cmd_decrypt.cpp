#include <cstdio>
#include <optional>

#include "cli/commands.h"
#include "platform/file_io.h"
#include "platform/decrypt.h"

namespace icoforge::cli {
namespace {

constexpr const char* kUsage =
    "usage: icoforge decrypt [-a 1|2] -k KEY IN OUT\n"
    "  Deciphers the bytes of IN under the key text KEY and writes them to OUT.\n"
    "  -a 1  DES in ECB mode over a length-prefixed block (the default)\n"
    "  -a 2  RC4 (the same operation enciphers)\n"
    "  Exit status 1, with OUT not written, when IN is empty or does not decipher\n"
    "  to a valid block under KEY.\n";

}  // namespace

int RunDecrypt(const Args& args) {
    if (WantsHelp(args)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    std::int32_t algorithm = 1;
    std::optional<std::string> key;
    Args files;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-a" || args[i] == "-k") {
            if (i + 1 >= args.size()) return UsageError(args[i] + " needs a value", kUsage);
            const std::string& value = args[++i];
            if (args[i - 1] == "-k") {
                key = value;
            } else if (value == "1" || value == "2") {
                algorithm = value == "2" ? 2 : 1;
            } else {
                return UsageError("-a takes 1 or 2", kUsage);
            }
        } else {
            files.push_back(args[i]);
        }
    }
    if (!key) return UsageError("decrypt needs -k KEY", kUsage);
    if (files.size() != 2) return UsageError("decrypt takes IN and OUT", kUsage);
    const auto data = ReadWholeFile(files[0]);
    if (!data) return Failure("cannot read '" + files[0] + "'");
    const ByteBuffer plain = DecryptData(*data, *key, algorithm);
    if (plain.empty()) {
        return Failure(data->empty() ? "'" + files[0] + "' is empty"
                                     : "'" + files[0] + "' does not decipher to a valid block under this key");
    }
    if (!WriteWholeFile(files[1], plain)) return Failure("cannot write '" + files[1] + "'");
    std::printf("%s\n", files[1].c_str());
    return 0;
}

}  // namespace icoforge::cli
