#pragma once
// COpenFileDlg: the modal dialog that chooses the relief, the compression factors and the texture.
#include <wx/dialog.h>

#include "hostlib/HostString.h"

class COpenFileDlg : public wxDialog {
public:
  explicit COpenFileDlg(wxWindow* parent);
  ~COpenFileDlg() override;
  int DoModal();  // wxID_OK (IDOK) or wxID_CANCEL

  // Results, read by the frame after wxID_OK.
  int singleTexture = 1;
  int useTexture = 0;
  CString reliefPath;
  CString redPath, greenPath, bluePath;
  CString texturePath;
  int factorX = 1;
  int factorY = 1;
  unsigned component = 0;
  // ... the rest is declared by the implementation.
};
