// The main window's resize rules, in twips: which outer size the window may have and where
// the find panel, the tree and the details panel go for it.
#pragma once

namespace kyq {

inline constexpr int TwipsPerPixel = 15;
inline constexpr int MainWindowMinWidth = 5850;
inline constexpr int MainWindowMinHeight = 4740;

// To whole pixels, rounded.
constexpr int TwipsToPx(int twips)
{
    return (twips + TwipsPerPixel / 2) / TwipsPerPixel;
}

struct MainWindowLayout {
    int Width = MainWindowMinWidth;  // the outer size after clamping to the minimum
    int Height = MainWindowMinHeight;
    int FindPanelLeft = 0;  // Frame2
    int TreeWidth = 0;      // TV1
    int TreeHeight = 0;
    int DetailsLeft = 0;  // Frame1
    int DetailsTop = 0;
};

// width and height: the window's outer size in twips.
MainWindowLayout ComputeMainWindowLayout(int width, int height);

}  // namespace kyq
