#pragma once
// Dialog data exchange between member variables and controls, in the framework's manner: one
// object per pass, either "show" (variables -> controls) or "save" (controls -> variables, with
// validation). The first failing check in a save pass shows the framework's standard message,
// puts the focus on the offending edit with its text selected, and stops the pass.
#include <string>

class wxWindow;
class wxTextCtrl;
class wxCheckBox;

namespace lib3d::open {

class DataExchange {
public:
  DataExchange(wxWindow* dialog, bool save) : dialog_(dialog), save_(save) {}

  bool saving() const { return save_; }
  bool failed() const { return failed_; }

  // An int shown as decimal text. Showing writes the text only when it differs from what the edit
  // shows, so an edit's change notification does not come back for an unchanged value.
  void Text(wxTextCtrl* edit, int& value);
  // The range check that follows a Text on the same edit (save pass only).
  void MinMaxInt(wxTextCtrl* edit, int value, int lo, int hi);
  void Check(wxCheckBox* box, int& value);
  // An edit that holds a number or nothing (`given` says which). Only a save pass reads it; a show
  // pass leaves the text as typed.
  void OptionalNumber(wxTextCtrl* edit, bool& given, double& value);

private:
  void Fail(wxTextCtrl* edit, const std::string& message);

  wxWindow* dialog_;
  bool save_;
  bool failed_ = false;
};

}  // namespace lib3d::open
