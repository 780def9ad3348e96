#include <cstdio>

#include "cli/commands.h"
#include "crypto/decrypt.h"
#include "platform/file_io.h"
#include "platform/system_failure.h"

namespace icoforge::cli {
namespace {

constexpr Message kSummary{"decipher a buffer", "解密一段数据"};
constexpr Message kDescription{
    "Deciphers the bytes of IN under the key text and writes them to OUT. The key is given with\n"
    "-k KEY, or kept off the command line (where every user's process list shows it) with\n"
    "--key-file FILE, whose first line is the key; --key-file - reads it from standard input.\n"
    "Prints OUT; exits with 1, OUT not written, when IN is empty or does not decipher to a valid\n"
    "block under the key.",
    "用密钥文本解密 IN 的字节并写入 OUT。密钥用 -k KEY 给出，或者用 --key-file FILE 从文件\n"
    "的第一行读取，使它不出现在命令行上（所有用户的进程列表都能看到命令行）；\n"
    "--key-file - 从标准输入读取。输出 OUT；IN 为空或用该密钥无法解出有效数据块时退出状态为 1，\n"
    "不写 OUT。"};
constexpr Message kAlgorithmHelp{"1: DES in ECB mode over a length-prefixed block (the default); 2: RC4",
                                 "1：对带长度前缀的数据块做 ECB 模式 DES（默认）；2：RC4"};
constexpr Message kKeyHelp{"the key text", "密钥文本"};
constexpr Message kKeyFileHelp{"read the key from the first line of FILE, or of standard input for -",
                               "从 FILE 的第一行读取密钥；为 - 时从标准输入读取"};
constexpr Message kEmpty{"{1} is empty", "{1} 是空文件"};
constexpr Message kNotDeciphered{"{1} does not decipher to a valid block under this key",
                                 "{1} 用这个密钥解不出有效的数据块"};
constexpr Message kStandardInput{"standard input", "标准输入"};

// The input and its plain text are held side by side; at this size both stay within the
// 256 MiB any one command may use.
constexpr std::uint64_t kMaxInputBytes = 128ull * 1024 * 1024;
// A key is a line of text; a key file far larger than that is a mistake.
constexpr std::uint64_t kMaxKeyFileBytes = 64 * 1024;

// The key file's first line, without its line end (LF or CR LF).
std::string FirstLine(std::string text) {
    if (const auto end = text.find('\n'); end != std::string::npos) text.resize(end);
    if (text.ends_with('\r')) text.pop_back();
    return text;
}

std::optional<std::string> ReadKey(const Invocation& run, const std::string& source) {
    if (source == "-") {
        std::string text;
        char buffer[4096];
        std::size_t got = 0;
        while ((got = std::fread(buffer, 1, sizeof buffer, stdin)) > 0 && text.size() <= kMaxKeyFileBytes)
            text.append(buffer, got);
        if (std::ferror(stdin)) {
            CannotRead(run, run.Text(kStandardInput), LastSystemErrorText());
            return std::nullopt;
        }
        return FirstLine(std::move(text));
    }
    const auto bytes = ReadWholeFile(source, kMaxKeyFileBytes);
    if (!bytes) {
        Report(run, bytes.error());
        return std::nullopt;
    }
    return FirstLine(std::string(bytes->begin(), bytes->end()));
}

int Run(const Invocation& run) {
    const auto key_text = run.Value("--key");
    const auto key_file = run.Value("--key-file");
    if (key_text && key_file) return run.UsageError(run.Text(msg::kOptionsConflict, {"--key", "--key-file"}));
    if (!key_text && !key_file) return run.UsageError(run.Text(msg::kNeedsOneOf, {"-k KEY", "--key-file FILE"}));
    const std::string& in = run.Operand("IN");
    const std::string& out = run.Operand("OUT");
    if (IsSameFile(in, out)) return OutputIsSource(run, in, out);
    const auto key = key_text ? key_text : ReadKey(run, *key_file);
    if (!key) return kExitFailure;

    const auto data = ReadWholeFile(in, kMaxInputBytes);
    if (!data) return Report(run, data.error());
    const auto algorithm = static_cast<std::int32_t>(run.Number("--algorithm").value_or(1));
    const ByteBuffer plain = DecryptData(*data, *key, algorithm);
    if (plain.empty()) return run.Fail(run.Text(data->empty() ? kEmpty : kNotDeciphered, {Quoted(in)}));
    if (const auto written = WriteWholeFile(out, plain); !written) return Report(run, written.error());
    run.console().Path(out);
    return kExitSuccess;
}

constexpr OptionRow kOptions[] = {
    {"-a", "--algorithm", "1|2", kAlgorithmHelp, NumberFrom(1, 2)},
    {"-k", "--key", "KEY", kKeyHelp},
    {"", "--key-file", "FILE", kKeyFileHelp},
};
constexpr OperandRow kOperands[] = {{"IN"}, {"OUT"}};

}  // namespace

const Subcommand kDecryptCommand{"decrypt", kSummary, kDescription, kOptions, kOperands, Run};

}  // namespace icoforge::cli
