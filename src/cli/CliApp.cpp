#include "cli/CliApp.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string_view>

#include "cli/CsvImport.h"
#include "cli/ExportText.h"
#include "cli/ImportBuilder.h"
#include "cli/JsonImport.h"
#include "cli/StoredCount.h"
#include "cli/Utf8Check.h"
#include "document/Cipher.h"
#include "document/DocumentFormat.h"
#include "platform/Utf.h"

namespace kyq::cli {

namespace {

constexpr std::string_view UsageText =
    "用法 (usage):\n"
    "  kyq-cli info 文档.kyq\n"
    "  kyq-cli export 文档.kyq [--format json|csv]\n"
    "  kyq-cli import 输入.json|输入.csv --owner 用户名 -o 输出.kyq [--force]\n"
    "\n"
    "文档密码在终端上输入（不回显），或取标准输入的第一行。\n"
    "(The document password is typed on the terminal without echo, or is the first line of\n"
    "standard input.)\n"
    "import 的输入可以是 export 写出的 JSON 或 CSV；CSV 也可用 Title、Username、Password、\n"
    "Last Modified 列。--owner 可省略，若 JSON 带有 \"owner\"。已有的输出文件只在给出 --force 时替换。\n"
    "(import reads the JSON or CSV that export writes, or CSV with the columns Title, Username,\n"
    "Password, Last Modified; an existing output file is replaced only with --force.)\n"
    "\n"
    "退出状态 (exit status): 0 成功 (ok), 1 失败 (failed), 2 用法错误 (usage),\n"
    "3 不支持的文件格式或文件已损坏 (unsupported or damaged document).\n";

int Usage(const CliContext& cx, const std::string& problem)
{
    if (!problem.empty())
        cx.Err << "kyq-cli: " << problem << "\n\n";
    cx.Err << UsageText;
    return ExitUsage;
}

int Damaged(const CliContext& cx, const std::string& path)
{
    cx.Err << Utf16ToUtf8(DamagedFileMessage) << "\n" << Utf16ToUtf8(FileNameLabel) << path << "\n";
    return ExitDamaged;
}

int Failure(const CliContext& cx, const std::string& message)
{
    cx.Err << "kyq-cli: " << message << "\n";
    return ExitFailure;
}

std::optional<std::string> ReadWholeFile(const std::string& path)
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        return std::nullopt;
    return bytes;
}

// Command-line words: positional ones in order, options with their values.
struct Arguments {
    std::vector<std::string> Positional;
    std::optional<std::string> Format, Owner, Output;
    bool Force = false;
    std::string Problem;  // set on a usage error
};

Arguments SplitArguments(const std::vector<std::string>& args, size_t first)
{
    Arguments a;
    for (size_t i = first; i < args.size(); ++i) {
        const std::string& word = args[i];
        auto takeValue = [&](std::optional<std::string>& slot, std::string_view name) {
            const std::string prefix = std::string(name) + "=";
            if (word.rfind(prefix, 0) == 0) {
                slot = word.substr(prefix.size());
            } else if (i + 1 < args.size()) {
                slot = args[++i];
            } else {
                a.Problem = "选项" + std::string(name) + "缺少值 (" + std::string(name) + " needs a value)";
            }
        };
        if (word == "--format" || word.rfind("--format=", 0) == 0)
            takeValue(a.Format, "--format");
        else if (word == "--owner" || word.rfind("--owner=", 0) == 0)
            takeValue(a.Owner, "--owner");
        else if (word == "-o" || word == "--output" || word.rfind("--output=", 0) == 0)
            takeValue(a.Output, word == "-o" ? "-o" : "--output");
        else if (word == "--force")
            a.Force = true;
        else if (word == "--")
            for (++i; i < args.size(); ++i)
                a.Positional.push_back(args[i]);
        else if (word.size() > 1 && word[0] == '-')
            a.Problem = "未知选项 (unknown option) " + word;
        else
            a.Positional.push_back(word);
        if (!a.Problem.empty())
            break;
    }
    return a;
}

int RunInfo(const Arguments& a, const CliContext& cx)
{
    if (a.Format || a.Owner || a.Output || a.Force)
        return Usage(cx, "info 不接受选项 (info takes no options)");
    if (a.Positional.size() != 1)
        return Usage(cx, "info 需要一个文件名 (info needs one file name)");
    const std::string& path = a.Positional[0];
    PasswordDocument doc;
    doc.Path = path;
    if (!ProbeHeader(doc, path))
        return Damaged(cx, path);
    const std::optional<std::string> bytes = ReadWholeFile(path);
    if (!bytes)
        return Damaged(cx, path);
    const std::optional<StoredCount> count = ReadStoredCount(*bytes);
    if (!count || count->Format != doc.FormatVersion)
        return Damaged(cx, path);
    cx.Out << "格式 (format): " << doc.FormatVersion << "\n"
           << "用户名 (owner): " << Utf16ToUtf8(doc.OwnerName()) << "\n";
    if (doc.FormatVersion == CurrentFormatNumber)
        cx.Out << "块数 (blocks): " << count->Count << "\n";
    else
        cx.Out << "记录数 (records): " << count->Count << "\n";
    return cx.Out.good() ? ExitOk : Failure(cx, "无法写出结果 (cannot write the output)");
}

int RunExport(const Arguments& a, const CliContext& cx)
{
    if (a.Owner || a.Output || a.Force)
        return Usage(cx, "export 只接受 --format (export takes --format only)");
    if (a.Positional.size() != 1)
        return Usage(cx, "export 需要一个文件名 (export needs one file name)");
    const std::string format = a.Format.value_or("json");
    if (format != "json" && format != "csv")
        return Usage(cx, "--format 只能是 json 或 csv (--format is json or csv)");
    const std::string& path = a.Positional[0];

    PasswordDocument doc;
    doc.Path = path;
    if (!ProbeHeader(doc, path))
        return Damaged(cx, path);
    const PasswordRead password = cx.ReadPassword(false);
    if (!password.Ok)
        return Failure(cx, password.Error);
    if (password.Password.empty())
        return Failure(cx, "密码不可能为空！ (the password cannot be empty)");
    doc.DocumentPassword() = password.Password;

    const ExpiryContext noReminder{0, 0, 0, 0};
    FormatResult read;
    if (doc.FormatVersion == LegacyFormatNumber) {
        doc.LegacyKey = DeriveLegacyKey(doc.DocumentPassword());
        read = ReadLegacyFormat(doc, noReminder);
    } else {
        read = ReadCurrentFormat(doc, noReminder);
    }
    if (!read)
        return Damaged(cx, path);
    // The order the program shows after opening a file: title order.
    doc.ReorderEntries(false);

    cx.Out << (format == "csv" ? ExportCsv(doc) : ExportJson(doc));
    cx.Out.flush();
    return cx.Out.good() ? ExitOk : Failure(cx, "无法写出结果 (cannot write the output)");
}

int RunImport(const Arguments& a, const CliContext& cx)
{
    if (a.Format)
        return Usage(cx, "import 按内容识别 JSON 或 CSV，不接受 --format (import detects the input kind)");
    if (a.Positional.size() != 1)
        return Usage(cx, "import 需要一个输入文件 (import needs one input file)");
    if (!a.Output || a.Output->empty())
        return Usage(cx, "import 需要 -o 输出文件 (import needs -o OUT.kyq)");
    const std::string& inPath = a.Positional[0];
    const std::string& outPath = *a.Output;
    if (inPath == "-")
        return Usage(cx, "输入必须是文件：标准输入用于密码 (the input must be a file: standard input "
                         "carries the password)");

    std::error_code ec;
    if (!a.Force && std::filesystem::symlink_status(outPath, ec).type() != std::filesystem::file_type::not_found &&
        !ec)
        return Failure(cx, "输出文件已存在，未改写；要替换请加 --force (" + outPath +
                               " exists; use --force to replace it)");

    const std::optional<std::string> input = ReadWholeFile(inPath);
    if (!input)
        return Failure(cx, "无法读取输入文件 (cannot read) " + inPath);
    const std::string_view text = WithoutByteOrderMark(*input);
    const size_t firstMark = text.find_first_not_of(" \t\r\n");
    const bool json = firstMark != std::string_view::npos && text[firstMark] == '{';
    const ImportParseResult parsed = json ? ParseJsonImport(*input) : ParseCsvImport(*input);
    if (!parsed.Ok)
        return Failure(cx, "导入失败，未写入任何文件 (nothing written): " + parsed.Error);

    std::u16string owner;
    if (a.Owner) {
        if (FirstInvalidUtf8(*a.Owner) != std::string_view::npos)
            return Failure(cx, "--owner 不是有效的UTF-8文本 (--owner is not valid UTF-8)");
        owner = Utf8ToUtf16(*a.Owner);
    } else if (parsed.Table.Owner) {
        owner = *parsed.Table.Owner;
    } else {
        return Usage(cx, "缺少文档用户名：请给出 --owner (no owner name: give --owner)");
    }

    const PasswordRead password = cx.ReadPassword(true);
    if (!password.Ok)
        return Failure(cx, password.Error);

    PasswordDocument doc;
    const ImportCheck check = BuildImportDocument(parsed.Table, owner, password.Password, cx.Today(), doc);
    if (!check.Ok)
        return Failure(cx, "导入失败，未写入任何文件 (nothing written): " + check.Error);

    // Checked again right before writing: the password prompt may have taken a while.
    if (!a.Force && std::filesystem::symlink_status(outPath, ec).type() != std::filesystem::file_type::not_found &&
        !ec)
        return Failure(cx, "输出文件已存在，未改写；要替换请加 --force (" + outPath +
                               " exists; use --force to replace it)");
    const FormatResult written = WriteDocument(doc, outPath);
    if (!written)
        return Failure(cx, "无法写入 (cannot write) " + outPath + (written.detail.empty() ? "" : ": " + written.detail));
    cx.Out << "已导入 " << doc.EntryCount() << " 条记录 (records imported): " << outPath << "\n";
    return ExitOk;
}

}  // namespace

int RunCli(const std::vector<std::string>& args, const CliContext& cx)
{
    if (args.empty())
        return Usage(cx, "");
    const std::string& command = args[0];
    if (command == "-h" || command == "--help" || command == "help") {
        cx.Out << UsageText;
        return ExitOk;
    }
    const Arguments a = SplitArguments(args, 1);
    if (!a.Problem.empty())
        return Usage(cx, a.Problem);
    if (command == "info")
        return RunInfo(a, cx);
    if (command == "export")
        return RunExport(a, cx);
    if (command == "import")
        return RunImport(a, cx);
    return Usage(cx, "未知命令 (unknown command) " + command);
}

}  // namespace kyq::cli
