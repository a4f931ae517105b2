// Makes the icons compiled into the GUI library available (":/icons/...") and sets the font
// the forms are laid out for. Run once after the QApplication exists.
#pragma once

namespace kyq {

void InitGuiResources();

}  // namespace kyq
