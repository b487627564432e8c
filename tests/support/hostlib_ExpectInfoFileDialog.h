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
#include "hostlib/Controls.h"
#include "tests/support/ModalAnswer.h"

template <>
class wxExpectModal<CInfoFileDialogEx> : public r3dtest::Answer<CInfoFileDialogEx> {
public:
  explicit wxExpectModal(int id) : Answer([id](CInfoFileDialogEx*) { return id; }) {}
  explicit wxExpectModal(std::function<int(CInfoFileDialogEx*)> action) : Answer(std::move(action)) {}
};
