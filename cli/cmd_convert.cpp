#include <cstdio>

#include "cli/commands.h"
#include "imageconv/convert.h"

namespace icoforge::cli {
namespace {

constexpr const char* kUsage =
    "usage: icoforge convert SOURCE OUTPUT.bmp\n"
    "Writes the picture SOURCE (JPEG, BMP, TIFF, PNG, PCX or PhotoCD, recognised by content)\n"
    "as an uncompressed 24-bit BMP and prints the result code: 1 success, -1 source not\n"
    "found, -3 not a supported picture or damaged, -4 cannot write destination.\n";

const char* Reason(std::int32_t code) {
    switch (code) {
    case kConvertSourceNotFound:
        return "source not found";
    case kConvertNotDecoded:
        return "not a supported picture or damaged";
    case kConvertCannotWrite:
        return "cannot write destination";
    default:
        return "conversion failed";
    }
}

}  // namespace

int RunConvert(const Args& args) {
    if (WantsHelp(args)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (args.size() != 2) return UsageError("convert takes a source and an output path", kUsage);
    const std::int32_t code = ConvertToBmp(args[0], args[1]);
    std::printf("%d\n", static_cast<int>(code));
    if (code == kConvertOk) return 0;
    return Failure(Reason(code));
}

}  // namespace icoforge::cli
