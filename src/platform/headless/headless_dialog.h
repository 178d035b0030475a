#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/api/dialog.h"

namespace kestro::platform {

// A dialog without a display, for tests: it keeps every control's state as
// the real views would, and plays the user's clicks and keys.
class HeadlessDialog final : public DialogView {
 public:
  explicit HeadlessDialog(const DialogLayout& layout);
  ~HeadlessDialog() override;
  HeadlessDialog(const HeadlessDialog&) = delete;
  HeadlessDialog& operator=(const HeadlessDialog&) = delete;

  // --- DialogView
  void Show() override { shown_ = true; }
  void Close() override;
  void SetText(ControlId id, const std::string& text) override;
  std::string Text(ControlId id) const override;
  void SetChecked(ControlId id, bool checked) override;
  bool Checked(ControlId id) const override;
  void SetEnabled(ControlId id, bool enabled) override;
  bool Enabled(ControlId id) const override;
  void SetVisible(ControlId id, bool visible) override;
  bool Visible(ControlId id) const override;
  void SetColor(ControlId id, std::uint32_t color) override;
  std::uint32_t Color(ControlId id) const override;
  void SetFont(ControlId id, const ControlFont& font) override;
  void SetCursor(ControlId id, ControlCursor cursor) override;
  void SetHint(ControlId id, const std::string& hint) override;
  void SetHintDelay(std::uint32_t milliseconds) override { hintDelay_ = milliseconds; }
  void SetPicture(ControlId id, const ConstPixels& pixels) override;
  void BringToFront(ControlId id) override;
  void SetBounds(ControlId id, const TRect& bounds) override;
  TRect Bounds(ControlId id) const override;
  void SetActivePage(ControlId page) override;
  ControlId ActivePage() const override { return activePage_; }

  // --- what a test looks at
  const DialogLayout& Layout() const { return layout_; }
  bool Shown() const { return shown_ && !closed_; }
  bool Closed() const { return closed_; }
  ControlFont Font(ControlId id) const;
  ControlCursor Cursor(ControlId id) const;
  std::string Hint(ControlId id) const;
  std::uint32_t HintDelay() const { return hintDelay_; }
  // The size of the picture given to a picture control (0 x 0: none).
  TPoint PictureSize(ControlId id) const;
  // Whether the control can be seen and used: it and every parent are
  // visible (a page: the active page) and enabled.
  bool Usable(ControlId id) const;
  // The drawn-on-parent control the user hits at a point of the dialog's
  // client area: the topmost visible frame, picture or label there (0: none).
  ControlId GraphicAt(TPoint point) const;

  // --- what a user does
  // A click on the control: a check box toggles, a radio button is ticked
  // and the others of its group cleared, then onClick runs. A click on a
  // label or picture reaches the topmost one at its centre. False when the
  // control cannot be used (hidden, disabled) and nothing happened.
  bool Click(ControlId id);
  // Enter and Escape: a click on the default or the cancel button.
  bool PressEnter();
  bool PressEscape();
  // The close box, the system menu's Close, Alt+F4.
  void RequestClose();

  // Runs when the dialog is destroyed (the window system keeps its list).
  std::function<void(HeadlessDialog*)> onDestroyed;

 private:
  struct Control : ControlState {
    bool checked = false;
    std::uint32_t color = 0;
    TPoint pictureSize;
  };
  Control* Find(ControlId id);
  const Control* Find(ControlId id) const;
  // The control's bounds in the dialog's client area.
  TRect DialogBounds(const Control& control) const;
  void SizeLabel(Control& control);

  DialogLayout layout_;
  std::map<ControlId, Control> controls_;
  ControlId activePage_ = 0;
  std::uint32_t hintDelay_ = 500;
  int nextZ_ = 0;
  bool shown_ = false;
  bool closed_ = false;
};

}  // namespace kestro::platform
