#include "platform/headless/headless_dialog.h"

#include "platform/api/text.h"

namespace kestro::platform {

namespace {

// The page area of a page control: inside its border, below one row of tabs.
constexpr std::int32_t kPageBorder = 4;
constexpr std::int32_t kTabRowHeight = 24;
// The dialog's own font when a control names none.
constexpr char kDialogFont[] = "MS Shell Dlg";
constexpr std::int32_t kDialogFontHeight = 11;

bool DrawnOnParent(ControlKind kind) {
  return kind == ControlKind::kFrame || kind == ControlKind::kPicture || kind == ControlKind::kLabel;
}

}  // namespace

HeadlessDialog::HeadlessDialog(const DialogLayout& layout)
    : layout_(layout), controls_(InitialControlStates<Control>(layout)), nextZ_(static_cast<int>(layout.controls.size())) {
  for (auto& [id, control] : controls_) {
    const ControlLayout& c = control.layout;
    if (c.kind == ControlKind::kColorList) {
      const auto first = ColorItemIndex(c.colors, 0);
      control.color = first ? c.colors[*first].color : 0;
    }
    if (c.kind == ControlKind::kSpin) control.text = std::to_string(c.minValue);
  }
  for (const ControlLayout& c : layout_.controls) {
    if (c.kind == ControlKind::kPage && activePage_ == 0) activePage_ = c.id;
  }
  // Pages cover the page area of their page control; filling controls their parent.
  for (auto& [id, control] : controls_) {
    const Control* parent = Find(control.layout.parent);
    if (parent == nullptr) continue;
    const TRect p = parent->bounds;
    if (control.layout.kind == ControlKind::kPage) {
      control.bounds = {kPageBorder, kTabRowHeight, p.Width() - kPageBorder, p.Height() - kPageBorder};
    }
  }
  for (auto& [id, control] : controls_) {
    const Control* parent = Find(control.layout.parent);
    if (control.layout.fillParent) {
      control.bounds = parent != nullptr ? RectOfSize(parent->bounds.Width(), parent->bounds.Height())
                                         : RectOfSize(layout_.clientWidth, layout_.clientHeight);
    }
    if (control.layout.kind == ControlKind::kLabel) SizeLabel(control);
  }
}

HeadlessDialog::~HeadlessDialog() {
  if (onDestroyed) onDestroyed(this);
}

HeadlessDialog::Control* HeadlessDialog::Find(ControlId id) {
  const auto hit = controls_.find(id);
  return hit == controls_.end() ? nullptr : &hit->second;
}

const HeadlessDialog::Control* HeadlessDialog::Find(ControlId id) const {
  const auto hit = controls_.find(id);
  return hit == controls_.end() ? nullptr : &hit->second;
}

void HeadlessDialog::Close() {
  if (closed_) return;
  closed_ = true;
  if (onClose) onClose();
}

void HeadlessDialog::SizeLabel(Control& control) {
  FontSpec font;
  font.name = control.font.name.empty() ? kDialogFont : control.font.name;
  const std::int32_t height = control.font.height > 0 ? control.font.height : kDialogFontHeight;
  font.size = (height * 72 + 48) / 96;
  font.underline = control.font.underline;
  const std::string shown = control.layout.noPrefix ? control.text : CaptionWithoutMnemonics(control.text);
  const TPoint size = platform::Text().Measure(font, shown);
  TRect& b = control.bounds;
  if (control.layout.alignRight) {
    b.Left = b.Right - size.X;
  } else {
    b.Right = b.Left + size.X;
  }
  b.Bottom = b.Top + size.Y;
}

void HeadlessDialog::SetText(ControlId id, const std::string& text) {
  if (id == 0) {
    layout_.caption = text;
    return;
  }
  Control* c = Find(id);
  if (c == nullptr) return;
  c->text = text;
  if (c->layout.kind == ControlKind::kLabel) SizeLabel(*c);
}

std::string HeadlessDialog::Text(ControlId id) const {
  if (id == 0) return layout_.caption;
  const Control* c = Find(id);
  return c != nullptr ? c->text : std::string();
}

void HeadlessDialog::SetChecked(ControlId id, bool checked) {
  if (Control* c = Find(id)) c->checked = checked;
}

bool HeadlessDialog::Checked(ControlId id) const {
  const Control* c = Find(id);
  return c != nullptr && c->checked;
}

void HeadlessDialog::SetEnabled(ControlId id, bool enabled) {
  if (Control* c = Find(id)) c->enabled = enabled;
}

bool HeadlessDialog::Enabled(ControlId id) const {
  const Control* c = Find(id);
  return c != nullptr && c->enabled;
}

void HeadlessDialog::SetVisible(ControlId id, bool visible) {
  if (Control* c = Find(id)) c->visible = visible;
}

bool HeadlessDialog::Visible(ControlId id) const {
  const Control* c = Find(id);
  return c != nullptr && c->visible;
}

void HeadlessDialog::SetColor(ControlId id, std::uint32_t color) {
  Control* c = Find(id);
  if (c == nullptr || c->layout.kind != ControlKind::kColorList) return;
  // The list shows the colour: one of its entries, or the custom entry holding it.
  if (ColorItemIndex(c->layout.colors, color)) c->color = color;
}

std::uint32_t HeadlessDialog::Color(ControlId id) const {
  const Control* c = Find(id);
  return c != nullptr ? c->color : 0;
}

void HeadlessDialog::SetFont(ControlId id, const ControlFont& font) {
  Control* c = Find(id);
  if (c == nullptr) return;
  c->font = font;
  if (c->layout.kind == ControlKind::kLabel) SizeLabel(*c);
}

ControlFont HeadlessDialog::Font(ControlId id) const {
  const Control* c = Find(id);
  return c != nullptr ? c->font : ControlFont{};
}

void HeadlessDialog::SetCursor(ControlId id, ControlCursor cursor) {
  if (Control* c = Find(id)) c->cursor = cursor;
}

ControlCursor HeadlessDialog::Cursor(ControlId id) const {
  const Control* c = Find(id);
  return c != nullptr ? c->cursor : ControlCursor::kDefault;
}

void HeadlessDialog::SetHint(ControlId id, const std::string& hint) {
  if (Control* c = Find(id)) c->hint = hint;
}

std::string HeadlessDialog::Hint(ControlId id) const {
  const Control* c = Find(id);
  return c != nullptr ? c->hint : std::string();
}

void HeadlessDialog::SetPicture(ControlId id, const ConstPixels& pixels) {
  if (Control* c = Find(id)) c->pictureSize = {pixels.width, pixels.height};
}

TPoint HeadlessDialog::PictureSize(ControlId id) const {
  const Control* c = Find(id);
  return c != nullptr ? c->pictureSize : TPoint{};
}

void HeadlessDialog::BringToFront(ControlId id) {
  if (Control* c = Find(id)) c->z = nextZ_++;
}

void HeadlessDialog::SetBounds(ControlId id, const TRect& bounds) {
  Control* c = Find(id);
  if (c == nullptr) return;
  if (c->layout.kind != ControlKind::kLabel) {
    c->bounds = bounds;
  } else {
    // A label keeps the size of its text; only its place changes.
    c->bounds = {bounds.Left, bounds.Top, bounds.Left + c->bounds.Width(), bounds.Top + c->bounds.Height()};
  }
}

TRect HeadlessDialog::Bounds(ControlId id) const {
  const Control* c = Find(id);
  return c != nullptr ? c->bounds : TRect{};
}

void HeadlessDialog::SetActivePage(ControlId page) {
  const Control* c = Find(page);
  if (c != nullptr && c->layout.kind == ControlKind::kPage) activePage_ = page;
}

bool HeadlessDialog::Usable(ControlId id) const {
  for (const Control* c = Find(id); c != nullptr; c = Find(c->layout.parent)) {
    if (!c->enabled) return false;
    if (c->layout.kind == ControlKind::kPage ? c->layout.id != activePage_ : !c->visible) return false;
  }
  return Find(id) != nullptr;
}

TRect HeadlessDialog::DialogBounds(const Control& control) const {
  TRect r = control.bounds;
  for (const Control* p = Find(control.layout.parent); p != nullptr; p = Find(p->layout.parent)) {
    r = r.Offset(p->bounds.Left, p->bounds.Top);
  }
  return r;
}

ControlId HeadlessDialog::GraphicAt(TPoint point) const {
  ControlId hit = 0;
  int z = -1;
  for (const auto& [id, control] : controls_) {
    if (!DrawnOnParent(control.layout.kind) || !Usable(id) || control.z < z) continue;
    const TRect r = DialogBounds(control);
    if (point.X >= r.Left && point.X < r.Right && point.Y >= r.Top && point.Y < r.Bottom) {
      hit = id;
      z = control.z;
    }
  }
  return hit;
}

bool HeadlessDialog::Click(ControlId id) {
  Control* c = Find(id);
  if (c == nullptr || !Usable(id)) return false;
  if (DrawnOnParent(c->layout.kind)) {
    const TRect r = DialogBounds(*c);
    id = GraphicAt({(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2});
    if (id == 0) return false;
  } else if (c->layout.kind == ControlKind::kCheck) {
    c->checked = !c->checked;
  } else if (c->layout.kind == ControlKind::kRadio) {
    for (auto& [other, control] : controls_) {
      if (control.layout.kind == ControlKind::kRadio && control.layout.parent == c->layout.parent) {
        control.checked = other == id;
      }
    }
  }
  if (onClick) onClick(id);
  return true;
}

bool HeadlessDialog::PressEnter() {
  for (const auto& [id, control] : controls_) {
    if (control.layout.isDefault) return Click(id);
  }
  return false;
}

bool HeadlessDialog::PressEscape() {
  for (const auto& [id, control] : controls_) {
    if (control.layout.isCancel) return Click(id);
  }
  return false;
}

void HeadlessDialog::RequestClose() {
  if (onCloseRequest) onCloseRequest();
}

}  // namespace kestro::platform
