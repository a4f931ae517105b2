#include "core/autofill/GuardedFill.h"

#include "platform/FillDesktop.h"
#include "platform/Utf.h"

namespace kyq {

std::vector<std::u16string_view> FillPieces(std::u16string_view text)
{
    std::vector<std::u16string_view> pieces;
    size_t runStart = 0;
    const auto endRun = [&](size_t at) {
        if (at > runStart)
            pieces.push_back(text.substr(runStart, at - runStart));
    };
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c != u'\t' && c != u'\r' && c != u'\n')
            continue;
        endRun(i);
        const size_t length = c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n' ? 2 : 1;
        pieces.push_back(text.substr(i, length));
        i += length - 1;
        runStart = i + 1;
    }
    endRun(text.size());
    return pieces;
}

namespace {

size_t CharacterCount(std::u16string_view text)
{
    size_t count = 0;
    for (char16_t c : text)
        count += c < 0xdc00 || c > 0xdfff ? 1 : 0;  // a pair's second half is no character
    return count;
}

// What went in before a stop, as the user can check it: "5个字符、Tab键". A piece cut short
// inside counts as not typed (its start may or may not have arrived).
std::u16string TypedPieces(const std::vector<std::u16string_view>& pieces, size_t count)
{
    std::u16string said;
    for (size_t i = 0; i < count && i < pieces.size(); ++i) {
        if (!said.empty())
            said += u"、";
        const std::u16string_view piece = pieces[i];
        if (piece == u"\t")
            said += u"Tab键";
        else if (piece.front() == u'\r' || piece.front() == u'\n')
            said += u"回车键";
        else
            said += Utf8ToUtf16(std::to_string(CharacterCount(piece))) + u"个字符";
    }
    return said;
}

}  // namespace

FillOutcome TypeIntoTarget(FillDesktop& desktop, const FillWindow& target,
                           std::u16string_view text, const std::function<void()>& afterActivation)
{
    FillOutcome outcome;
    if (!target.Known()) {
        outcome.stop = FillStop::NoTarget;
        return outcome;
    }
    if (target.own) {
        outcome.stop = FillStop::OwnWindow;
        return outcome;
    }
    // All of it or nothing: a skipped character would still be followed by the Enter,
    // submitting a wrong password.
    const size_t untypeable = desktop.FirstUntypeable(text);
    if (untypeable != FillDesktop::AllTypeable) {
        outcome.stop = FillStop::Untypeable;
        outcome.position = untypeable;
        return outcome;
    }
    if (!desktop.Activate(target)) {
        // A desktop that turned typing down (its user declined the consent it asked for)
        // is said as such: the target itself may well be there.
        outcome.stop = desktop.CanType() ? FillStop::NotActivated : FillStop::TypingRefused;
        return outcome;
    }
    if (afterActivation)
        afterActivation();
    const std::vector<std::u16string_view> pieces = FillPieces(text);
    if (pieces.empty())
        return outcome;

    desktop.BeginTyping(text);
    const auto targetHasFocus = [&desktop, &target] { return desktop.HasFocus(target); };
    for (std::u16string_view piece : pieces) {
        // Checked before every piece, so that a Tab or an Enter never goes to whatever
        // window took the focus meanwhile (a closed target's neighbour, a click elsewhere).
        if (!targetHasFocus()) {
            outcome.stop = FillStop::WindowChanged;
            break;
        }
        if (!desktop.TypePiece(piece, targetHasFocus)) {
            // Stopped by the focus check inside the piece, or the keys could not be sent;
            // a run of several chunks may have sent some.
            outcome.stop = targetHasFocus() ? FillStop::TypingFailed : FillStop::WindowChanged;
            outcome.cutInside = piece.size() > 1;
            break;
        }
        ++outcome.piecesTyped;
    }
    desktop.EndTyping();
    if (outcome.stop == FillStop::WindowChanged && !desktop.StillThere(target))
        outcome.stop = FillStop::WindowClosed;
    if (outcome.stop != FillStop::None)
        outcome.typed = TypedPieces(pieces, outcome.piecesTyped);
    return outcome;
}

std::u16string FillStopMessage(const FillOutcome& outcome)
{
    // One sentence a line: a message box keeps lines short, cutting the middle of longer ones.
    std::u16string typed =
        outcome.typed.empty() ? u"\n没有输入任何内容。" : u"\n已输入：" + outcome.typed + u"。";
    if (outcome.cutInside)
        typed += u"\n下一段可能已输入了一部分。";
    const std::u16string check = outcome.typed.empty() && !outcome.cutInside
                                     ? u""
                                     : u"\n请检查该窗口中已填写的内容。";
    switch (outcome.stop) {
    case FillStop::None:
        return {};
    case FillStop::NoTarget:
        return u"不知道要填写到哪个窗口：请在要填写的窗口中按快捷键。\n没有填写任何内容。";
    case FillStop::OwnWindow:
        return u"不能填写到本程序自己的窗口中。请在要填写的窗口中按快捷键。\n没有填写任何内容。";
    case FillStop::Untypeable:
        // The position only: the character may be one of the password's.
    {
        std::u16string text = u"第";
        text += Utf8ToUtf16(std::to_string(outcome.position + 1));
        text += u"个字符无法在当前键盘布局下输入，\n因此没有填写任何内容。";
        return text;
    }
    case FillStop::NotActivated:
        return u"无法切换到要填写的窗口（它可能已经关闭），\n没有填写任何内容。";
    case FillStop::TypingRefused:
        return u"桌面没有允许本程序向其他窗口输入（输入授权被拒绝或无法获得），\n"
               u"没有填写任何内容。下次填写时会再次请求授权。";
    case FillStop::WindowChanged:
        return u"填写已停止：目标窗口失去了焦点，或者键盘被另一个程序占用。\n"
               u"其余内容（包括回车）没有输入。" +
               typed + check;
    case FillStop::WindowClosed:
        return u"填写已停止：目标窗口已关闭。\n其余内容（包括回车）没有输入到任何窗口。" + typed;
    case FillStop::TypingFailed:
        return u"填写已停止：有字符没能输入。\n其余内容（包括回车）没有输入。" + typed +
               u"\n请检查该窗口中已填写的内容。";
    }
    return {};
}

std::string FillStopDetail(const FillOutcome& outcome)
{
    switch (outcome.stop) {
    case FillStop::None:
        return {};
    case FillStop::NoTarget:
        return "auto-fill: no target window recorded; nothing typed";
    case FillStop::OwnWindow:
        return "auto-fill: the target is one of the program's own windows; nothing typed";
    case FillStop::Untypeable:
        return "auto-fill: the character at position " + std::to_string(outcome.position + 1) +
               " cannot be typed on this desktop's keyboard layout; nothing typed";
    case FillStop::NotActivated:
        return "auto-fill: the target window could not be activated; nothing typed";
    case FillStop::TypingRefused:
        return "auto-fill: the desktop gave no permission to type; nothing typed";
    case FillStop::WindowChanged:
        return "auto-fill: the target lost the keyboard focus after " +
               std::to_string(outcome.piecesTyped) + " piece(s); typing stopped";
    case FillStop::WindowClosed:
        return "auto-fill: the target window went away after " +
               std::to_string(outcome.piecesTyped) + " piece(s); typing stopped";
    case FillStop::TypingFailed:
        return "auto-fill: the keys of piece " + std::to_string(outcome.piecesTyped + 1) +
               " could not all be sent; typing stopped";
    }
    return {};
}

}  // namespace kyq
