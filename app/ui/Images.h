#pragma once

#include <QIcon>
#include <QPixmap>

namespace quorvane::app {

/// The program's shared image list: six 16 x 16 pictures drawn in code, so
/// no image files ship with the program. Each icon carries a 16 px and a
/// 32 px rendering, which keeps it crisp at 200 % scaling.
class Images {
public:
    /// Positions in the image list; list items, tabs and the "File" menu
    /// refer to pictures by these numbers.
    enum Index : int {
        RedCross = 0,     ///< a record that does not boot (default of every item)
        GreenTick = 1,    ///< a record that boots
        PaleBlueDisc = 2, ///< tab "ZUR Urediz"
        WrittenPage = 3,  ///< tab "Create Custom list."
        TwoComputers = 4, ///< the "File" menu's sub-menu and the tab "My Games"
        NotInList = 5,    ///< a scanned image whose game ID the list does not hold
    };
    static constexpr int Count = 6;
    static constexpr int Size = 16;

    /// The image at `index`; a null icon for an index outside 0 .. Count - 1.
    static QIcon icon(int index);

    /// The image at `index` drawn at `pixels` square.
    static QPixmap pixmap(int index, int pixels = Size);

    /// Glyph of the "Search" button (a magnifying glass).
    static QIcon searchGlyph();

    /// Bitmap of "Check for List Updates" (a downward arrow onto a tray).
    static QIcon updateBitmap();

    /// The program's window icon (the pale blue disc).
    static QIcon applicationIcon();

    /// The window icon drawn at `pixels` square, for the desktop's icon theme.
    static QPixmap applicationPixmap(int pixels);
};

} // namespace quorvane::app
