#include "core/document/PathText.h"

#include "core/document/PasswordDocument.h"
#include "platform/Utf.h"

namespace kyq {

std::string FolderOfPath(std::string_view path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string_view::npos)
        return {};
    return std::string(path.substr(0, slash));
}

std::u16string DisplayNameOfPath(std::string_view path)
{
    if (path == PasswordDocument::NewDocumentPath)
        return u"无标题";
    const size_t slash = path.rfind('/');
    return Utf8ToUtf16(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string WithTrailingSlash(std::string_view folder)
{
    std::string text(folder);
    if (!text.empty() && text.back() != '/')
        text += '/';
    return text;
}

std::string WithoutTrailingSlash(std::string_view folder)
{
    if (folder.size() > 1 && folder.back() == '/')
        folder.remove_suffix(1);
    return std::string(folder);
}

std::string NumberedPath(std::string_view path, int n)
{
    const size_t slash = path.rfind('/');
    const size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
    size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || dot <= nameStart)
        dot = path.size();
    return std::string(path.substr(0, dot)) + " (" + std::to_string(n) + ")" +
           std::string(path.substr(dot));
}

std::u16string StatusPanelText(std::string_view path, int count)
{
    std::u16string text = u"文件";
    text += DisplayNameOfPath(path);
    text += u"共有";
    const std::string digits = std::to_string(count);
    text.append(digits.begin(), digits.end());
    text += u"个密码。";
    return text;
}

}  // namespace kyq
