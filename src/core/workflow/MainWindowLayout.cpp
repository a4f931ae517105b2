#include "core/workflow/MainWindowLayout.h"

#include <algorithm>

namespace kyq {

MainWindowLayout ComputeMainWindowLayout(int width, int height)
{
    MainWindowLayout l;
    l.Width = std::max(width, MainWindowMinWidth);
    l.Height = std::max(height, MainWindowMinHeight);
    // The find panel stays centred, the tree takes what the details panel leaves, and the
    // details panel keeps to the right edge, vertically centred.
    l.FindPanelLeft = (l.Width - MainWindowMinWidth) / 2 + 480;
    l.TreeHeight = l.Height - 2175;
    l.TreeWidth = l.Width - 3495;
    l.DetailsLeft = l.Width - 3050;
    l.DetailsTop = (l.Height - MainWindowMinHeight) / 2 + 1200;
    return l;
}

}  // namespace kyq
