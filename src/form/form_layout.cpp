#include "form/form_layout.h"

#include <algorithm>
#include <limits>

namespace quillenta::form {

namespace {

constexpr std::size_t kWindow = std::numeric_limits<std::size_t>::max();

class Fitter {
 public:
  explicit Fitter(const MeasureCaption& needed) : needed_(needed), layout_(ClassicLayout()) {
    const auto& controls = Controls();
    parents_.resize(controls.size());
    for (std::size_t i = 0; i < controls.size(); ++i) parents_[i] = ParentOf(controls[i]);
  }

  Layout Run() {
    layout_.client_width += Fit(kWindow);
    return std::move(layout_);
  }

 private:
  static std::size_t ParentOf(const ControlDef& def) {
    if (!def.group.empty()) return IndexOf(def.group);
    if (def.kind == Kind::kTabPage) return IndexOf("PageControl1");
    if (def.page >= 0) return IndexOf("TabSheet" + std::to_string(def.page + 1));
    return kWindow;
  }

  int OwnGrowth(std::size_t index) {
    const ControlDef& def = Controls()[index];
    switch (def.kind) {
      case Kind::kGroupBox:
        // Its title as well as what it holds.
        return std::max(Fit(index), needed_(index) - def.rect.width);
      case Kind::kTabPage:
        return Fit(index);
      case Kind::kTabControl: {
        // As wide as its widest page, and room for every tab in one row.
        int pages = 0, tabs = 0;
        for (std::size_t i = 0; i < parents_.size(); ++i) {
          if (parents_[i] != index) continue;
          pages = std::max(pages, Fit(i));
          tabs += std::max(0, needed_(i));
        }
        return std::max(pages, tabs - def.rect.width);
      }
      default:
        return std::max(0, needed_(index) - def.rect.width);
    }
  }

  // Lays out the children of `container` and gives how much wider its content became.
  int Fit(std::size_t container) {
    struct Child {
      std::size_t index;
      Rect rect;  // as classic
      int growth;
      bool keeps_right;  // widens to its left rather than pushing what follows
      int end_shift = 0;
    };
    std::vector<Child> children;
    const auto& controls = Controls();
    for (std::size_t i = 0; i < controls.size(); ++i) {
      if (parents_[i] != container) continue;
      const ControlDef& def = controls[i];
      children.push_back({i, def.rect, OwnGrowth(i), def.grows_left || !def.left_of.empty()});
    }
    std::sort(children.begin(), children.end(),
              [](const Child& a, const Child& b) { return a.rect.x < b.rect.x; });
    // How far a classic x moves right: the most that the controls ending at or before it moved
    // their right edges, each by its own growth and by what moved it.
    auto shift_at = [&children](int x) {
      int shift = 0;
      for (const Child& child : children) {
        if (child.rect.right() <= x) shift = std::max(shift, child.end_shift);
      }
      return shift;
    };
    for (Child& child : children) {
      child.end_shift = shift_at(child.rect.x) + (child.keeps_right ? 0 : child.growth);
    }
    int content = 0;
    for (const Child& child : children) {
      Rect& rect = layout_.rects[child.index];
      const int right = child.rect.right() + shift_at(child.rect.right());
      if (child.keeps_right) {
        rect.x = right - child.rect.width - child.growth;
      } else {
        rect.x = child.rect.x + shift_at(child.rect.x);
      }
      rect.width = right - rect.x;
      content = std::max(content, child.end_shift);
    }
    for (const Child& child : children) {
      const ControlDef& def = controls[child.index];
      if (def.left_of.empty()) continue;
      Rect& rect = layout_.rects[child.index];
      const int right = layout_.rects[IndexOf(def.left_of)].x;
      rect.width = child.rect.width + child.growth;
      rect.x = right - rect.width;
    }
    return content;
  }

  const MeasureCaption& needed_;
  Layout layout_;
  std::vector<std::size_t> parents_;
};

}  // namespace

Layout ClassicLayout() {
  Layout layout;
  for (const ControlDef& def : Controls()) layout.rects.push_back(def.rect);
  layout.client_width = Window().client_width;
  layout.client_height = Window().client_height;
  return layout;
}

Layout FittedLayout(const MeasureCaption& needed) { return Fitter(needed).Run(); }

Layout LayoutFor(Language language, const MeasureCaption& needed) {
  return language == Language::kJapanese ? ClassicLayout() : FittedLayout(needed);
}

}  // namespace quillenta::form
