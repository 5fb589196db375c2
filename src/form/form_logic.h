#pragma once
// The settings window's behaviour, for any toolkit: what each button, switch, field and menu
// item does, and what each control shows. A view forwards its widgets' events here and draws
// what it is told to.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "program/program_core.h"
#include "form/form_description.h"

namespace quillenta::form {

// What only the toolkit can do.
class FormView {
 public:
  virtual ~FormView() = default;
  virtual void HideToTray() = 0;
  virtual void ShowFromTray() = 0;
  // As the close box does: the program ends.
  virtual void CloseWindow() = 0;
  // Ends the program with the window as it is (the tray's "終了").
  virtual void EndProgram() = 0;
  virtual FileChooser& Chooser() = 0;
  // Hands an address to the desktop; never waits.
  virtual void OpenAddress(const std::string& address) = 0;
  // Selects a field's whole text and puts it on the clipboard.
  virtual void CopyField(std::string_view control) = 0;
  // The control at this index of Controls() shows a state that may have changed.
  virtual void Refresh(std::size_t control) = 0;
};

class FormLogic {
 public:
  FormLogic(ProgramCore& core, FormView& view);

  // A push button or a link field was clicked.
  void OnClick(std::string_view control);
  // A link field's left button: a click is a press and a release inside the field. The second
  // press of a double click is no press (views leave it out), so a double click opens the
  // address once; a press whose release lands outside opens nothing. True when it opened.
  void OnLinkPressed(std::string_view control);
  bool OnLinkReleased(std::string_view control, bool inside);
  // The user set a check box or a radio button (a radio reports only its turning on).
  void OnToggled(std::string_view control, bool on);
  // The user typed in an edit; a text the model set must not come back here.
  void OnTextEdited(std::string_view control, std::string text);
  void OnMenuItem(std::string_view item);

  // What the control shows now.
  bool Checked(const ControlDef& control) const;
  std::string Text(const ControlDef& control) const;
  bool Visible(const ControlDef& control) const;
  bool MenuChecked(std::string_view item) const;
  // The address a link opens.
  std::optional<std::string> Address(const ControlDef& control) const;

  // Indices into Controls() of every control whose state the change may alter.
  std::vector<std::size_t> ShownBy(const SettingChange& change) const;
  std::vector<std::size_t> OrderPositions() const;

 private:
  // Runs an action; an error ends only that action and reaches the error report.
  template <typename F>
  void Guarded(F action);
  void RefreshAll(const std::vector<std::size_t>& controls);

  ProgramCore& core_;
  FormView& view_;
  std::string pressed_link_;
};

}  // namespace quillenta::form
