// Auto-fill's desktop where nothing can type into other programs and no window can be
// named (a Wayland compositor with neither the wlroots protocols nor the remote-desktop
// portal, such as weston): the fill dialog copies the user name, then the password, to the
// clipboard instead.
#pragma once

#include "platform/FillDesktop.h"

namespace kyq {

class CopyDesktop final : public FillDesktop {
public:
    bool CanType() const override { return false; }
    // No window can be told: the dialog shows for whatever has the focus.
    FillWindow Foreground() override { return {}; }
    bool Activate(const FillWindow&) override { return false; }
    bool HasFocus(const FillWindow&) override { return false; }
    size_t FirstUntypeable(std::u16string_view text) override
    {
        return text.empty() ? AllTypeable : 0;
    }
    bool TypePiece(std::u16string_view, const std::function<bool()>&) override { return false; }
    bool AcceptOnKeyRelease() const override { return true; }
};

}  // namespace kyq
