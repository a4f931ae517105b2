// Makes the icons compiled into the GUI library available (":/icons/..."), sets the font
// the forms are laid out for and the style ("*" in password boxes). Run once after the
// QApplication exists.
#pragma once

namespace kyq {

void InitGuiResources();

}  // namespace kyq
