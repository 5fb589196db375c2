#pragma once
// Where each control of the settings window goes in the interface's language. The Japanese
// layout is the classic one, exactly; a translation that needs more room than a control has
// widens the control and moves what lies to its right in its page or group, column by
// column, and the group, the page and the window grow with it. Nothing ever shrinks.
#include <functional>
#include <vector>

#include "form/form_description.h"

namespace quillenta::form {

struct Layout {
  std::vector<Rect> rects;  // by index into Controls(), relative to the parent as there
  int client_width = 0;
  int client_height = 0;
  friend bool operator==(const Layout&, const Layout&) = default;
};

// The width (pixels at 96 DPI) the control at this index of Controls() needs for its caption
// in the toolkit's font, with its box, padding or frame; for a tab page, its tab's width.
using MeasureCaption = std::function<int(std::size_t)>;

Layout ClassicLayout();
// The classic layout, grown where `needed` says a caption needs more room.
Layout FittedLayout(const MeasureCaption& needed);
// What the shell draws in `language`: the classic layout in Japanese, else the fitted one.
Layout LayoutFor(Language language, const MeasureCaption& needed);

}  // namespace quillenta::form
