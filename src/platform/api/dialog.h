#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/geometry.h"
#include "platform/api/ui.h"

namespace kestro::platform {

// A dialog made of the platform's own controls, described by a table
// (DialogLayout) and driven by portable code through DialogView. Each window
// system has its view: real Win32 controls on Windows, in-memory controls in
// the headless backend; another toolkit's view implements the same calls.
//
// Layout: every position and size is in pixels at 96 DPI, relative to the
// client area of the control's parent (the dialog, a page or a group). Each
// view scales the layout by the DPI of the monitor the dialog is on. Texts
// are single-byte ANSI (code page 1252) like every text of the program.

using ControlId = int;

enum class ControlKind {
  kFrame,        // a rectangle outline without fill, drawn on its parent
  kPicture,      // a picture stretched to the control's bounds, drawn on its parent
  kLabel,        // text drawn on its parent, sized to its text
  kPageControl,  // tabs over pages (its children are kPage controls)
  kPage,         // one page of a page control; its bounds are the page control's page area
  kGroup,        // a captioned group box; radios inside one group exclude each other
  kRadio,
  kCheck,
  kColorList,    // a drop-down list of named colours (ControlLayout::colors)
  kSpin,         // an integer edit box with up and down arrows (minValue..maxValue)
  kMemo,         // a multi-line text box with both scroll bars
  kButton,
};

enum class ControlCursor { kDefault, kHand };

// A control's font: what is not given comes from the dialog's font.
struct ControlFont {
  std::string name;                    // empty: the dialog's font
  std::int32_t height = 0;             // character height in pixels at 96 DPI; 0: the dialog's
  std::optional<std::uint32_t> color;  // 0x00BBGGRR; none: the system's text colour
  bool underline = false;
  friend bool operator==(const ControlFont&, const ControlFont&) = default;
};

// One entry of a colour list. The entry marked custom shows its own name
// and holds whatever colour is not among the others; choosing it lets the
// user pick any colour.
struct ColorItem {
  std::string name;
  std::uint32_t color = 0;
  bool custom = false;
};

struct ControlLayout {
  ControlId id = 0;
  ControlKind kind = ControlKind::kLabel;
  ControlId parent = 0;  // 0: the dialog itself
  // The caption. "&" marks the next character as the control's keyboard
  // mnemonic and "&&" shows one "&", unless noPrefix is set.
  std::string text;
  TRect bounds;
  ControlFont font;
  ControlCursor cursor = ControlCursor::kDefault;
  std::string hint;
  bool visible = true;
  bool noPrefix = false;     // labels: "&" is shown as it is
  bool alignRight = false;   // labels: the right edge stays where it is when the text changes
  bool fillParent = false;   // the control covers its parent's whole client area
  bool isDefault = false;    // buttons: Enter clicks it
  bool isCancel = false;     // buttons: Escape clicks it
  std::int32_t minValue = 0;  // spin boxes
  std::int32_t maxValue = 0;
  std::vector<ColorItem> colors;  // colour lists
};

struct DialogLayout {
  std::string caption;
  std::int32_t clientWidth = 0;
  std::int32_t clientHeight = 0;
  // In tab order. Of the controls drawn on their parent (frames, pictures,
  // labels), a later one lies above an earlier one.
  std::vector<ControlLayout> controls;
  ControlId initialFocus = 0;
};

// A dialog window, centred on the screen, with a caption and only the
// system-menu button. Calls naming a control that is not in the dialog's
// table do nothing (or answer the default value).
class DialogView {
 public:
  virtual ~DialogView() = default;

  virtual void Show() = 0;
  // Closes the dialog for good: onClose runs, then the window goes.
  virtual void Close() = 0;

  // Caption, label text, spin box text, memo text.
  virtual void SetText(ControlId id, const std::string& text) = 0;
  virtual std::string Text(ControlId id) const = 0;
  // Check boxes and radio buttons. Ticking a radio button from here does not
  // clear the others of its group (the user's click does).
  virtual void SetChecked(ControlId id, bool checked) = 0;
  virtual bool Checked(ControlId id) const = 0;
  virtual void SetEnabled(ControlId id, bool enabled) = 0;
  virtual bool Enabled(ControlId id) const = 0;
  // For a page: whether its tab is shown.
  virtual void SetVisible(ControlId id, bool visible) = 0;
  virtual bool Visible(ControlId id) const = 0;
  // Colour lists: the colour selected.
  virtual void SetColor(ControlId id, std::uint32_t color) = 0;
  virtual std::uint32_t Color(ControlId id) const = 0;
  virtual void SetFont(ControlId id, const ControlFont& font) = 0;
  virtual void SetCursor(ControlId id, ControlCursor cursor) = 0;
  // The tooltip shown while the mouse rests on the control (empty: none).
  virtual void SetHint(ControlId id, const std::string& hint) = 0;
  // How long the mouse rests before a tooltip shows.
  virtual void SetHintDelay(std::uint32_t milliseconds) = 0;
  // Pictures: the pixels shown, stretched to the control's bounds.
  virtual void SetPicture(ControlId id, const ConstPixels& pixels) = 0;
  // Puts a control drawn on its parent above the others drawn there.
  virtual void BringToFront(ControlId id) = 0;
  // In layout pixels (96 DPI). Labels keep their text's size.
  virtual void SetBounds(ControlId id, const TRect& bounds) = 0;
  virtual TRect Bounds(ControlId id) const = 0;
  // Page controls: the page shown.
  virtual void SetActivePage(ControlId page) = 0;
  virtual ControlId ActivePage() const = 0;

  // A click on a button, check box, radio button, or on a label or picture
  // (the topmost visible one under the mouse). Check boxes and radio buttons
  // have changed when it runs.
  std::function<void(ControlId)> onClick;
  // The user closed the dialog from its system menu, its close box or
  // Alt+F4. Close() itself does not call it.
  std::function<void()> onCloseRequest;
  // The dialog is closing (from Close()).
  std::function<void()> onClose;
};

// What a view keeps of each control besides the platform's own widget: the
// state that the calls above set, starting from the table.
struct ControlState {
  ControlLayout layout;
  std::string text;
  ControlFont font;
  ControlCursor cursor = ControlCursor::kDefault;
  std::string hint;
  TRect bounds;  // in the parent, layout pixels
  bool visible = true;
  bool enabled = true;
  int z = 0;  // controls drawn on their parent: a higher one lies above
};

// The first state of each control of the table, z in table order.
template <typename State>
std::map<ControlId, State> InitialControlStates(const DialogLayout& layout) {
  std::map<ControlId, State> states;
  int z = 0;
  for (const ControlLayout& c : layout.controls) {
    State& state = states[c.id];
    state.layout = c;
    state.text = c.text;
    state.font = c.font;
    state.cursor = c.cursor;
    state.hint = c.hint;
    state.bounds = c.bounds;
    state.visible = c.visible;
    state.z = z++;
  }
  return states;
}

// The text a control shows for a caption: "&" before a character is
// dropped, "&&" shows one "&".
std::string CaptionWithoutMnemonics(std::string_view text);

// The index of the colour list entry that shows `color`: the first plain
// entry of that colour, else the custom entry, else nothing.
std::optional<std::size_t> ColorItemIndex(const std::vector<ColorItem>& items, std::uint32_t color);

}  // namespace kestro::platform
