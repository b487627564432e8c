#include "dialogs/open/DataExchange.h"

#include <wx/app.h>
#include <wx/checkbox.h>
#include <wx/msgdlg.h>
#include <wx/textctrl.h>

#include "dialogs/open/OpenDlgLogic.h"

namespace lib3d::open {

void DataExchange::Text(wxTextCtrl* edit, int& value) {
  if (failed_ || !edit) return;
  if (!save_) {
    const wxString text = wxString::Format("%d", value);
    // SetValue raises the edit's text event, as a window text change raises the edit's change
    // notification; skipping an unchanged text is what ends the chain of notifications.
    if (edit->GetValue() != text) edit->SetValue(text);
    return;
  }
  int parsed = 0;
  if (!parse_int(edit->GetValue().utf8_string(), parsed)) {
    Fail(edit, integer_message());
    return;
  }
  value = parsed;
}

void DataExchange::MinMaxInt(wxTextCtrl* edit, int value, int lo, int hi) {
  if (failed_ || !save_ || !edit) return;
  if (value < lo || value > hi) Fail(edit, integer_range_message(lo, hi));
}

void DataExchange::Check(wxCheckBox* box, int& value) {
  if (failed_ || !box) return;
  if (save_)
    value = box->GetValue() ? 1 : 0;
  else
    box->SetValue(value != 0);
}

void DataExchange::OptionalNumber(wxTextCtrl* edit, bool& given, double& value) {
  if (failed_ || !save_ || !edit) return;
  const std::string text = edit->GetValue().utf8_string();
  double parsed = 0;
  if (text.find_first_not_of(" \t") == std::string::npos) {
    given = false;
  } else if (parse_number(text, parsed)) {
    given = true;
    value = parsed;
  } else {
    Fail(edit, number_message());
  }
}

void DataExchange::Fail(wxTextCtrl* edit, const std::string& message) {
  failed_ = true;
  const wxString caption = wxTheApp ? wxTheApp->GetAppDisplayName() : wxString();
  wxMessageDialog box(dialog_, wxString::FromUTF8(message.c_str()), caption, wxOK | wxICON_EXCLAMATION);
  box.ShowModal();
  edit->SetFocus();
  edit->SelectAll();
}

}  // namespace lib3d::open
