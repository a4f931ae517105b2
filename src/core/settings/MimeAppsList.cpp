#include "core/settings/MimeAppsList.h"

namespace kyq {

namespace {

constexpr std::string_view kDefaultGroup = "Default Applications";

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
        s.remove_suffix(1);
    return s;
}

// The key of a "key=value" line, "" for anything else (comments, blanks, headers).
std::string_view KeyOf(std::string_view line) {
    std::string_view t = Trim(line);
    if (t.empty() || t.front() == '#' || t.front() == '[')
        return {};
    size_t eq = t.find('=');
    if (eq == std::string_view::npos)
        return {};
    return Trim(t.substr(0, eq));
}

std::string_view ValueOf(std::string_view line) {
    std::string_view t = Trim(line);
    size_t eq = t.find('=');
    return eq == std::string_view::npos ? std::string_view{} : Trim(t.substr(eq + 1));
}

std::string JoinIds(std::string_view mimeType, const std::vector<std::string>& ids) {
    std::string line(mimeType);
    line += '=';
    for (const std::string& id : ids) {
        line += id;
        line += ';';
    }
    return line;
}

// The line break this file uses, so that an added line matches its neighbours.
std::string_view LineBreakOf(const std::string& text) {
    size_t nl = text.find('\n');
    return (nl != std::string::npos && nl > 0 && text[nl - 1] == '\r') ? "\r\n" : "\n";
}

}  // namespace

MimeAppsList::MimeAppsList(std::string_view text) : text_(text) {}

std::vector<MimeAppsList::Line> MimeAppsList::Lines() const {
    std::vector<Line> lines;
    std::string group;
    size_t pos = 0;
    while (pos < text_.size()) {
        size_t nl = text_.find('\n', pos);
        size_t end = nl == std::string::npos ? text_.size() : nl + 1;
        std::string_view t = Trim(std::string_view(text_).substr(pos, end - pos));
        bool header = t.size() >= 2 && t.front() == '[' && t.back() == ']';
        if (header)
            group = std::string(t.substr(1, t.size() - 2));
        lines.push_back({pos, end, group, header});
        pos = end;
    }
    return lines;
}

long MimeAppsList::FindDefaultLine(const std::vector<Line>& lines, std::string_view mimeType) const {
    for (size_t i = 0; i < lines.size(); ++i) {
        const Line& l = lines[i];
        if (l.isHeader || l.group != kDefaultGroup)
            continue;
        if (KeyOf(std::string_view(text_).substr(l.begin, l.end - l.begin)) == mimeType)
            return static_cast<long>(i);
    }
    return -1;
}

std::vector<std::string> MimeAppsList::DefaultsFor(std::string_view mimeType) const {
    std::vector<Line> lines = Lines();
    long i = FindDefaultLine(lines, mimeType);
    std::vector<std::string> ids;
    if (i < 0)
        return ids;
    std::string_view value = ValueOf(std::string_view(text_).substr(lines[i].begin, lines[i].end - lines[i].begin));
    while (!value.empty()) {
        size_t semi = value.find(';');
        std::string_view id = Trim(value.substr(0, semi));
        if (!id.empty())
            ids.emplace_back(id);
        if (semi == std::string_view::npos)
            break;
        value.remove_prefix(semi + 1);
    }
    return ids;
}

void MimeAppsList::SetDefaults(std::string_view mimeType, const std::vector<std::string>& desktopIds) {
    std::vector<Line> lines = Lines();
    const std::string_view br = LineBreakOf(text_);
    long found = FindDefaultLine(lines, mimeType);
    if (found >= 0) {
        const Line& l = lines[found];
        if (desktopIds.empty()) {
            text_.erase(l.begin, l.end - l.begin);
            return;
        }
        // Keep the line's own ending (or its lack of one, on the last line).
        size_t contentEnd = l.end;
        while (contentEnd > l.begin && (text_[contentEnd - 1] == '\n' || text_[contentEnd - 1] == '\r'))
            --contentEnd;
        text_.replace(l.begin, contentEnd - l.begin, JoinIds(mimeType, desktopIds));
        return;
    }
    if (desktopIds.empty())
        return;
    std::string newLine = JoinIds(mimeType, desktopIds);
    newLine += br;
    // After the last key line of the first [Default Applications] group, so that blank
    // lines and comments that introduce the next group stay with it.
    long insertAfter = -1;
    bool inGroup = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        const Line& l = lines[i];
        if (l.isHeader) {
            if (inGroup)
                break;
            if (l.group == kDefaultGroup) {
                inGroup = true;
                insertAfter = static_cast<long>(i);
            }
            continue;
        }
        if (inGroup && !KeyOf(std::string_view(text_).substr(l.begin, l.end - l.begin)).empty())
            insertAfter = static_cast<long>(i);
    }
    if (insertAfter >= 0) {
        size_t at = lines[insertAfter].end;
        if (at == text_.size() && text_.back() != '\n') {
            text_ += br;
            at = text_.size();
        }
        text_.insert(at, newLine);
        return;
    }
    if (!text_.empty() && text_.back() != '\n')
        text_ += br;
    if (!text_.empty())
        text_ += br;  // a blank line between the groups, as hand-written files have
    text_ += '[';
    text_ += kDefaultGroup;
    text_ += ']';
    text_ += br;
    text_ += newLine;
}

}  // namespace kyq
