#include "cli/CliApp.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <functional>
#include <optional>
#include <span>
#include <string_view>

#include "cli/ExportText.h"
#include "cli/ImportBuilder.h"
#include "cli/ImportReader.h"
#include "cli/StoredCount.h"
#include "cli/Utf8Check.h"
#include "core/document/AnyFormat.h"
#include "core/document/DocumentFormat.h"
#include "core/document/SealedFormat.h"
#include "core/document/TitleCollator.h"
#include "core/workflow/DocumentUnlock.h"
#include "core/workflow/StartUpRules.h"
#include "platform/Utf.h"
#include "platform/WholeFile.h"

namespace kyq::cli {

namespace {

// Laid out the way help2man and its kind read a usage: "Usage:" and "or:" lines, headings
// ending in a colon, options indented one to a line.
constexpr std::string_view UsageText =
    "Usage: kyq-cli info 文档.kyq\n"
    "  or:  kyq-cli export 文档.kyq [--format json|csv]\n"
    "  or:  kyq-cli import 输入.json|输入.csv --owner 用户名 -o 输出.kyq [--sealed] [--force]\n"
    "  or:  kyq-cli convert 文档.kyq -o 输出.kyq --to sealed|200 [--force]\n"
    "  or:  kyq-cli --help | --version\n"
    "查看、导出、导入和转换 Keyquill 密码文档 (.kyq)，不需要窗口。\n"
    "(Inspects, exports, imports and converts Keyquill password documents without a window.)\n"
    "\n"
    "Commands:\n"
    "  info        显示格式、用户名、记录数或密钥开销，不需要密码\n"
    "              (format, owner, record count or key cost; no password)\n"
    "  export      把记录写到标准输出 (writes the records to standard output)\n"
    "  import      从 JSON 或 CSV 文件建立文档 (makes a document from a JSON or CSV file)\n"
    "  convert     把文档写成另一种格式 (writes a document in another format)\n"
    "\n"
    "Options:\n"
    "  --format json|csv  export 的输出格式，默认 json (export's output, json by default)\n"
    "  --owner 用户名     新文档的用户名 (the new document's owner name)\n"
    "  -o 输出.kyq        输出文件 (the output file)\n"
    "  --sealed           import 写出加密格式 300 (import writes the sealed format 300)\n"
    "  --to sealed|200    convert 的目标格式 (convert's target format)\n"
    "  --force            替换已有的输出文件 (replace an existing output file)\n"
    "  -h, --help         显示本说明 (print this usage)\n"
    "  --version          显示版本 (print the version)\n"
    "\n"
    "文档密码在终端上输入（不回显），或取标准输入的第一行。import 和 convert --to sealed 在终端上\n"
    "把新文档的密码问两次；convert --to sealed 从标准输入读两行：第一行是读取用的密码，第二行是新密码。\n"
    "(The document password is typed on the terminal without echo, or is the first line of\n"
    "standard input. import and convert --to sealed ask twice for the new document's password\n"
    "on a terminal; convert --to sealed reads two lines from standard input: the password that\n"
    "opens the input, then the new one.)\n"
    "import 的输入可以是 export 写出的 JSON 或 CSV，或浏览器和其他密码管理器导出的 CSV（按列名识别\n"
    "标题、用户名、密码和日期列，逗号、分号或制表符分隔，UTF-8、带BOM的UTF-16或GBK编码）；没有密码列\n"
    "的文件不导入。--owner 可省略，若 JSON 带有 \"owner\"；以“-”开头的值写成 --owner=值。已有的输出\n"
    "文件只在给出 --force 时替换，输出文件不能是输入文件。\n"
    "(import reads the JSON or CSV that export writes, or the CSV exports of browsers and other\n"
    "password managers: title, user name, password and date columns recognised by name, separated\n"
    "by commas, semicolons or tabs, in UTF-8, UTF-16 with a byte order mark, or GBK; a file without\n"
    "a password column is refused. A value starting with \"-\" is given as --owner=VALUE. An\n"
    "existing output file is replaced only with --force, and never the input itself.)\n"
    "--sealed 和 --to sealed 写出加密格式 300（旧版本打不开）；convert 的输出规则同 import。\n"
    "(--sealed and --to sealed write the sealed format 300, which older versions cannot open;\n"
    "convert follows import's rules for its output.)\n"
    "\n"
    "Exit status:\n"
    "  0 成功 (ok), 1 失败 (failed), 2 用法错误 (usage),\n"
    "  3 不支持的文件格式或文件已损坏 (unsupported or damaged document),\n"
    "  4 密码错误或文件已被改动 (the password does not open the document, or it was altered).\n";

int Usage(const CliContext& cx, const std::string& problem)
{
    if (!problem.empty())
        cx.Err << "kyq-cli: " << problem << "\n\n";
    cx.Err << UsageText;
    return ExitUsage;
}

int Failure(const CliContext& cx, const std::string& message)
{
    cx.Err << "kyq-cli: " << message << "\n";
    return ExitFailure;
}

// A file that could not be read or written: the reason in Chinese, the system's words after it.
std::string Why(const std::string& reason, const std::string& detail)
{
    return detail.empty() ? reason : reason + " (" + detail + ")";
}

// A text from a file not yet authenticated (an owner name in a header) as it may reach a
// terminal: control characters (escape sequences above all) as \u{…}, the rest as UTF-8.
std::string TerminalSafe(std::u16string_view text)
{
    std::u16string shown;
    shown.reserve(text.size());
    for (const char16_t c : text) {
        if (c < 0x20 || (c >= 0x7F && c < 0xA0)) {
            char code[12];
            std::snprintf(code, sizeof code, "\\u{%X}", static_cast<unsigned>(c));
            for (const char* p = code; *p != '\0'; ++p)
                shown += static_cast<char16_t>(*p);
        } else {
            shown += c;
        }
    }
    return Utf16ToUtf8(shown);
}

// A document that cannot be used: when the cause is not its content (missing, no read
// permission, a folder), the reason and status 1; else the program's damaged-file message
// and status 3.
int Unusable(const CliContext& cx, const std::string& path, const FormatError& error)
{
    const UnlockOutcome outcome = OutcomeOf(error);
    if (outcome == UnlockOutcome::Unreadable) {
        cx.Err << "kyq-cli: " << Why(error.Message, error.Detail) << "\n";
        if (error.Kind == FormatErrorKind::CannotOpen)
            cx.Err << Utf16ToUtf8(FileNameLabel) << path << "\n";
        return ExitFailure;
    }
    if (outcome == UnlockOutcome::WrongPassword) {
        cx.Err << "kyq-cli: " << Utf16ToUtf8(WrongPasswordMessage) << "\n"
               << Utf16ToUtf8(FileNameLabel) << path << "\n(" << error.Detail << ")\n";
        return ExitWrongPassword;
    }
    cx.Err << Utf16ToUtf8(DamagedFileMessage) << "\n" << Utf16ToUtf8(FileNameLabel) << path << "\n";
    if (!error.Detail.empty())
        cx.Err << "(" << error.Detail << ")\n";
    return ExitDamaged;
}

int EmptyPassword(const CliContext& cx)
{
    return Failure(cx, Utf16ToUtf8(EmptyPasswordMessage) + " (the password cannot be empty)");
}

// Command-line words: positional ones in order, options with their values.
struct Arguments {
    std::vector<std::string> Positional;
    std::optional<std::string> Format, Owner, Output, To;
    bool Force = false;
    bool Sealed = false;
};

// "-o --force" lacks its value: a word that looks like an option is never taken as one.
bool IsOption(const std::string& word)
{
    return word.size() > 1 && word[0] == '-';
}

// A usage error says which word is wrong.
Expected<Arguments> SplitArguments(const std::vector<std::string>& args, size_t first)
{
    Arguments a;
    std::string problem;
    for (size_t i = first; i < args.size(); ++i) {
        const std::string& word = args[i];
        auto takeValue = [&](std::optional<std::string>& slot, std::string_view name) {
            const std::string prefix = std::string(name) + "=";
            if (word.rfind(prefix, 0) == 0) {
                slot = word.substr(prefix.size());
            } else if (i + 1 < args.size() && !IsOption(args[i + 1])) {
                slot = args[++i];
            } else {
                problem = "选项" + std::string(name) + "缺少值 (" + std::string(name) + " needs a value)";
            }
        };
        if (word == "--format" || word.rfind("--format=", 0) == 0)
            takeValue(a.Format, "--format");
        else if (word == "--owner" || word.rfind("--owner=", 0) == 0)
            takeValue(a.Owner, "--owner");
        else if (word == "-o" || word == "--output" || word.rfind("--output=", 0) == 0)
            takeValue(a.Output, word == "-o" ? "-o" : "--output");
        else if (word == "--to" || word.rfind("--to=", 0) == 0)
            takeValue(a.To, "--to");
        else if (word == "--force")
            a.Force = true;
        else if (word == "--sealed")
            a.Sealed = true;
        else if (word == "--")
            for (++i; i < args.size(); ++i)
                a.Positional.push_back(args[i]);
        else if (word.size() > 1 && word[0] == '-')
            problem = "未知选项 (unknown option) " + word;
        else
            a.Positional.push_back(word);
        if (!problem.empty())
            return Error{problem, {}, 0};
    }
    return a;
}

int RunInfo(const Arguments& a, const CliContext& cx)
{
    if (a.Format || a.Owner || a.Output || a.Force || a.To || a.Sealed)
        return Usage(cx, "info 不接受选项 (info takes no options)");
    if (a.Positional.size() != 1)
        return Usage(cx, "info 需要一个文件名 (info needs one file name)");
    const std::string& path = a.Positional[0];
    // One read: the header, the count after it and the size they are checked against all
    // come from the same bytes.
    PasswordDocument doc;
    if (const FormatResult probe = ProbeHeader(doc, path); !probe)
        return Unusable(cx, path, probe.error());
    const std::vector<uint8_t>& bytes = doc.ProbedBytes;
    std::optional<StoredCount> count =
        ReadStoredCount(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), bytes.size());
    if (doc.FormatVersion == SealedFormatNumber) {
        // The probe took the whole file: a sealed header is checked against the file's size.
        SealedHeader header;
        if (const FormatResult r = ReadSealedHeader(bytes, header); !r)
            return Unusable(cx, path, r.error());
        cx.Out << "格式 (format): " << SealedFormatNumber << " (sealed)\n"
               << "用户名 (owner): " << TerminalSafe(header.Owner) << "\n"
               << "密钥派生 (key derivation): Argon2id, opslimit " << header.Parameters.Cost.OpsLimit
               << ", memlimit " << header.Parameters.Cost.MemLimitKiB << " KiB\n"
               << "加密 (cipher): XChaCha20-Poly1305\n";
        return ExitOk;
    }
    if (!count || count->Format != doc.FormatVersion)
        return Unusable(cx, path, FormatError(FormatErrorKind::BadCount, "the count after the header is out of range"));
    cx.Out << "格式 (format): " << doc.FormatVersion << "\n"
           << "用户名 (owner): " << TerminalSafe(doc.OwnerName()) << "\n";
    if (doc.FormatVersion == CurrentFormatNumber)
        cx.Out << "块数 (blocks): " << count->Count << "\n";
    else
        cx.Out << "记录数 (records): " << count->Count << "\n";
    return ExitOk;
}

// Follows the titles of a walk: whether they came in title order.
class TitleOrderCheck {
public:
    void operator()(std::u16string_view title)
    {
        if (inOrder_ && !first_ && TitleCollator::Compare(title, previous_) < 0)
            inOrder_ = false;
        previous_ = title;
        first_ = false;
    }
    bool InOrder() const { return inOrder_; }

private:
    bool inOrder_ = true;
    bool first_ = true;
    std::u16string previous_;
};

// A sealed file is decrypted once; records in title order go out as the UTF-8 they are
// stored in, as format 200's do, others through a document put in order.
int ExportSealed(const CliContext& cx, const std::string& path, std::span<const uint8_t> bytes,
                 const std::u16string& password, ExportKind kind, PasswordDocument& doc)
{
    SealedHeader header;
    if (const FormatResult r = ReadSealedHeader(bytes, header); !r)
        return Unusable(cx, path, r.error());
    const auto key = SealedKey::Derive(password, header.Parameters);
    if (!key)
        return Unusable(cx, path, FormatError(FormatErrorKind::CannotDerive, key.error().Detail, key.error().Message));
    const FormatResult read = WithSealedPlaintext(bytes, **key, [&](std::span<const uint8_t> plain) -> FormatResult {
        TitleOrderCheck order;
        if (auto r = VisitSealedPlaintext(plain, [&](std::u16string_view title, const Utf8Entry&) { order(title); });
            !r)
            return r;
        if (order.InOrder()) {
            WriteExport(cx.Out, kind, doc.FormatVersion, header.Owner,
                        [&](const std::function<void(const Utf8Entry&)>& emit) {
                            (void)VisitSealedPlaintext(
                                plain, [&](std::u16string_view, const Utf8Entry& e) { emit(e); }, true);
                        });
            return {};
        }
        if (auto r = ParseSealedPlaintext(doc, plain, ExpiryContext{0, 0, 0, 0}); !r)
            return r;
        doc.ReorderEntries(false);
        WriteExport(cx.Out, kind, doc.FormatVersion, header.Owner, RecordsOf(doc));
        return {};
    });
    return read ? ExitOk : Unusable(cx, path, read.error());
}

int RunExport(const Arguments& a, const CliContext& cx)
{
    if (a.Owner || a.Output || a.Force || a.To || a.Sealed)
        return Usage(cx, "export 只接受 --format (export takes --format only)");
    if (a.Positional.size() != 1)
        return Usage(cx, "export 需要一个文件名 (export needs one file name)");
    const std::string format = a.Format.value_or("json");
    if (format != "json" && format != "csv")
        return Usage(cx, "--format 只能是 json 或 csv (--format is json or csv)");
    const std::string& path = a.Positional[0];

    PasswordDocument doc;
    doc.Path = path;
    if (const FormatResult probe = ProbeHeader(doc, path); !probe)
        return Unusable(cx, path, probe.error());
    const Expected<std::u16string> password = cx.ReadPassword(false);
    if (!password)
        return Failure(cx, password.error().Message);
    if (password->empty())
        return EmptyPassword(cx);
    doc.DocumentPassword() = *password;

    const ExportKind kind = format == "csv" ? ExportKind::Csv : ExportKind::Json;
    // The probe's bytes are the ones read: the file is opened once.
    const std::vector<uint8_t> bytes = std::move(doc.ProbedBytes);
    doc.ProbedBytes = {};

    // The order the program shows after opening a file is title order, and a saved file
    // is in it: its titles alone show whether the records can go out as they are read,
    // without a document being built.
    if (doc.FormatVersion == CurrentFormatNumber) {
        TitleOrderCheck order;
        const FormatResult titles = VisitCurrentFormatTitles(bytes, doc.DocumentPassword(), std::ref(order));
        if (!titles)
            return Unusable(cx, path, titles.error());
        if (order.InOrder()) {
            // Checked once already: the second walk finds nothing new.
            WriteExport(cx.Out, kind, doc.FormatVersion, doc.OwnerName(),
                        [&](const std::function<void(const Utf8Entry&)>& emit) {
                            (void)VisitCurrentFormatRecords(bytes, doc.DocumentPassword(), emit);
                        });
            return ExitOk;
        }
    }
    if (doc.FormatVersion == SealedFormatNumber)
        return ExportSealed(cx, path, bytes, *password, kind, doc);
    if (const UnlockResult read = UnlockBytes(doc, bytes, *password, ExpiryContext{0, 0, 0, 0}); !read.Opened())
        return Unusable(cx, path, *read.Failure);
    doc.ReorderEntries(false);
    WriteExport(cx.Out, kind, doc.FormatVersion, doc.OwnerName(), RecordsOf(doc));
    return ExitOk;
}

// What the import read and what it leaves out, one line each, before anything is written.
std::string ImportSummary(const ImportTable& table, size_t renamed)
{
    std::string out = "已读入 " + std::to_string(table.Records.size()) + " 条记录 (records read)";
    if (table.Encoding != "UTF-8")
        out += "，输入文件按" + table.Encoding + "编码读取 (read as " + table.Encoding + ")";
    out += "\n";
    if (renamed > 0)
        out += "其中 " + std::to_string(renamed) +
               " 条记录的标题与前面的记录相同，已在标题后加上用户名或序号 (titles renamed to be unique)\n";
    if (table.SkippedRows > 0)
        out += "跳过 " + std::to_string(table.SkippedRows) +
               " 个不是登录信息的项目（如笔记、卡片）(items that are no logins skipped)\n";
    if (table.WithoutPassword > 0) {
        // By number only: a title could be anything, a secret included.
        out += std::to_string(table.WithoutPassword) + " 条记录没有密码字段，导入后密码为空：第";
        for (size_t i = 0; i < table.WithoutPasswordNumbers.size(); ++i)
            out += (i == 0 ? "" : "、") + std::to_string(table.WithoutPasswordNumbers[i]);
        out += table.WithoutPassword > table.WithoutPasswordNumbers.size() ? "条等" : "条";
        out += " (records without a password field)\n";
    }
    if (!table.UnimportedColumns.empty()) {
        out += "以下各列（字段）文档无法保存，未导入 (columns or fields not imported):";
        for (const std::string& name : table.UnimportedColumns)
            out += " " + name;
        out += "\n";
    }
    return out;
}

// True when there is a file at `path` (a link that names no file yet has none to lose).
bool Exists(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 || errno != ENOENT;
}

// What was read is told before anything is written: output that cannot be written
// (a full disk) stops the import while nothing has changed.
int WriteImported(const CliContext& cx, PasswordDocument& doc, const std::string& summary, const std::string& outPath,
                  bool force, const std::string& exists)
{
    cx.Out << summary;
    cx.Out.flush();
    if (!cx.Out.good())
        return Failure(cx, "无法写出结果，未写入任何文件 (cannot write the output; nothing written)");
    // Checked again right before writing: the password prompt may have taken a while.
    const bool existed = Exists(outPath);
    if (!force && existed)
        return Failure(cx, exists);
    const FormatResult written = SaveDocument(doc, outPath, cx.SealedKeyCost);
    if (!written)
        return Failure(cx, "无法写入 " + outPath + "：" + Why(written.error().Message, written.error().Detail));
    cx.Out << "已导入 " << doc.EntryCount() << " 条记录 (records imported): " << outPath << "\n";
    cx.Out.flush();
    if (!cx.Out.good()) {
        // The output broke between the two lines: a new file is taken back, so that a
        // failure leaves nothing behind; a replaced one is the import's result all the same.
        if (!existed)
            (void)RemoveFileIfPresent(outPath);
        return Failure(cx, "无法写出结果 (cannot write the output)");
    }
    return ExitOk;
}


int RunImport(const Arguments& a, const CliContext& cx)
{
    if (a.Format || a.To)
        return Usage(cx, "import 按内容识别 JSON 或 CSV，不接受 --format 或 --to (import detects the input kind)");
    if (a.Positional.size() != 1)
        return Usage(cx, "import 需要一个输入文件 (import needs one input file)");
    if (!a.Output || a.Output->empty())
        return Usage(cx, "import 需要 -o 输出文件 (import needs -o OUT.kyq)");
    const std::string& inPath = a.Positional[0];
    const std::string& outPath = *a.Output;
    if (inPath == "-")
        return Usage(cx, "输入必须是文件：标准输入用于密码 (the input must be a file: standard input "
                         "carries the password)");
    const std::string exists = "输出文件已存在，未改写；要替换请加 --force (" + outPath + " exists; use --force to replace it)";
    if (!a.Force && Exists(outPath))
        return Failure(cx, exists);

    const Expected<int> opened = OpenRegularFile(inPath);
    if (!opened)
        return Failure(cx, "无法读取输入文件 " + inPath + "：" +
                               Why(opened.error().Message, opened.error().Detail));
    const int fd = *opened;
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    // The output replaces the input (a link to it, another path to it, a hard link): the
    // plain text would be lost, and what is read would be what is being written.
    struct stat in {}, out {};
    if (::fstat(fd, &in) == 0 && ::stat(outPath.c_str(), &out) == 0 && in.st_dev == out.st_dev && in.st_ino == out.st_ino)
        return Failure(cx, "输出文件就是输入文件，未改写 (the output " + outPath + " is the input file)");

    Expected<ImportTable> parsed = ReadImportFile(fd);
    if (!parsed)
        return Failure(cx, "导入失败，未写入任何文件 (nothing written): " + parsed.error().Message);

    std::u16string owner;
    if (a.Owner) {
        if (FirstInvalidUtf8(*a.Owner) != std::string_view::npos)
            return Failure(cx, "--owner 不是有效的UTF-8文本 (--owner is not valid UTF-8)");
        owner = Utf8ToUtf16(*a.Owner);
    } else if (parsed->Owner) {
        owner = *parsed->Owner;
    } else {
        return Usage(cx, "缺少文档用户名：请给出 --owner (no owner name: give --owner)");
    }

    const Expected<std::u16string> password = cx.ReadPassword(true);
    if (!password)
        return Failure(cx, password.error().Message);

    const size_t renamed = RenameDuplicateTitles(*parsed);
    const std::string summary = ImportSummary(*parsed, renamed);
    PasswordDocument doc;
    const Expected<void> check = BuildImportDocument(std::move(*parsed), owner, *password, cx.Today(), doc, a.Sealed);
    if (!check)
        return Failure(cx, "导入失败，未写入任何文件 (nothing written): " + check.error().Message);

    return WriteImported(cx, doc, summary, outPath, a.Force, exists);
}

// A document in another format: read with the password, written anew. The output follows
// import's rules (an existing file only with --force, never the input itself).
int RunConvert(const Arguments& a, const CliContext& cx)
{
    if (a.Format || a.Owner || a.Sealed)
        return Usage(cx, "convert 只接受 -o、--to 和 --force (convert takes -o, --to and --force)");
    if (a.Positional.size() != 1)
        return Usage(cx, "convert 需要一个文件名 (convert needs one file name)");
    if (!a.Output || a.Output->empty())
        return Usage(cx, "convert 需要 -o 输出文件 (convert needs -o OUT.kyq)");
    if (!a.To || (*a.To != "sealed" && *a.To != "200"))
        return Usage(cx, "--to 只能是 sealed 或 200 (--to is sealed or 200)");
    const std::string& inPath = a.Positional[0];
    const std::string& outPath = *a.Output;
    const std::string exists = "输出文件已存在，未改写；要替换请加 --force (" + outPath + " exists; use --force to replace it)";
    if (!a.Force && Exists(outPath))
        return Failure(cx, exists);
    struct stat in {}, out {};
    if (::stat(inPath.c_str(), &in) == 0 && ::stat(outPath.c_str(), &out) == 0 && in.st_dev == out.st_dev &&
        in.st_ino == out.st_ino)
        return Failure(cx, "输出文件就是输入文件，未改写 (the output " + outPath + " is the input file)");

    PasswordDocument doc;
    doc.Path = inPath;
    if (const FormatResult probe = ProbeHeader(doc, inPath); !probe)
        return Unusable(cx, inPath, probe.error());
    const Expected<std::u16string> password = cx.ReadPassword(false);
    if (!password)
        return Failure(cx, password.error().Message);
    const ExpiryContext noReminder{0, 0, 0, 0};
    const UnlockResult read = UnlockDocument(doc, *password, noReminder);
    if (read.Outcome == UnlockOutcome::EmptyPassword)
        return EmptyPassword(cx);
    if (!read.Opened())
        return Unusable(cx, inPath, *read.Failure);
    doc.ReorderEntries(false);
    doc.FormatVersion = *a.To == "sealed" ? SealedFormatNumber : CurrentFormatNumber;
    if (doc.IsSealed()) {
        // Format 200 opens, garbled, under a wrong password: the new file's password is asked
        // for on its own (twice on a terminal), never taken from what was typed to read.
        const Expected<std::u16string> fresh = cx.ReadPassword(true);
        if (!fresh)
            return Failure(cx, fresh.error().Message);
        if (fresh->empty())
            return EmptyPassword(cx);
        if (FindUnusableInDocumentPassword(*fresh, true) != std::u16string_view::npos)
            return Failure(cx, "新密码中有控制字符，不能用作文档密码 (the new password holds a control character)");
        doc.DocumentPassword() = *fresh;
    }

    if (!a.Force && Exists(outPath))
        return Failure(cx, exists);
    const FormatResult written = SaveDocument(doc, outPath, cx.SealedKeyCost);
    if (!written)
        return Failure(cx, "无法写入 " + outPath + "：" + Why(written.error().Message, written.error().Detail));
    cx.Out << "已转换 " << doc.EntryCount() << " 条记录 (records converted): " << outPath << "\n";
    return ExitOk;
}

}  // namespace

int RunCli(const std::vector<std::string>& args, const CliContext& cx)
{
    if (args.empty())
        return Usage(cx, "");
    const std::string& command = args[0];
    int status = ExitOk;
    if (command == "-h" || command == "--help" || command == "help") {
        cx.Out << UsageText;
    } else if (command == "--version") {
        cx.Out << ConsoleVersionText("kyq-cli");
    } else {
        const Expected<Arguments> split = SplitArguments(args, 1);
        if (!split)
            return Usage(cx, split.error().Message);
        const Arguments& a = *split;
        if (command == "info")
            status = RunInfo(a, cx);
        else if (command == "export")
            status = RunExport(a, cx);
        else if (command == "import")
            status = RunImport(a, cx);
        else if (command == "convert")
            status = RunConvert(a, cx);
        else
            return Usage(cx, "未知命令 (unknown command) " + command);
    }
    // A full disk or a closed pipe must not pass for success: what was printed has to
    // have arrived.
    cx.Out.flush();
    if (status == ExitOk && !cx.Out.good())
        return Failure(cx, "无法写出结果 (cannot write the output)");
    return status;
}

}  // namespace kyq::cli
