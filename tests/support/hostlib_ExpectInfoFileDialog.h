#pragma once
// Lets tests stand in for the user of the host's raster file dialog:
//
//   wxTEST_DIALOG(dlg.DoModal(),
//                 wxExpectModal<CInfoFileDialogEx>([](CInfoFileDialogEx* d) {
//                   d->SetPathName("/some/file.tif");
//                   d->SetComponent(COMPONENT_AMPLITUDE);
//                   return wxID_OK;
//                 }));
//   wxTEST_DIALOG(dlg.DoModal(), wxExpectModal<CInfoFileDialogEx>(wxID_CANCEL));
//
// DoModal applies the dialog's state after ShowModal returned, so OK through the hook behaves like
// OK pressed by a user.
#include <functional>

#include <wx/testing.h>

#include "hostlib/Controls.h"

template <>
class wxExpectModal<CInfoFileDialogEx> : public wxExpectModalBase<CInfoFileDialogEx> {
public:
  using Action = std::function<int(CInfoFileDialogEx*)>;
  explicit wxExpectModal(int id) : action_([id](CInfoFileDialogEx*) { return id; }) {}
  explicit wxExpectModal(Action action) : action_(std::move(action)) {}

protected:
  int OnInvoked(CInfoFileDialogEx* dlg) const override { return action_(dlg); }

private:
  Action action_;
};
