#pragma once
#include <QIcon>
#include <QImage>

namespace quillenta {

// The program's own glyph: a window whose title bar carries a line of text, and a quill that
// writes it. Drawn rather than loaded, so that it needs no image plugin and stays crisp at
// the small sizes of a panel.
QImage PaintAppIcon(int size);
// 16, 22, 32 and 48 pixels.
QIcon MakeAppIcon();

}  // namespace quillenta
