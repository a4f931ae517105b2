// The default-application lines of a freedesktop mimeapps.list, edited as text so that
// every other line, group and comment stays exactly as it was.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kyq {

class MimeAppsList {
public:
    explicit MimeAppsList(std::string_view text = {});

    // The desktop ids listed for `mimeType` under [Default Applications], in order, empty
    // entries dropped; empty when the type has no line there. The first line wins when
    // the type is listed twice.
    std::vector<std::string> DefaultsFor(std::string_view mimeType) const;

    // Replaces the type's line (the first one when there are several), or adds one at the
    // end of the first [Default Applications] group, or adds that group at the end.
    // An empty list removes the line instead.
    void SetDefaults(std::string_view mimeType, const std::vector<std::string>& desktopIds);

    const std::string& Text() const { return text_; }

private:
    struct Line {
        size_t begin;      // offset of the line in text_
        size_t end;        // offset just past the line's end (its line break included)
        std::string group; // the group the line belongs to ("" before the first header)
        bool isHeader;
    };
    std::vector<Line> Lines() const;
    // Index into Lines() of the type's first line in [Default Applications], or -1.
    long FindDefaultLine(const std::vector<Line>& lines, std::string_view mimeType) const;

    std::string text_;
};

}  // namespace kyq
