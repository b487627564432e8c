#pragma once
// Stands in for the user of a modal dialog of type T inside wxTEST_DIALOG: runs `action` on the
// dialog, whose result is the code the dialog ends with.
#include <functional>

#include <wx/testing.h>

namespace r3dtest {

template <class T>
class Answer : public wxExpectModalBase<T, Answer<T>> {
public:
  explicit Answer(std::function<int(T*)> action) : action_(std::move(action)) {}

protected:
  int OnInvoked(T* dialog) const override { return action_(dialog); }

private:
  std::function<int(T*)> action_;
};

}  // namespace r3dtest
